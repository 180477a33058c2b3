#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace data {

class Transaction;

enum class FieldType { Integer, Text, Date, Number };

struct FieldDef {
    QString name;
    FieldType type;
    int size = 0;
    bool required = false;
};

// A scrollable read-only result: every row is fetched when it opens. Writes
// never go through a dataset. Queries take a statement text; table datasets
// select every column of their table, narrowed by the filter when it is on.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class Kind { Query, Table };

    // A query; fields empty means every column of the result is reachable.
    Dataset(QString name, Transaction& transaction, QStringList sql, QList<FieldDef> fields);
    // A table dataset.
    Dataset(QString name, Transaction& transaction, QString table, QString orderBy, QList<FieldDef> fields);
    ~Dataset() override;

    const QString& name() const { return m_name; }
    Transaction& transaction() const { return m_transaction; }
    Kind kind() const { return m_kind; }

    void open();
    void close();
    bool isOpen() const { return m_open; }

    // Queries: replacing the text closes the query first.
    void setSql(const QStringList& lines);
    const QStringList& sql() const { return m_sql; }
    // The text sent to the server: the lines joined by line breaks.
    QString statementText() const;

    // Record numbers from 1; below 1 goes to the first, past the end to the last.
    void moveTo(int recNo);
    int recNo() const { return m_current + 1; }
    int recordCount() const { return m_open ? int(m_rowCount) : 0; }
    bool hasCurrent() const { return m_open && m_current >= 0 && m_current < qsizetype(m_rowCount); }

    // Fields by case-insensitive name; nulls read as empty text or zero; a
    // closed dataset with a fixed field set reads every field as null.
    QString text(const QString& field) const;
    qint64 asInteger(const QString& field) const;
    QDate asDate(const QString& field) const;
    bool isNull(const QString& field) const;

    // Table datasets.
    void setFilter(const QString& condition);
    const QString& filter() const { return m_filter; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    // Discards an unsaved edit of the current row; nothing is ever edited in
    // place here, so the visible values stay those read from the server.
    void cancel();

    // Statement query of the write procedure: prepares and executes in its
    // transaction, fetches nothing, never becomes open.
    void execute();

    // Fast access for painting: a column index of the field set and per-row
    // reads that do not move the current row. -1 when the name is not reachable.
    int fieldIndex(const QString& field) const;
    qsizetype rowCount() const { return m_open ? qsizetype(m_rowCount) : 0; }
    // Columns of the result, reachable or not (for inspection tools).
    int columnCount() const;
    bool nullAt(qsizetype row, int column) const;
    qint64 integerAt(qsizetype row, int column) const;
    // Days since 17.11.1858 (the database's own date count); 0 for null.
    int dayNumberAt(qsizetype row, int column) const;
    QString textAt(qsizetype row, int column) const;
    // Increases on every opening, so callers can tell a fresh content.
    quint64 generation() const { return m_generation; }
    // The connection's count of change notifications when the rows were
    // last read (ChangeEvents::sequence()).
    quint64 changesAtOpen() const { return m_changesAtOpen; }
    // Rows the last execute() changed.
    quint64 affectedRows() const { return m_affected; }

    static int dayNumber(const QDate& date);
    static QDate dateOfDayNumber(int days);

signals:
    // Opened, closed or moved.
    void changed();

private:
    struct Column;
    struct Columns;

    void reselect();
    const char* row(qsizetype index) const;
    int reachableColumn(const QString& field) const;
    [[noreturn]] void notFound(const QString& field) const;
    QString columnText(qsizetype row, int column) const;

    QString m_name;
    Transaction& m_transaction;
    Kind m_kind;
    QStringList m_sql;
    QString m_table;
    QString m_orderBy;
    QString m_filter;
    bool m_filtered = false;
    QList<FieldDef> m_fields;

    bool m_open = false;
    std::unique_ptr<Columns> m_columns;
    // Reachable field name (upper case) -> result column.
    std::vector<std::pair<QString, int>> m_reachable;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    unsigned m_rowLength = 0;
    size_t m_rowCount = 0;
    qsizetype m_current = -1;
    quint64 m_generation = 0;
    quint64 m_changesAtOpen = 0;
    quint64 m_affected = 0;
};

} // namespace data
