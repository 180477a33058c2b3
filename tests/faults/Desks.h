#pragma once

#include "data/UnDM.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <thread>

// Desk B: a second data module with an attachment of its own to the same
// database, as the program on another computer has.
class OtherDesk {
public:
    explicit OtherDesk(const QString& path);

    data::TDM dm;

    // One write as the write procedure runs it, without its box: a failure
    // throws the program's error type. holdCommitMs keeps the executed
    // statement uncommitted that long.
    void write(const QStringList& statement, int holdCommitMs = 0);
    // Holds the booking that starts in a board cell the way a booking open in
    // the editor does: the one-booking query open in its table-stability
    // transaction, which keeps every other transaction from writing RES and OTV.
    void holdBooking(const QString& headerText, int room);
};

// A write of desk B in a thread of its own, for writes that have to wait.
class WaitingWrite {
public:
    WaitingWrite(QString path, QStringList statement, int holdCommitMs = 0);
    ~WaitingWrite();
    WaitingWrite(const WaitingWrite&) = delete;
    WaitingWrite& operator=(const WaitingWrite&) = delete;

    bool done() const { return m_done; }
    // Keeps the event loop going meanwhile; true when the write has ended.
    bool waitDone(int timeoutMs);
    // Empty when the write was committed.
    QString failure() const;
    // From the start to the end of the write.
    qint64 tookMs() const { return m_tookMs; }

private:
    std::atomic<bool> m_done{false};
    std::atomic<qint64> m_tookMs{-1};
    mutable std::mutex m_mutex;
    QString m_failure;
    std::thread m_thread;
};

// Rows of a table before and after, each "ID|..." as TestDb::rows gives them.
struct RowLoss {
    int lost = 0;        // there before, gone after
    int changed = 0;     // there in both, but not the same
    int added = 0;       // there only after
};
RowLoss compareRows(const QStringList& before, const QStringList& after);
