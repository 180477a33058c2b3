#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QWidget;

namespace data {
class ChangeEvents;
class Dataset;
} // namespace data

// What keeps the board in step with the database and with the keyboard:
// - a change notified by the database reloads the bookings once the board is
//   idle (no modal window, no popup), a burst of notifications only once;
// - the bookings are read again for a selection only when they may be older
//   than the last notification, or always while the notifications are not
//   alive (no triggers, no events port, a lost connection);
// - key presses that waited in the queue while a selection was handled move
//   the current cell at once, and one selection follows them for the cell
//   where they ended.
class LiveBoard : public QObject {
    Q_OBJECT
public:
    // reload: read the bookings again and show them, keeping the current cell;
    // select: the selection handler for the current cell. Both run inside the
    // caller's general error report.
    LiveBoard(QWidget* board, std::function<void()> reload, std::function<void()> select);

    void follow(data::ChangeEvents& events, data::Dataset& bookings);

    // True unless the notifications are alive and none came after the
    // bookings were last read.
    bool bookingsStale();

    // A key press on its way to the grid, with the platform's time stamp in
    // milliseconds (0: unknown).
    void keyPressed(unsigned long timestamp);
    // A mouse press on the grid: what follows is no queued key.
    void mousePressed();
    // The user moved the current cell. True when the selection is left to
    // the one that follows the queued presses.
    bool deferSelection();

    bool selectionPending() const { return m_selectionPending; }
    bool reloadPending() const { return m_reloadTimer.isActive(); }

    // A press counts as queued when it reaches the board this much later
    // than the promptest press seen.
    static constexpr int kLateKeyMs = 40;
    // Notifications that come within this time are one reload.
    static constexpr int kBurstMs = 40;
    // While the board is not idle it looks again this often.
    static constexpr int kIdlePollMs = 100;

protected:
    bool event(QEvent* event) override;

private:
    bool changedSinceRead() const;
    bool idle() const;
    void notified();
    void tryReload();

    QWidget* m_board;
    std::function<void()> m_reload;
    std::function<void()> m_select;
    QPointer<data::ChangeEvents> m_events;
    data::Dataset* m_bookings = nullptr;
    QTimer m_reloadTimer;

    QElapsedTimer m_clock;
    bool m_offsetKnown = false;
    qint64 m_offset = 0; // clock minus time stamp of the promptest press
    bool m_lateKey = false;
    bool m_selectionPending = false;
};
