#include "BoardFixture.h"

#include "board/Main.h"
#include "data/ChangeEvents.h"
#include "data/UnDM.h"
#include "booking/Unit4.h"
#include "platform/AppError.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"

#include <QMenu>
#include <QTest>

// A desk of a hotel set up by scripts/setup-server: the database through its
// alias, signed in as the desks' restricted user that conf.ini names. Run by
// scripts/test-admin, which gives the three values in HOTEL_DESK_PATH,
// HOTEL_DESK_USER and HOTEL_DESK_PASSWORD.
namespace {

// Far from the demo bookings around the day the database was made.
const QDate kToday(2031, 3, 10);

BoardFixture::Options deskOptions()
{
    BoardFixture::Options o;
    o.path = qEnvironmentVariable("HOTEL_DESK_PATH");
    o.user = qEnvironmentVariable("HOTEL_DESK_USER");
    o.userPassword = qEnvironmentVariable("HOTEL_DESK_PASSWORD");
    o.login = QStringLiteral("petrov");
    o.password = QStringLiteral("2222");
    return o;
}

} // namespace

class DeskAsUserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const BoardFixture::Options o = deskOptions();
        if (o.path.isEmpty() || o.user.isEmpty() || o.userPassword.isEmpty())
            QFAIL("HOTEL_DESK_PATH, HOTEL_DESK_USER and HOTEL_DESK_PASSWORD are not set (scripts/test-admin sets them)");
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setTodayForTests(kToday);
    }

    // Sign-in, a new booking saved from the editor, changed, then deleted from
    // the board's menu: every step read back from the database.
    void bookingWalk()
    {
        BoardFixture f(deskOptions());
        const QString before = f.db().value("select count(*) from RES");
        QVERIFY(!before.isEmpty());
        QVERIFY(f.start());
        MODAL_VERIFY();
        QCOMPARE(f.dialogs().count(), 0);
        TForm1* b = f.board();
        QVERIFY(b->N5->isEnabled()); // petrov has editing rights
        auto* g = b->StringGrid1;
        const QString where = "ZALS_ID=6 and DATE1='10.03.2031'";
        QCOMPARE(f.db().value("select count(*) from RES where " + where), QString("0"));

        Modal::whenModalNamed("Form4", [&](QWidget* w) {
            Modal::typeInto(w, "Edit1", "Смирнов Олег");
            Modal::typeInto(w, "Edit3", "8-900-123-45-67");
            auto* e = static_cast<TForm4*>(w);
            e->Edit4->setDate(kToday.addDays(2));
            e->Edit7->setCurrentIndex(1); // the second manager, OTV_ID 3
            Modal::clickButton(w, "Button2");
            w->close();
        });
        BoardFixture::doubleClick(b, 62, 6);
        MODAL_VERIFY();
        QVERIFY2(f.dialogs().count() == 0, qPrintable(f.dialogs().last().text));
        QCOMPARE(f.db().rows("select CLIENT, TEL, DATE2, OTV_ID from RES where " + where),
                 QStringList{"Смирнов Олег|8-900-123-45-67|12.03.2031|3"});
        QCOMPARE(b->Edit1->text(), QString("Смирнов Олег"));

        Modal::whenModalNamed("Form4", [&](QWidget* w) {
            if (NewBooking)
                Modal::fail("the booking opened as a new one");
            Modal::typeInto(w, "Edit3", "8-900-765-43-21");
            Modal::clickButton(w, "Button2");
            w->close();
        });
        BoardFixture::doubleClick(b, 62, 6);
        MODAL_VERIFY();
        QVERIFY2(f.dialogs().count() == 0, qPrintable(f.dialogs().last().text));
        QCOMPARE(f.db().rows("select TEL from RES where " + where), QStringList{"8-900-765-43-21"});

        f.dialogs().answerNext(platform::Yes);
        b->N5->trigger();
        QCOMPARE(f.dialogs().count(), 1); // the confirmation only
        QCOMPARE(f.db().value("select count(*) from RES where " + where), QString("0"));
        QCOMPARE(f.db().value("select count(*) from RES"), before);
    }

    // What the staff window writes, through the same user: a new account
    // numbered by its generator, changed and deleted.
    void accountWrites()
    {
        TestDb db(qEnvironmentVariable("HOTEL_DESK_PATH"), qEnvironmentVariable("HOTEL_DESK_USER"),
                  qEnvironmentVariable("HOTEL_DESK_PASSWORD"));
        db.exec("insert into OTV (ID, NAME, DOLJN, LOGIN, PWD) values (GEN_ID(GEN_OTV_ID,1), 'Новый', 'Стажёр', "
                "'novyi', '1')");
        QCOMPARE(db.rows("select GR from OTV where LOGIN='novyi'"), QStringList{"VIEW"});
        db.exec("update OTV set DOLJN='Менеджер' where LOGIN='novyi'");
        QCOMPARE(db.value("select DOLJN from OTV where LOGIN='novyi'"), QString("Менеджер"));
        db.exec("delete from OTV where LOGIN='novyi'");
        QCOMPARE(db.value("select count(*) from OTV where LOGIN='novyi'"), QString("0"));
    }

    // Another desk's change reaches this one through the server's events
    // port, with the triggers running for the restricted user.
    void changeEventsReachTheDesk()
    {
        const BoardFixture::Options o = deskOptions();
        data::TDM desk;
        desk.DB.setDatabaseName(o.path);
        desk.DB.setLogin(o.user, o.userPassword);
        desk.DB.open();
        data::ChangeEvents& events = desk.DB.changes();
        QVERIFY(events.triggersPresent());
        QTRY_VERIFY_WITH_TIMEOUT(events.alive(), 5000);
        const quint64 before = events.sequence();
        TestDb other(o.path, o.user, o.userPassword);
        other.exec("update OTV set DOLJN=DOLJN where ID=2");
        QTRY_VERIFY_WITH_TIMEOUT(events.sequence() > before, 2000);
        desk.DB.close();
    }

    // Anything beyond that is the server's to refuse.
    void refusedBeyondTheProgram_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("drop table") << "drop table RES";
        QTest::newRow("create table") << "create table NOTES (ID integer)";
        QTest::newRow("alter table") << "alter table OTV add NOTE varchar(10)";
        QTest::newRow("renumber a room") << "update ZALS set ID=99 where ID=1";
        QTest::newRow("add a room") << "insert into ZALS (ID, NAME) values (99, 'X')";
        QTest::newRow("remove a room") << "delete from ZALS where ID=12";
        QTest::newRow("set a generator") << "set generator GEN_RES_ID to 0";
        QTest::newRow("make a user") << "create user INTRUDER password 'intruder1'";
    }
    void refusedBeyondTheProgram()
    {
        QFETCH(QString, statement);
        TestDb db(qEnvironmentVariable("HOTEL_DESK_PATH"), qEnvironmentVariable("HOTEL_DESK_USER"),
                  qEnvironmentVariable("HOTEL_DESK_PASSWORD"));
        try {
            db.exec(statement);
            QFAIL("the server let it through");
        } catch (const platform::AppError& e) {
            QVERIFY2(e.message().contains("no permission") || e.message().contains("unsuccessful metadata update"),
                     qPrintable(e.message()));
        }
        QCOMPARE(db.value("select count(*) from ZALS where ID=99 or NAME='X'"), QString("0"));
        QCOMPARE(db.value("select count(*) from ZALS"), QString("12"));
    }
};

QTEST_MAIN(DeskAsUserTest)
#include "DeskAsUserTest.moc"
