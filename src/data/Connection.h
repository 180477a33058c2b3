#pragma once

#include <QList>
#include <QString>

#include <memory>

namespace data::fb { class AttachmentHandle; }

namespace data {

class ChangeEvents;
class Transaction;

// The single attachment to the database (DB).
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Only while the connection is closed.
    void setDatabaseName(const QString& name);
    const QString& databaseName() const { return m_databaseName; }
    // The database user; until set, the server's administrator with the
    // program's fixed password. Only while the connection is closed.
    void setLogin(const QString& user, const QString& password);
    const QString& user() const { return m_user; }

    void open();
    // Closes every dataset, commits every active transaction, releases the
    // attachment; on a failure the attachment is released all the same and
    // the first failure is raised.
    void close();
    // As close(), ignoring every failure (program end).
    void closeQuietly() noexcept;
    bool isOpen() const { return m_attachment != nullptr; }

    // Internal to the data layer; only while open.
    fb::AttachmentHandle& attachment() const { return *m_attachment; }
    void addTransaction(Transaction* transaction) { m_transactions.append(transaction); }

    // Fails with "Cannot perform operation -- DB is not open" when closed.
    void checkOpen() const;

    // The change notifications of this attachment, subscribed on every open
    // and cancelled before the attachment is released.
    ChangeEvents& changes() const { return *m_changes; }

private:
    QString m_databaseName;
    QString m_user = QStringLiteral("sysdba");
    QString m_password = QStringLiteral("hotelpass");
    std::unique_ptr<fb::AttachmentHandle> m_attachment;
    QList<Transaction*> m_transactions;
    std::unique_ptr<ChangeEvents> m_changes;
};

} // namespace data
