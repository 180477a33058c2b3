#include "TestDb.h"

#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/Transaction.h"
#include "platform/AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

QString serverDir()
{
    const QString dir = qEnvironmentVariable("HOTEL_TEST_SERVER_DIR");
    return dir.isEmpty() ? QStringLiteral("/tmp/hotel-test-server") : dir;
}

} // namespace

bool TestDb::serverAvailable()
{
    return !qEnvironmentVariable("HOTEL_TEST_SERVER").isEmpty();
}

TestDb::TestDb(Where where)
    : m_dir(where == Where::Server ? serverDir() + QStringLiteral("/db-XXXXXX") : QDir::tempPath() + QStringLiteral("/hoteltest-XXXXXX"))
{
    if (where == Where::Server)
        QDir().mkpath(serverDir());
    if (!m_dir.isValid()) {
        qWarning("cannot make a folder for the test database");
        return;
    }
    m_file = m_dir.filePath(QStringLiteral("test.fdb"));
    if (!QFile::copy(QStringLiteral(HOTEL_TEMPLATE_DB), m_file)) {
        qWarning("cannot copy the template database %s", HOTEL_TEMPLATE_DB);
        m_file.clear();
        return;
    }
    // The server runs as its own user: let it at the folder and the file.
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
    QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                      QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther);
    if (where == Where::Server) {
        const QString host = qEnvironmentVariable("HOTEL_TEST_SERVER");
        m_path = (host.isEmpty() ? QStringLiteral("localhost") : host) + QLatin1Char(':') + m_file;
    } else {
        m_path = m_file;
    }
}

TestDb::TestDb(const QString& path, const QString& user, const QString& password)
    : m_path(path), m_user(user), m_password(password)
{
}

TestDb::~TestDb()
{
    if (m_dm) {
        if (data::DM == m_dm.get())
            data::DM = nullptr;
        m_dm.reset();
    }
}

void TestDb::exec(const QString& statement) const
{
    exec(QStringList{statement});
}

void TestDb::exec(const QStringList& statements) const
{
    data::Connection db;
    db.setDatabaseName(m_path);
    if (!m_user.isEmpty())
        db.setLogin(m_user, m_password);
    db.open();
    data::Transaction tr(db, QStringLiteral("test"), {});
    data::Dataset q(QStringLiteral("testExec"), tr, QStringList(), {});
    tr.begin();
    for (const QString& s : statements) {
        q.setSql({s});
        q.execute();
    }
    tr.commit();
    db.close();
}

QStringList TestDb::rows(const QString& select) const
{
    data::Connection db;
    db.setDatabaseName(m_path);
    if (!m_user.isEmpty())
        db.setLogin(m_user, m_password);
    db.open();
    data::Transaction tr(db, QStringLiteral("test"), {});
    data::Dataset q(QStringLiteral("testQuery"), tr, {select}, {});
    q.open();
    QStringList out;
    QStringList names;
    for (qsizetype r = 0; r < q.rowCount(); ++r) {
        QStringList cols;
        for (int c = 0;; ++c) {
            // every column of the result is reachable; walk them by index
            if (c >= q.columnCount())
                break;
            cols << q.textAt(r, c);
        }
        out << cols.join(QLatin1Char('|'));
    }
    q.close();
    tr.commit();
    db.close();
    return out;
}

QString TestDb::value(const QString& select) const
{
    const QStringList r = rows(select);
    return r.isEmpty() ? QString() : r.first().section(QLatin1Char('|'), 0, 0);
}

data::TDM& TestDb::installDM(bool open)
{
    m_dm = std::make_unique<data::TDM>();
    m_dm->DB.setDatabaseName(m_path);
    if (!m_user.isEmpty())
        m_dm->DB.setLogin(m_user, m_password);
    if (open)
        m_dm->DB.open();
    data::DM = m_dm.get();
    return *m_dm;
}
