#include "data/RoomCheck.h"

#include "data/Statements.h"
#include "data/UnDM.h"
#include "platform/AppError.h"
#include "platform/Regional.h"

#include <algorithm>

namespace data {

namespace {

// The first codes of "update conflicts with concurrent update" and of a lock
// that could not be had.
constexpr long kDeadlock = 335544336L;
constexpr long kLockConflict = 335544345L;
constexpr long kUpdateConflict = 335544451L;
constexpr int kLockAttempts = 20;

const char* const kBookingColumns[] = {"ID",      "CLIENT", "TEL",    "CORP",   "TURAG",  "VZROS",
                                       "REB6",    "REB12",  "ZALS_ID", "DATE1", "DATE2",  "PRICE",
                                       "SKIDKA",  "OPLATA", "GARANTY", "OTV_ID", "NAME"};

} // namespace

QDate nightsEnd(const QDate& arrival, const QDate& departure)
{
    return departure > arrival ? departure : arrival.addDays(1);
}

bool shareNight(const QDate& arrival1, const QDate& departure1, const QDate& arrival2, const QDate& departure2)
{
    return arrival1 < nightsEnd(arrival2, departure2) && arrival2 < nightsEnd(arrival1, departure1);
}

void lockForSave(TDM& dm, QList<int> rooms, const QString& bookingId)
{
    std::sort(rooms.begin(), rooms.end());
    rooms.erase(std::unique(rooms.begin(), rooms.end()), rooms.end());
    for (int attempt = 1;; ++attempt) {
        try {
            for (int room : rooms) {
                dm.qCheck.setSql({sql::roomLock(room)});
                dm.qCheck.execute();
            }
            if (!bookingId.isEmpty()) {
                dm.qCheck.setSql({sql::bookingLock(bookingId)});
                dm.qCheck.open();
                dm.qCheck.close();
            }
            return;
        } catch (const platform::AppError& e) {
            const long code = e.iscCode();
            if ((code != kDeadlock && code != kLockConflict && code != kUpdateConflict) || attempt == kLockAttempts)
                throw;
            dm.tr1.rollback();
            dm.tr1.begin();
        }
    }
}

QList<Stay> overlappingStays(TDM& dm, int room, const QDate& arrival, const QDate& departure,
                             const QString& excludeId)
{
    Dataset& q = dm.qCheck;
    q.setSql({sql::bookingOverlaps(room, platform::dateToText(arrival),
                                   platform::dateToText(nightsEnd(arrival, departure)), excludeId)});
    q.open();
    QList<Stay> stays;
    for (int recNo = 1; recNo <= q.recordCount(); ++recNo) {
        q.moveTo(recNo);
        stays.append({q.text(QStringLiteral("ID")), q.text(QStringLiteral("CLIENT")),
                      q.asDate(QStringLiteral("DATE1")), q.asDate(QStringLiteral("DATE2"))});
    }
    q.close();
    return stays;
}

std::optional<QMap<QString, QString>> currentBooking(TDM& dm, const QString& id)
{
    Dataset& q = dm.qCheck;
    q.setSql({sql::bookingById(id)});
    q.open();
    std::optional<QMap<QString, QString>> row;
    if (q.hasCurrent()) {
        row.emplace();
        for (const char* column : kBookingColumns)
            row->insert(QLatin1String(column), q.text(QLatin1String(column)));
    }
    q.close();
    return row;
}

QString roomName(TDM& dm, int room)
{
    Dataset& q = dm.qCheck;
    q.setSql({sql::roomName(room)});
    q.open();
    const QString name = q.text(QStringLiteral("NAME"));
    q.close();
    return name;
}

} // namespace data
