#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// The loopback server as scripts/fbserver runs it: stopped, killed and started
// again by the fault tests. Safe to call from any thread.
namespace fbserver {

struct Outcome {
    int exitCode = -1;
    QString output;
    bool ok() const { return exitCode == 0; }
};

// Runs scripts/fbserver <command> and waits for it (start|stop|kill|status).
Outcome run(const QString& command);

} // namespace fbserver

// Starts the server again when it goes out of scope, whatever the test did in
// between, so that later tests find it running.
class ServerGuard {
public:
    ServerGuard() = default;
    ~ServerGuard();
    ServerGuard(const ServerGuard&) = delete;
    ServerGuard& operator=(const ServerGuard&) = delete;
};

// Injects a fault after a delay from a thread of its own: the main thread is
// then blocked inside a database call, where no timer of its event loop fires.
class DelayedFault {
public:
    DelayedFault(QString command, int delayMs);
    ~DelayedFault();
    DelayedFault(const DelayedFault&) = delete;
    DelayedFault& operator=(const DelayedFault&) = delete;

    // Waits for the script to have run; its outcome.
    fbserver::Outcome finish();

private:
    fbserver::Outcome m_outcome;
    std::thread m_thread;
};

// A blocked main thread cannot fail a test by itself: past the limit this
// reports what hung, starts the server again and aborts the test program.
class Watchdog {
public:
    Watchdog(int seconds, QString what);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false;
    std::thread m_thread;
};
