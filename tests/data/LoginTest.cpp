#include "TestDb.h"

#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/Transaction.h"
#include "platform/AppError.h"

#include <QCoreApplication>
#include <QTest>

// The database user named in conf.ini replaces the fixed administrator's
// login; a wrong one fails with the server's own message.
class LoginTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    QString m_user;

    // A connection and what asks it whom it signed in as; the transaction
    // stays registered with the connection, so both live together.
    struct Desk {
        data::Connection db;
        data::Transaction tr{db, QStringLiteral("test"), {}};
        data::Dataset q{QStringLiteral("who"), tr, {QStringLiteral("select CURRENT_USER from RDB$DATABASE")}, {}};

        QString currentUser()
        {
            q.open();
            const QString who = q.textAt(0, 0);
            q.close();
            tr.commit();
            return who;
        }
    };

private slots:
    void initTestCase()
    {
        if (!TestDb::serverAvailable())
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
        m_db = std::make_unique<TestDb>(TestDb::Where::Server);
        QVERIFY(m_db->ok());
        // Several runs may share the server's security database.
        m_user = QStringLiteral("HOTEL_LOGIN_%1").arg(QCoreApplication::applicationPid());
        m_db->exec({QStringLiteral("create or alter user %1 password 'desk-pw1'").arg(m_user),
                    QStringLiteral("grant select on ZALS to user %1").arg(m_user)});
    }

    void cleanupTestCase()
    {
        if (m_db && !m_user.isEmpty())
            m_db->exec(QStringLiteral("drop user %1").arg(m_user));
    }

    void signsInAs_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected"); // CURRENT_USER, or "refused"
        QTest::newRow("fixed login") << QString() << QString() << "SYSDBA";
        QTest::newRow("administrator named") << "sysdba" << "hotelpass" << "SYSDBA";
        QTest::newRow("desk user") << "$desk" << "desk-pw1" << "$desk";
        QTest::newRow("desk user in lower case") << "$desk-lower" << "desk-pw1" << "$desk";
        QTest::newRow("wrong password") << "$desk" << "desk-pw2" << "refused";
        QTest::newRow("password of another case") << "$desk" << "DESK-PW1" << "refused";
        QTest::newRow("unknown user") << "NOBODY_HERE" << "desk-pw1" << "refused";
    }
    void signsInAs()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        user.replace("$desk-lower", m_user.toLower()).replace("$desk", m_user);
        expected.replace("$desk", m_user);

        Desk desk;
        data::Connection& db = desk.db;
        db.setDatabaseName(m_db->path());
        if (!user.isNull())
            db.setLogin(user, password);
        if (expected == "refused") {
            try {
                db.open();
                QFAIL("the server let the login in");
            } catch (const platform::AppError& e) {
                QVERIFY2(e.message().contains("Your user name and password are not defined"), qPrintable(e.message()));
            }
            QVERIFY(!db.isOpen());
            return;
        }
        db.open();
        QCOMPARE(desk.currentUser(), expected);
        db.close();
    }

    void loginIsFixedWhileOpen()
    {
        Desk desk;
        data::Connection& db = desk.db;
        db.setDatabaseName(m_db->path());
        db.open();
        QVERIFY_THROWS_EXCEPTION(platform::AppError, db.setLogin(m_user, "desk-pw1"));
        QCOMPARE(desk.currentUser(), QString("SYSDBA"));
        db.close();
        db.setLogin(m_user, "desk-pw1");
        db.open();
        QCOMPARE(desk.currentUser(), m_user);
    }
};

QTEST_GUILESS_MAIN(LoginTest)
#include "LoginTest.moc"
