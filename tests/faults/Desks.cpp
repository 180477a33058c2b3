#include "Desks.h"

#include "data/Statements.h"
#include "platform/AppError.h"

#include <QHash>
#include <QTest>

#include <chrono>

OtherDesk::OtherDesk(const QString& path)
{
    dm.DB.setDatabaseName(path);
    dm.DB.open();
}

void OtherDesk::write(const QStringList& statement, int holdCommitMs)
{
    dm.tr1.begin();
    try {
        dm.IBQuery2.setSql(statement);
        dm.IBQuery2.execute();
        if (holdCommitMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(holdCommitMs));
        dm.tr1.commit();
    } catch (const platform::AppError&) {
        if (dm.tr1.active()) {
            try {
                dm.tr1.rollback();
            } catch (const platform::AppError&) {
            }
        }
        throw;
    }
}

void OtherDesk::holdBooking(const QString& headerText, int room)
{
    dm.Quk.setSql(data::sql::bookingAt(headerText, room));
    dm.Quk.open();
}

WaitingWrite::WaitingWrite(QString path, QStringList statement, int holdCommitMs)
    : m_thread([this, path = std::move(path), statement = std::move(statement), holdCommitMs] {
          QElapsedTimer clock;
          clock.start();
          try {
              OtherDesk desk(path);
              desk.write(statement, holdCommitMs);
          } catch (const platform::AppError& e) {
              std::lock_guard lock(m_mutex);
              m_failure = e.message();
          }
          m_tookMs = clock.elapsed();
          m_done = true;
      })
{
}

WaitingWrite::~WaitingWrite()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool WaitingWrite::waitDone(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!m_done && clock.elapsed() < timeoutMs)
        QTest::qWait(20);
    if (m_done && m_thread.joinable())
        m_thread.join();
    return m_done;
}

QString WaitingWrite::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

RowLoss compareRows(const QStringList& before, const QStringList& after)
{
    auto byId = [](const QStringList& rows) {
        QHash<QString, QString> map;
        for (const QString& row : rows)
            map.insert(row.section(QLatin1Char('|'), 0, 0), row);
        return map;
    };
    const QHash<QString, QString> was = byId(before), is = byId(after);
    RowLoss loss;
    for (auto it = was.begin(); it != was.end(); ++it) {
        const auto now = is.constFind(it.key());
        if (now == is.constEnd())
            ++loss.lost;
        else if (*now != *it)
            ++loss.changed;
    }
    for (auto it = is.begin(); it != is.end(); ++it)
        if (!was.contains(it.key()))
            ++loss.added;
    return loss;
}
