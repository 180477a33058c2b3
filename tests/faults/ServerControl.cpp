#include "ServerControl.h"

#include <QProcess>
#include <QtGlobal>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace fbserver {

Outcome run(const QString& command)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(HOTEL_SOURCE_DIR "/scripts/fbserver"), {command});
    Outcome outcome;
    // A stop may wait 15 s for the server before it kills it; start up to 30 s.
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        outcome.output = QStringLiteral("scripts/fbserver %1 did not finish").arg(command);
        return outcome;
    }
    outcome.output = QString::fromLocal8Bit(process.readAll()).trimmed();
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return outcome;
}

} // namespace fbserver

ServerGuard::~ServerGuard()
{
    const fbserver::Outcome o = fbserver::run(QStringLiteral("start"));
    if (!o.ok())
        qWarning("scripts/fbserver start failed: %s", qPrintable(o.output));
}

DelayedFault::DelayedFault(QString command, int delayMs)
    : m_thread([this, command = std::move(command), delayMs] {
          std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          m_outcome = fbserver::run(command);
      })
{
}

DelayedFault::~DelayedFault()
{
    if (m_thread.joinable())
        m_thread.join();
}

fbserver::Outcome DelayedFault::finish()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_outcome;
}

Watchdog::Watchdog(int seconds, QString what)
    : m_thread([this, seconds, what = std::move(what)] {
          std::unique_lock lock(m_mutex);
          if (m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_cancelled; }))
              return;
          std::fprintf(stderr, "FAIL! %s: still blocked after %d s; starting the server again and aborting\n",
                       qPrintable(what), seconds);
          std::fflush(stderr);
          fbserver::run(QStringLiteral("start"));
          std::abort();
      })
{
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_wake.notify_all();
    m_thread.join();
}
