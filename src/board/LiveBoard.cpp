#include "board/LiveBoard.h"

#include "data/ChangeEvents.h"
#include "data/Dataset.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {
const QEvent::Type kDeferredSelection = QEvent::Type(QEvent::registerEventType());
}

LiveBoard::LiveBoard(QWidget* board, std::function<void()> reload, std::function<void()> select)
    : QObject(board), m_board(board), m_reload(std::move(reload)), m_select(std::move(select))
{
    m_reloadTimer.setSingleShot(true);
    connect(&m_reloadTimer, &QTimer::timeout, this, &LiveBoard::tryReload);
    m_clock.start();
}

void LiveBoard::follow(data::ChangeEvents& events, data::Dataset& bookings)
{
    if (m_events)
        disconnect(m_events, nullptr, this, nullptr);
    m_events = &events;
    m_bookings = &bookings;
    connect(&events, &data::ChangeEvents::changed, this, &LiveBoard::notified);
}

bool LiveBoard::changedSinceRead() const
{
    return m_events && m_bookings && m_events->sequence() > m_bookings->changesAtOpen();
}

bool LiveBoard::bookingsStale()
{
    if (m_events)
        m_events->poll();
    return !m_events || !m_events->alive() || changedSinceRead();
}

bool LiveBoard::idle() const
{
    return m_board->isVisible() && !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
           !m_selectionPending;
}

void LiveBoard::notified()
{
    // The first notification of a burst sets the time; the rest join it.
    if (!m_reloadTimer.isActive())
        m_reloadTimer.start(kBurstMs);
}

void LiveBoard::tryReload()
{
    // A selection or a command may have read the bookings meanwhile; a closed
    // dataset is left to what closed it.
    if (!m_bookings || !m_bookings->isOpen() || !changedSinceRead())
        return;
    if (!idle()) {
        m_reloadTimer.start(kIdlePollMs);
        return;
    }
    m_reload();
}

void LiveBoard::keyPressed(unsigned long timestamp)
{
    m_lateKey = false;
    if (timestamp == 0)
        return;
    const qint64 offset = m_clock.elapsed() - qint64(timestamp);
    // The promptest press gives the offset between the two clocks; one far
    // off means the platform's clock started anew.
    if (!m_offsetKnown || offset < m_offset || offset > m_offset + 60000) {
        m_offset = offset;
        m_offsetKnown = true;
        return;
    }
    m_lateKey = offset - m_offset > kLateKeyMs;
}

void LiveBoard::mousePressed()
{
    m_lateKey = false;
}

bool LiveBoard::deferSelection()
{
    const bool late = m_lateKey;
    m_lateKey = false; // it stood for this move only
    if (m_selectionPending)
        return true;
    if (!late)
        return false;
    m_selectionPending = true;
    // After every event already queued, the queued presses above all.
    QCoreApplication::postEvent(this, new QEvent(kDeferredSelection), Qt::LowEventPriority);
    return true;
}

bool LiveBoard::event(QEvent* event)
{
    if (event->type() == kDeferredSelection) {
        m_selectionPending = false;
        m_select();
        return true;
    }
    return QObject::event(event);
}
