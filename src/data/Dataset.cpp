#include "data/Dataset.h"

#include "data/ChangeEvents.h"
#include "data/Connection.h"
#include "data/Transaction.h"
#include "data/Win1251.h"
#include "data/fb/FbLibrary.h"
#include "data/fb/Handle.h"
#include "platform/AppError.h"
#include "platform/Regional.h"

#include <cstring>

using namespace Firebird;

namespace data {

namespace {

constexpr size_t kRowsPerChunk = 512;
// 17.11.1858, day 0 of the database's date count.
constexpr qint64 kJulianDayOfZero = 2400001;

qint64 pow10(int n)
{
    qint64 v = 1;
    while (n-- > 0)
        v *= 10;
    return v;
}

// A scaled integer as text: no trailing zeros in the fraction, the regional
// decimal separator (4500.00 -> "4500", 849.15 -> "849,15").
QString scaledText(qint64 value, int scale)
{
    if (scale >= 0)
        return QString::number(value * pow10(scale));
    const qint64 divisor = pow10(-scale);
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    const quint64 whole = magnitude / quint64(divisor);
    quint64 fraction = magnitude % quint64(divisor);
    QString text = QString::number(whole);
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(-scale, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += platform::decimalSeparator() + digits;
    }
    if (negative && (whole != 0 || fraction != 0))
        text.prepend(QLatin1Char('-'));
    return text;
}

QString doubleText(double v)
{
    QString text = QString::number(v, 'g', 15);
    text.replace(QLatin1Char('.'), platform::decimalSeparator());
    return text;
}

} // namespace

struct Dataset::Column {
    QString name;
    unsigned type = 0;
    unsigned length = 0;
    int scale = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

struct Dataset::Columns {
    std::vector<Column> list;
};

Dataset::Dataset(QString name, Transaction& transaction, QStringList sql, QList<FieldDef> fields)
    : m_name(std::move(name)), m_transaction(transaction), m_kind(Kind::Query), m_sql(std::move(sql)),
      m_fields(std::move(fields))
{
    m_transaction.addDataset(this);
}

Dataset::Dataset(QString name, Transaction& transaction, QString table, QString orderBy, QList<FieldDef> fields)
    : m_name(std::move(name)), m_transaction(transaction), m_kind(Kind::Table), m_table(std::move(table)),
      m_orderBy(std::move(orderBy)), m_fields(std::move(fields))
{
    m_transaction.addDataset(this);
}

Dataset::~Dataset() = default;

QString Dataset::statementText() const
{
    if (m_kind == Kind::Table) {
        QString text = QStringLiteral("select * from ") + m_table;
        if (m_filtered && !m_filter.isEmpty())
            text += QStringLiteral(" where ") + m_filter;
        if (!m_orderBy.isEmpty())
            text += QStringLiteral(" order by ") + m_orderBy;
        return text;
    }
    QString text;
    for (const QString& line : m_sql)
        text += line + QLatin1String("\r\n");
    return text;
}

void Dataset::setSql(const QStringList& lines)
{
    close();
    m_sql = lines;
}

void Dataset::open()
{
    if (m_open)
        return;
    Connection& connection = m_transaction.connection();
    if (!connection.isOpen())
        connection.open();
    const QString text = statementText();
    if (text.trimmed().isEmpty())
        throw platform::AppError(QStringLiteral("%1: SQL statement is empty").arg(m_name));
    const QByteArray sql = toWin1251(text);
    m_transaction.startAutomatically();
    // Taken before the rows: a change notified during the fetch counts as unseen.
    const quint64 changesAtOpen = connection.changes().sequence();

    auto columns = std::make_unique<Columns>();
    std::vector<std::unique_ptr<char[]>> chunks;
    size_t rowCount = 0;
    unsigned rowLength = 0;

    fb::Status status;
    try {
        ITransaction* transaction = m_transaction.handle().get();
        fb::Handle<IStatement> statement(connection.attachment()->prepare(
            &status, transaction, unsigned(sql.size()), sql.constData(), 3, IStatement::PREPARE_PREFETCH_METADATA));
        if (statement->getType(&status) != isc_info_sql_stmt_select &&
            statement->getType(&status) != isc_info_sql_stmt_select_for_upd) {
            statement->free(&status);
            statement.disown();
            throw platform::AppError(QStringLiteral("%1: the statement is not a select").arg(m_name));
        }
        fb::Handle<IMessageMetadata> meta(statement->getOutputMetadata(&status));
        const unsigned count = meta->getCount(&status);
        for (unsigned i = 0; i < count; ++i) {
            Column c;
            c.name = fromWin1251(QByteArray(meta->getAlias(&status, i))).toUpper();
            c.type = meta->getType(&status, i) & ~1u;
            c.length = meta->getLength(&status, i);
            c.scale = meta->getScale(&status, i);
            c.offset = meta->getOffset(&status, i);
            c.nullOffset = meta->getNullOffset(&status, i);
            columns->list.push_back(std::move(c));
        }
        rowLength = meta->getMessageLength(&status);

        // Reachable fields: the fixed set, or every column of the result.
        m_reachable.clear();
        auto firstColumn = [&](const QString& upper) {
            for (size_t i = 0; i < columns->list.size(); ++i)
                if (columns->list[i].name == upper)
                    return int(i);
            return -1;
        };
        if (m_fields.isEmpty()) {
            for (size_t i = 0; i < columns->list.size(); ++i)
                if (firstColumn(columns->list[i].name) == int(i))
                    m_reachable.emplace_back(columns->list[i].name, int(i));
        } else {
            for (const FieldDef& f : m_fields) {
                const QString upper = f.name.toUpper();
                const int index = firstColumn(upper);
                if (index < 0)
                    throw platform::AppError(QStringLiteral("Field '%1' not found").arg(f.name));
                m_reachable.emplace_back(upper, index);
            }
        }

        fb::Handle<IResultSet> cursor(statement->openCursor(&status, transaction, nullptr, nullptr, meta.get(), 0));
        // Rows are fetched straight into their place.
        size_t inChunk = kRowsPerChunk;
        for (;;) {
            if (inChunk == kRowsPerChunk) {
                chunks.emplace_back(new char[size_t(rowLength) * kRowsPerChunk]);
                inChunk = 0;
            }
            if (cursor->fetchNext(&status, chunks.back().get() + size_t(rowLength) * inChunk) != IStatus::RESULT_OK)
                break;
            ++inChunk;
            ++rowCount;
        }
        cursor->close(&status);
        cursor.disown();
        meta.reset();
        statement->free(&status);
        statement.disown();
    } catch (...) {
        // The handles have let go of what the library still held.
        m_reachable.clear();
        fb::rethrowCurrent();
    }

    m_columns = std::move(columns);
    m_chunks = std::move(chunks);
    m_rowCount = rowCount;
    m_rowLength = rowLength;
    m_current = rowCount > 0 ? 0 : -1;
    m_open = true;
    ++m_generation;
    m_changesAtOpen = changesAtOpen;
    emit changed();
}

void Dataset::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_rowCount = 0;
    m_current = -1;
    emit changed();
    m_transaction.datasetClosed();
}

void Dataset::reselect()
{
    if (!m_open)
        return;
    close();
    open();
}

void Dataset::setFilter(const QString& condition)
{
    if (m_filter == condition)
        return;
    m_filter = condition;
    if (m_filtered)
        reselect();
}

void Dataset::setFiltered(bool on)
{
    if (m_filtered == on)
        return;
    m_filtered = on;
    reselect();
}

void Dataset::cancel()
{
    emit changed();
}

void Dataset::moveTo(int recNo)
{
    if (!m_open || m_rowCount == 0)
        return;
    qsizetype index = recNo - 1;
    if (index < 0)
        index = 0;
    if (index >= qsizetype(m_rowCount))
        index = qsizetype(m_rowCount) - 1;
    if (index == m_current)
        return;
    m_current = index;
    emit changed();
}

void Dataset::execute()
{
    if (m_open)
        throw platform::AppError(QStringLiteral("%1: the query is open").arg(m_name));
    if (m_sql.isEmpty())
        throw platform::AppError(QStringLiteral("%1: SQL statement is empty").arg(m_name));
    Connection& connection = m_transaction.connection();
    connection.checkOpen();
    if (!m_transaction.active())
        throw platform::AppError(QStringLiteral("%1: Transaction is not active").arg(m_transaction.name()));
    const QByteArray sql = toWin1251(statementText());
    fb::Status status;
    try {
        ITransaction* transaction = m_transaction.handle().get();
        fb::Handle<IStatement> statement(
            connection.attachment()->prepare(&status, transaction, unsigned(sql.size()), sql.constData(), 3, 0));
        m_affected = 0;
        statement->execute(&status, transaction, nullptr, nullptr, nullptr, nullptr);
        m_affected = statement->getAffectedRecords(&status);
        statement->free(&status);
        statement.disown();
    } catch (const FbException& e) {
        fb::rethrow(e);
    }
}

const char* Dataset::row(qsizetype index) const
{
    return m_chunks[size_t(index) / kRowsPerChunk].get() + size_t(m_rowLength) * (size_t(index) % kRowsPerChunk);
}

int Dataset::fieldIndex(const QString& field) const
{
    if (!m_open)
        return -1;
    for (const auto& [name, index] : m_reachable)
        if (name.compare(field, Qt::CaseInsensitive) == 0)
            return index;
    return -1;
}

void Dataset::notFound(const QString& field) const
{
    throw platform::AppError(QStringLiteral("%1: Field '%2' not found").arg(m_name, field));
}

// -1 for a field of the fixed set on a dataset without a current row (reads as null).
int Dataset::reachableColumn(const QString& field) const
{
    if (m_open) {
        const int index = fieldIndex(field);
        if (index < 0)
            notFound(field);
        return hasCurrent() ? index : -1;
    }
    for (const FieldDef& f : m_fields)
        if (f.name.compare(field, Qt::CaseInsensitive) == 0)
            return -1;
    notFound(field);
}

int Dataset::columnCount() const
{
    return m_open && m_columns ? int(m_columns->list.size()) : 0;
}

bool Dataset::nullAt(qsizetype r, int column) const
{
    const Column& c = m_columns->list[size_t(column)];
    const char* data = row(r);
    qint16 indicator;
    std::memcpy(&indicator, data + c.nullOffset, sizeof indicator);
    return indicator != 0;
}

qint64 Dataset::integerAt(qsizetype r, int column) const
{
    if (nullAt(r, column))
        return 0;
    const Column& c = m_columns->list[size_t(column)];
    const char* p = row(r) + c.offset;
    qint64 value = 0;
    switch (c.type) {
    case SQL_SHORT: { qint16 v; std::memcpy(&v, p, 2); value = v; break; }
    case SQL_LONG: { qint32 v; std::memcpy(&v, p, 4); value = v; break; }
    case SQL_INT64: { qint64 v; std::memcpy(&v, p, 8); value = v; break; }
    case SQL_TYPE_DATE: { qint32 v; std::memcpy(&v, p, 4); return v; }
    case SQL_DOUBLE: { double v; std::memcpy(&v, p, 8); return qint64(v); }
    case SQL_FLOAT: { float v; std::memcpy(&v, p, 4); return qint64(v); }
    default: {
        bool ok = false;
        const qint64 v = columnText(r, column).trimmed().toLongLong(&ok);
        if (!ok)
            throw platform::AppError(QStringLiteral("'%1' is not a valid integer value").arg(columnText(r, column)));
        return v;
    }
    }
    if (c.scale < 0)
        value /= pow10(-c.scale);
    else if (c.scale > 0)
        value *= pow10(c.scale);
    return value;
}

int Dataset::dayNumberAt(qsizetype r, int column) const
{
    if (nullAt(r, column))
        return 0;
    const Column& c = m_columns->list[size_t(column)];
    const char* p = row(r) + c.offset;
    qint32 v = 0;
    if (c.type == SQL_TYPE_DATE || c.type == SQL_TIMESTAMP) // a timestamp starts with its date
        std::memcpy(&v, p, 4);
    else
        throw platform::AppError(QStringLiteral("%1: Field '%2' is not a date").arg(m_name, c.name));
    return v;
}

QString Dataset::columnText(qsizetype r, int column) const
{
    const Column& c = m_columns->list[size_t(column)];
    const char* p = row(r) + c.offset;
    switch (c.type) {
    case SQL_VARYING: {
        quint16 length;
        std::memcpy(&length, p, 2);
        return fromWin1251(p + 2, qMin<qsizetype>(length, c.length));
    }
    case SQL_TEXT: {
        qsizetype length = c.length;
        while (length > 0 && p[length - 1] == ' ')
            --length;
        return fromWin1251(p, length);
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        qint64 v = 0;
        if (c.type == SQL_SHORT) { qint16 s; std::memcpy(&s, p, 2); v = s; }
        else if (c.type == SQL_LONG) { qint32 s; std::memcpy(&s, p, 4); v = s; }
        else std::memcpy(&v, p, 8);
        return scaledText(v, c.scale);
    }
    case SQL_DOUBLE: { double v; std::memcpy(&v, p, 8); return doubleText(v); }
    case SQL_FLOAT: { float v; std::memcpy(&v, p, 4); return doubleText(v); }
    case SQL_TYPE_DATE: {
        qint32 v;
        std::memcpy(&v, p, 4);
        return platform::dateToText(dateOfDayNumber(v));
    }
    case SQL_TIMESTAMP: {
        qint32 d;
        quint32 t;
        std::memcpy(&d, p, 4);
        std::memcpy(&t, p + 4, 4);
        QString text = platform::dateToText(dateOfDayNumber(d));
        if (t != 0)
            text += QLatin1Char(' ') + QTime::fromMSecsSinceStartOfDay(int(t / 10)).toString(QStringLiteral("hh:mm:ss"));
        return text;
    }
    case SQL_BOOLEAN:
        return *p ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return QString();
    }
}

QString Dataset::textAt(qsizetype r, int column) const
{
    if (nullAt(r, column))
        return QString();
    return columnText(r, column);
}

QString Dataset::text(const QString& field) const
{
    const int column = reachableColumn(field);
    return column < 0 ? QString() : textAt(m_current, column);
}

qint64 Dataset::asInteger(const QString& field) const
{
    const int column = reachableColumn(field);
    return column < 0 ? 0 : integerAt(m_current, column);
}

QDate Dataset::asDate(const QString& field) const
{
    const int column = reachableColumn(field);
    if (column < 0 || nullAt(m_current, column))
        return QDate(1899, 12, 30); // the zero date of the date type
    return dateOfDayNumber(dayNumberAt(m_current, column));
}

bool Dataset::isNull(const QString& field) const
{
    const int column = reachableColumn(field);
    return column < 0 || nullAt(m_current, column);
}

int Dataset::dayNumber(const QDate& date)
{
    return int(date.toJulianDay() - kJulianDayOfZero);
}

QDate Dataset::dateOfDayNumber(int days)
{
    return QDate::fromJulianDay(days + kJulianDayOfZero);
}

} // namespace data
