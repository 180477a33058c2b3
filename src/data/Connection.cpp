#include "data/Connection.h"

#include "data/ChangeEvents.h"
#include "data/Transaction.h"
#include "data/Dataset.h"
#include "data/fb/FbLibrary.h"
#include "data/fb/Handle.h"
#include "platform/AppError.h"
#include "platform/EndSignals.h"

#include <QFile>
#include <QScopeGuard>

#include <optional>

using namespace Firebird;

namespace data {

namespace {

constexpr int kConnectTimeoutSeconds = 15;

// The database's name as the system names files (UTF-8 here): the embedded
// engine opens the file by it, and the client library passes it on to a
// server the same way. A character no file name can carry is refused rather
// than changed, so that no other file is ever opened.
QByteArray fileSystemName(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.unicode() == 0 || c.isSurrogate())
            throw platform::AppError(QStringLiteral("В пути к базе данных недопустимый символ (U+%1)")
                                         .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0')));
    }
    return QFile::encodeName(name);
}

} // namespace

Connection::Connection() : m_changes(std::make_unique<ChangeEvents>()) {}

Connection::~Connection()
{
    closeQuietly();
}

void Connection::setDatabaseName(const QString& name)
{
    if (isOpen())
        throw platform::AppError(QStringLiteral("Cannot change the database name while the database is open"));
    m_databaseName = name;
}

void Connection::setLogin(const QString& user, const QString& password)
{
    if (isOpen())
        throw platform::AppError(QStringLiteral("Cannot change the database user while the database is open"));
    m_user = user;
    m_password = password;
}

void Connection::checkOpen() const
{
    if (!isOpen())
        throw platform::AppError(QStringLiteral("Cannot perform operation -- DB is not open"));
}

void Connection::open()
{
    if (isOpen())
        return;
    // The client library sets its own SIGINT and SIGTERM handlers at its first
    // attach; they would drop the connection and leave the program running.
    const auto reclaim = qScopeGuard([] { platform::reclaimEndSignals(); });
    const QByteArray name = fileSystemName(m_databaseName);
    auto& lib = fb::Library::instance();
    fb::Status status;
    auto attachment = std::make_unique<fb::AttachmentHandle>();
    try {
        fb::Handle<IXpbBuilder> dpb(lib.util()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0));
        // As typed by the administrator who made the account: the system's encoding.
        dpb->insertString(&status, isc_dpb_user_name, m_user.toLocal8Bit().constData());
        dpb->insertString(&status, isc_dpb_password, m_password.toLocal8Bit().constData());
        // A server host that does not answer at all fails here instead of
        // after the system's own minutes of retries.
        dpb->insertInt(&status, isc_dpb_connect_timeout, kConnectTimeoutSeconds);
        attachment->reset(lib.provider()->attachDatabase(&status, name.constData(), dpb->getBufferLength(&status),
                                                         dpb->getBuffer(&status)));
    } catch (const FbException& e) {
        fb::rethrow(e);
    }
    m_attachment = std::move(attachment);
    m_changes->subscribe(m_attachment->get());
}

void Connection::close()
{
    if (!isOpen())
        return;
    m_changes->cancel();
    std::optional<platform::AppError> first;
    auto keep = [&first](const platform::AppError& e) {
        if (!first)
            first = e;
    };
    for (Transaction* t : m_transactions) {
        for (Dataset* d : t->datasets()) {
            try {
                d->close();
            } catch (const platform::AppError& e) {
                keep(e);
            }
        }
    }
    for (Transaction* t : m_transactions) {
        if (!t->active())
            continue;
        try {
            if (first)
                t->abandon(); // after a failure, release without asking the server
            else
                t->commit();
        } catch (const platform::AppError& e) {
            keep(e);
            t->abandon();
        }
    }
    // Released here whatever the server says.
    const std::unique_ptr<fb::AttachmentHandle> attachment = std::move(m_attachment);
    if (!first) {
        try {
            fb::Status status;
            (*attachment)->detach(&status);
            attachment->disown();
        } catch (const FbException& e) {
            try {
                fb::rethrow(e);
            } catch (const platform::AppError& err) {
                keep(err);
            }
        }
    }
    if (first)
        throw *first;
}

void Connection::closeQuietly() noexcept
{
    try {
        close();
    } catch (...) {
    }
}

} // namespace data
