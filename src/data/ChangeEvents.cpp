#include "data/ChangeEvents.h"

#include "data/fb/FbLibrary.h"
#include "data/fb/Handle.h"

#include <QByteArray>
#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

using namespace Firebird;

namespace data {

const char* const ChangeEvents::kBookings = "RES_CHANGED";
const char* const ChangeEvents::kAccounts = "OTV_CHANGED";

namespace {

constexpr unsigned char kEpbVersion1 = 1;

// The event block of the classic API: version, then per name its length, the
// name and the count last seen (four bytes, low byte first).
QByteArray eventBlock(const unsigned (&counts)[2])
{
    QByteArray block;
    block.append(char(kEpbVersion1));
    const char* names[2] = {ChangeEvents::kBookings, ChangeEvents::kAccounts};
    for (int i = 0; i < 2; ++i) {
        const auto length = std::strlen(names[i]);
        block.append(char(length));
        block.append(names[i], qsizetype(length));
        for (int b = 0; b < 4; ++b)
            block.append(char((counts[i] >> (8 * b)) & 0xFF));
    }
    return block;
}

// The counts of a delivered block laid out as eventBlock(); false when it is not.
bool readCounts(const std::vector<unsigned char>& block, unsigned (&counts)[2])
{
    size_t at = 1;
    if (block.empty() || block[0] != kEpbVersion1)
        return false;
    for (int i = 0; i < 2; ++i) {
        if (at >= block.size())
            return false;
        const size_t length = block[at++];
        if (at + length + 4 > block.size())
            return false;
        at += length;
        counts[i] = unsigned(block[at]) | unsigned(block[at + 1]) << 8 | unsigned(block[at + 2]) << 16 |
                    unsigned(block[at + 3]) << 24;
        at += 4;
    }
    return true;
}

// Whether both triggers that post the events exist and are active.
bool hasTriggers(IAttachment* attachment)
{
    fb::Status status;
    fb::Handle<ITransaction> tra;
    bool present = false;
    try {
        const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version};
        tra.reset(attachment->startTransaction(&status, sizeof tpb, tpb));
        const char* sql = "select count(*) from RDB$TRIGGERS where RDB$TRIGGER_NAME in "
                          "('RES_POST_CHANGE', 'OTV_POST_CHANGE') and coalesce(RDB$TRIGGER_INACTIVE, 0) = 0";
        fb::Handle<IStatement> statement(
            attachment->prepare(&status, tra.get(), 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA));
        fb::Handle<IMessageMetadata> meta(statement->getOutputMetadata(&status));
        std::vector<unsigned char> row(meta->getMessageLength(&status));
        const unsigned offset = meta->getOffset(&status, 0);
        fb::Handle<IResultSet> cursor(statement->openCursor(&status, tra.get(), nullptr, nullptr, meta.get(), 0));
        if (cursor->fetchNext(&status, row.data()) == IStatus::RESULT_OK) {
            ISC_INT64 count = 0;
            std::memcpy(&count, row.data() + offset, sizeof count);
            present = count == 2;
        }
        cursor->close(&status);
        cursor.disown();
        meta.reset();
        statement->free(&status);
        statement.disown();
        tra->commit(&status);
        tra.disown();
    } catch (const FbException&) {
        if (tra) {
            try {
                fb::Status again;
                tra->rollback(&again);
                tra.disown();
            } catch (const FbException&) {
            }
        }
        return false;
    }
    return present;
}

} // namespace

// What the library's thread and the owner's thread share.
struct ChangeEvents::Shared {
    std::mutex mutex;
    std::condition_variable arrived;
    ChangeEvents* owner = nullptr; // null once cancelled
    // The request registered last; the one before it may still call back
    // (with nothing) when it is released.
    unsigned current = 0;
    std::vector<unsigned char> block;
    bool pending = false;
    bool lost = false;
};

class ChangeEvents::Callback final : public IEventCallbackImpl<Callback, ThrowStatusWrapper> {
public:
    Callback(std::shared_ptr<Shared> shared, unsigned request) : m_shared(std::move(shared)), m_request(request) {}

    void addRef() override { ++m_refs; }
    int release() override
    {
        if (--m_refs == 0) {
            delete this;
            return 0;
        }
        return 1;
    }

