#pragma once

#include <QObject>

#include <memory>
#include <vector>

namespace Firebird { class IAttachment; }

namespace data {

// Notifications that bookings (RES) or staff accounts (OTV) changed, from the
// events the database's triggers post on every committed change. The client
// library delivers them on a thread of its own; they are counted on the
// thread that owns this object, which re-registers after each delivery.
//
// Alive once the database has the triggers and the first delivery (which only
// tells the counts as they stand) has come back. A database without the
// triggers, a failed registration, an events port that cannot be reached or a
// lost connection leave it not alive: then nothing can be learned from the
// silence, and readers must read afresh every time.
class ChangeEvents : public QObject {
    Q_OBJECT
public:
    explicit ChangeEvents(QObject* parent = nullptr);
    ~ChangeEvents() override;

    // After attaching. Never fails: a failure only leaves it not alive.
    void subscribe(Firebird::IAttachment* attachment);
    // Before detaching; also after the attachment was lost (no server call then).
    void cancel(bool attachmentGone = false) noexcept;

    bool alive() const { return m_alive; }
    // Whether the database has the triggers (known after subscribe).
    bool triggersPresent() const { return m_triggers; }
    // Deliveries that reported a change, counted since subscribe. A reader
    // that took its rows when this stood at n has seen every change notified
    // up to n.
    quint64 sequence() const { return m_sequence; }

    // Handles a delivery that has already arrived without waiting for the
    // event loop (a lost connection, above all, shows at once).
    void poll();

    // Handles deliveries that have already arrived, without waiting for the
    // event loop; waits up to timeoutMs for one that reports a change when
    // none has. True when a change was counted meanwhile. For a desk's own
    // write, whose notification is then counted before its own re-read.
    bool awaitChange(int timeoutMs);

    // The names the triggers post.
    static const char* const kBookings;
    static const char* const kAccounts;

signals:
    // A change was counted (sequence() grew). Coalesced: one signal may stand
    // for many commits.
    void changed();
    // alive() changed.
    void aliveChanged(bool alive);

private:
    struct Shared;
    class Callback;

    Q_INVOKABLE void deliver();
    // Takes what the library delivered; true when a change was counted.
    bool take();
    void queue();
    void setAlive(bool alive);

    Firebird::IAttachment* m_attachment = nullptr;
    std::shared_ptr<Shared> m_shared;
    Callback* m_callback = nullptr;
    void* m_events = nullptr; // Firebird::IEvents*
    std::vector<void*> m_fired;
    bool m_triggers = false;
    bool m_established = false;
    bool m_alive = false;
    quint64 m_sequence = 0;
    unsigned m_counts[2] = {0, 0};
};

} // namespace data
