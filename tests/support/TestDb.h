#pragma once

#include "data/UnDM.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A fresh copy of the template database for one test, and a way to look at it
// from outside the program's own data module.
class TestDb {
public:
    enum class Where { Embedded, Server };

    explicit TestDb(Where where = Where::Embedded);
    // A database that exists already (a hotel's, set up by its scripts),
    // reached as the given user; nothing is copied and nothing removed.
    TestDb(const QString& path, const QString& user, const QString& password);
    ~TestDb();

    bool ok() const { return !m_path.isEmpty(); }
    // What conf.ini's Path would hold: a file, or localhost:file on the server.
    const QString& path() const { return m_path; }
    const QString& file() const { return m_file; }

    // Run statements in their own attachment and commit.
    void exec(const QString& statement) const;
    void exec(const QStringList& statements) const;
    // Rows of a select, each as its columns' texts joined by '|'.
    QStringList rows(const QString& select) const;
    // The first column of the first row, or empty.
    QString value(const QString& select) const;

    // A data module on this database, installed as data::DM (and removed again
    // in the destructor). The connection is opened when open is true.
    data::TDM& installDM(bool open = true);

    // Whether the loopback server is available (scripts/test starts it).
    static bool serverAvailable();

private:
    QTemporaryDir m_dir;
    QString m_file;
    QString m_path;
    QString m_user;
    QString m_password;
    std::unique_ptr<data::TDM> m_dm;
};
