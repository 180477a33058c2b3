#include "data/Transaction.h"

#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/fb/FbLibrary.h"
#include "data/fb/Handle.h"
#include "platform/AppError.h"

using namespace Firebird;

namespace data {

Transaction::Transaction(Connection& connection, QString name, QByteArray tpb, bool autoStopRollback)
    : m_connection(connection), m_name(std::move(name)), m_tpb(std::move(tpb)), m_autoStopRollback(autoStopRollback)
{
    m_connection.addTransaction(this);
}

Transaction::~Transaction()
{
    abandon();
}

void Transaction::begin()
{
    if (active())
        throw platform::AppError(QStringLiteral("%1: Transaction is active").arg(m_name));
    m_connection.checkOpen();
    QByteArray block;
    if (!m_tpb.isEmpty()) {
        block.append(char(isc_tpb_version3));
        block.append(m_tpb);
    }
    fb::Status status;
    auto handle = std::make_unique<fb::TransactionHandle>();
    try {
        handle->reset(m_connection.attachment()->startTransaction(
            &status, unsigned(block.size()), reinterpret_cast<const unsigned char*>(block.constData())));
    } catch (const FbException& e) {
        fb::rethrow(e);
    }
    m_handle = std::move(handle);
    m_auto = false;
}

void Transaction::start()
{
    if (!active())
        begin();
}

void Transaction::startAutomatically()
{
    if (active())
        return;
    begin();
    m_auto = true;
}

void Transaction::end()
{
    if (active())
        rollback();
}

void Transaction::commit()
{
    finish(true);
}

void Transaction::rollback()
{
    finish(false);
}

void Transaction::closeDatasets()
{
    for (Dataset* d : m_datasets)
        d->close();
}

void Transaction::finish(bool commit)
{
    if (!active())
        throw platform::AppError(QStringLiteral("%1: Transaction is not active").arg(m_name));
    closeDatasets();
    // closing Tran1's last dataset may already have rolled it back
    if (!active())
        return;
    // Released here whatever the server says.
    const std::unique_ptr<fb::TransactionHandle> handle = std::move(m_handle);
    m_auto = false;
    fb::Status status;
    try {
        if (commit)
            (*handle)->commit(&status);
        else
            (*handle)->rollback(&status);
        handle->disown();
    } catch (const FbException& e) {
        // A commit the server refused leaves the transaction open: roll it back
        // so that nothing half-written stays, then report the refusal.
        if (commit) {
            try {
                fb::Status again;
                (*handle)->rollback(&again);
                handle->disown();
            } catch (const FbException&) {
            }
        }
        fb::rethrow(e);
    }
}

void Transaction::datasetClosed()
{
    if (!m_autoStopRollback || !m_auto || !active())
        return;
    for (Dataset* d : m_datasets)
        if (d->isOpen())
            return;
    rollback();
}

void Transaction::abandon() noexcept
{
    m_handle.reset();
    m_auto = false;
}

} // namespace data
