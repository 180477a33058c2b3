#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

namespace data::fb { class TransactionHandle; }

namespace data {

class Connection;
class Dataset;

class Transaction {
public:
    // tpb: the parameter words after the version-3 byte; empty means the
    // server's defaults. autoStopRollback: rolled back when its last dataset
    // closes, if it was started automatically.
    Transaction(Connection& connection, QString name, QByteArray tpb, bool autoStopRollback = false);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    const QString& name() const { return m_name; }
    Connection& connection() const { return m_connection; }
    bool active() const { return m_handle != nullptr; }
    bool startedAutomatically() const { return m_auto; }

    // Make active: begins when none is open; does nothing otherwise.
    void start();
    // Make inactive: rolls back an open transaction; does nothing otherwise.
    void end();
    // Begins; fails when one is open.
    void begin();
    // Both close every dataset of the transaction first; fail when none is open.
    void commit();
    void rollback();

    // Used by datasets.
    void startAutomatically();
    void datasetClosed();
    void addDataset(Dataset* dataset) { m_datasets.append(dataset); }
    const QList<Dataset*>& datasets() const { return m_datasets; }
    // Internal to the data layer; only while active.
    fb::TransactionHandle& handle() const { return *m_handle; }

    // The attachment went away under us: drop the handle without a server call.
    void abandon() noexcept;

private:
    void closeDatasets();
    void finish(bool commit);

    Connection& m_connection;
    QString m_name;
    QByteArray m_tpb;
    bool m_autoStopRollback;
    bool m_auto = false;
    std::unique_ptr<fb::TransactionHandle> m_handle;
    QList<Dataset*> m_datasets;
};

} // namespace data
