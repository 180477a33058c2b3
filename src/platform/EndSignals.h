#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// SIGINT, SIGTERM and SIGHUP (Ctrl+C, kill, the end of the desktop session)
// delivered as a Qt signal on the thread that owns this object, so the
// program can end in its own orderly way. SIGPIPE is ignored meanwhile: a
// connection that breaks (the display's, the database server's) is then a
// failure the program sees instead of the end of the process.
class EndSignals : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

signals:
    void received(int signalNumber);

private:
    void readPending();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

// Puts the handlers back after a library has set its own (the database
// client library does so at its first attach). Nothing while no EndSignals exists.
void reclaimEndSignals();

} // namespace platform