    // On the client library's thread: keep the block, wake a waiter, and
    // hand the rest to the owner's thread.
    void eventCallbackFunction(unsigned length, const unsigned char* events) override
    {
        std::lock_guard lock(m_shared->mutex);
        if (!m_shared->owner || m_shared->current != m_request)
            return;
        // An empty delivery is what the library sends when the connection
        // for the events has gone.
        if (length == 0 || !events)
            m_shared->lost = true;
        else
            m_shared->block.assign(events, events + length);
        m_shared->pending = true;
        m_shared->arrived.notify_all();
        QMetaObject::invokeMethod(m_shared->owner, "deliver", Qt::QueuedConnection);
    }

private:
    std::atomic<int> m_refs{1};
    std::shared_ptr<Shared> m_shared;
    const unsigned m_request;
};

ChangeEvents::ChangeEvents(QObject* parent) : QObject(parent) {}

ChangeEvents::~ChangeEvents()
{
    cancel();
}

void ChangeEvents::subscribe(IAttachment* attachment)
{
    cancel();
    m_attachment = attachment;
    m_counts[0] = m_counts[1] = 0;
    m_established = false;
    m_triggers = hasTriggers(attachment);
    if (!m_triggers)
        return;
    m_shared = std::make_shared<Shared>();
    m_shared->owner = this;
    queue();
}

void ChangeEvents::queue()
{
    // A request that has fired stays as it is until the end: releasing it
    // while the connection lives would cancel the request the library has
    // since put in its place.
    if (m_events) {
        m_fired.push_back(m_events);
        m_events = nullptr;
    }
    if (m_callback) {
        m_callback->release();
        m_callback = nullptr;
    }
    const QByteArray block = eventBlock(m_counts);
    unsigned request;
    {
        std::lock_guard lock(m_shared->mutex);
        request = ++m_shared->current;
    }
    auto* callback = new Callback(m_shared, request);
    fb::Status status;
    try {
        m_events = m_attachment->queEvents(&status, callback, unsigned(block.size()),
                                           reinterpret_cast<const unsigned char*>(block.constData()));
        m_callback = callback;
    } catch (const FbException&) {
        callback->release();
        cancel();
    }
}

void ChangeEvents::cancel(bool attachmentGone) noexcept
{
    if (m_shared) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->owner = nullptr;
        m_shared->pending = false;
    }
    if (m_events) {
        auto* events = static_cast<IEvents*>(m_events);
        m_events = nullptr;
        bool released = false;
        if (!attachmentGone) {
            try {
                fb::Status status;
                events->cancel(&status);
                released = true; // a successful cancel releases the interface
            } catch (...) {
            }
        }
        if (!released)
            events->release();
    }
    for (void* fired : m_fired)
        static_cast<IEvents*>(fired)->release();
    m_fired.clear();
    if (m_callback) {
        m_callback->release();
        m_callback = nullptr;
    }
    m_shared.reset();
    m_attachment = nullptr;
    m_established = false;
    setAlive(false);
}

void ChangeEvents::setAlive(bool alive)
{
    if (m_alive == alive)
        return;
    m_alive = alive;
    emit aliveChanged(alive);
}

bool ChangeEvents::take()
{
    if (!m_shared)
        return false;
    std::vector<unsigned char> block;
    bool lost = false;
    {
        std::lock_guard lock(m_shared->mutex);
        if (!m_shared->pending)
            return false;
        m_shared->pending = false;
        block.swap(m_shared->block);
        lost = m_shared->lost;
    }
    unsigned counts[2] = {0, 0};
    if (lost || !readCounts(block, counts)) {
        cancel(lost);
        return false;
    }
    bool changed = false;
    if (m_established) {
        changed = counts[0] != m_counts[0] || counts[1] != m_counts[1];
    }
    m_counts[0] = counts[0];
    m_counts[1] = counts[1];
    const bool first = !m_established;
    m_established = true;
    if (changed)
        ++m_sequence;
    queue();
    if (first && m_events)
        setAlive(true);
    return changed;
}

void ChangeEvents::deliver()
{
    if (take())
        emit changed();
}

void ChangeEvents::poll()
{
    deliver();
}

bool ChangeEvents::awaitChange(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (take()) {
            emit changed();
            return true;
        }
        if (!m_alive || !m_shared)
            return false;
        std::shared_ptr<Shared> shared = m_shared;
        std::unique_lock lock(shared->mutex);
        if (!shared->arrived.wait_until(lock, deadline, [&] { return shared->pending; }))
            return false;
    }
}

} // namespace data
