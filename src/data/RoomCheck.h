#pragma once

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace data {

class TDM;

// The nights a stay takes are its arrival up to the day before its departure;
// a stay that leaves the day it arrives (or before) still takes that day.
// nightsEnd is the first day it no longer takes.
QDate nightsEnd(const QDate& arrival, const QDate& departure);
// Two stays share a night when each arrives before the other's nights end;
// one leaving on the day the other arrives is a change-over.
bool shareNight(const QDate& arrival1, const QDate& departure1, const QDate& arrival2, const QDate& departure2);

struct Stay {
    QString id;
    QString client;
    QDate arrival;
    QDate departure;
};

// In dm.tr1, which must be active and have done nothing yet: holds the rows of
// the rooms (in ascending order, so two desks never wait for each other in a
// circle), then the booking's row when bookingId is not empty, until tr1 ends.
// A desk that had to wait for another one's commit starts tr1 afresh and takes
// them again, so that it reads what that one wrote.
void lockForSave(TDM& dm, QList<int> rooms, const QString& bookingId = QString());

// In dm.tr1: the bookings of the room that share a night with the stay, the
// booking excludeId left out; by arrival.
QList<Stay> overlappingStays(TDM& dm, int room, const QDate& arrival, const QDate& departure,
                             const QString& excludeId);

// In dm.tr1: the booking's columns as text (RES's, and NAME of its manager),
// as it is now; nothing when it no longer exists.
std::optional<QMap<QString, QString>> currentBooking(TDM& dm, const QString& id);

// In dm.tr1: the room's name; empty when there is no such room.
QString roomName(TDM& dm, int room);

} // namespace data
