#include "TestDb.h"

#include "data/ChangeEvents.h"
#include "data/UnDM.h"
#include "data/WriteStatement.h"

#include <QSignalSpy>
#include <QTest>

using data::ChangeEvents;
using data::TDM;

namespace {

const QString kInsert = QStringLiteral(
    "insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, OTV_ID) "
    "values (%1, 'Гость', '1', 1, 0, 0, 2, '01.12.2026', '03.12.2026', 2)");

bool skipServer(TestDb::Where where)
{
    return where == TestDb::Where::Server && !TestDb::serverAvailable();
}

void addWhere()
{
    QTest::addColumn<TestDb::Where>("where");
}

} // namespace

Q_DECLARE_METATYPE(TestDb::Where)

// The database's change events as one desk receives them, on the embedded
// engine and through the loopback server.
class ChangeEventsTest : public QObject {
    Q_OBJECT
private slots:
    // Each committed change of bookings or accounts by another attachment is
    // counted; a statement that changes no row and a rolled back change are not.
    void countsCommittedChanges_data()
    {
        addWhere();
        QTest::newRow("embedded") << TestDb::Where::Embedded;
        QTest::newRow("server") << TestDb::Where::Server;
    }
    void countsCommittedChanges()
    {
        QFETCH(TestDb::Where, where);
        if (skipServer(where))
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
        TestDb db(where);
        QVERIFY(db.ok());
        TDM desk;
        desk.DB.setDatabaseName(db.path());
        desk.DB.open();
        ChangeEvents& events = desk.DB.changes();
        QVERIFY(events.triggersPresent());
        QTRY_VERIFY_WITH_TIMEOUT(events.alive(), 2000);
        QCOMPARE(events.sequence(), quint64(0)); // the first delivery only tells the counts
        QSignalSpy spy(&events, &ChangeEvents::changed);

        struct Step {
            QStringList statements;
            bool counted;
        };
        const QList<Step> steps = {
            {{kInsert.arg(1)}, true},
            {{"update RES set TEL='2' where ID=1"}, true},
            {{"update RES set TEL='3' where ID=999"}, false}, // no row: the trigger never runs
            {{"update OTV set DOLJN='Кассир' where ID=3"}, true},
            {{"delete from RES where ID=1"}, true},
            {{kInsert.arg(2), kInsert.arg(3), "update OTV set PWD='x' where ID=2"}, true}, // one commit
        };
        quint64 expected = 0;
        for (const Step& step : steps) {
            db.exec(step.statements);
            if (step.counted) {
                ++expected;
                QTRY_COMPARE_WITH_TIMEOUT(events.sequence(), expected, 1000);
            } else {
                QTest::qWait(300);
                QCOMPARE(events.sequence(), expected);
            }
        }
        // A burst is counted at least once and never more often than it committed.
        for (int i = 10; i < 20; ++i)
            db.exec(kInsert.arg(i));
        QTRY_VERIFY_WITH_TIMEOUT(events.sequence() > expected, 1000);
        QTest::qWait(300);
        QVERIFY(events.sequence() <= expected + 10);
        QCOMPARE(quint64(spy.count()), events.sequence());
        QVERIFY(events.alive());
    }

    // The desk's own write is counted before the write procedure returns, so
    // the re-read that follows it has seen it.
    void ownWriteCountedBeforeReturn_data()
    {
        addWhere();
        QTest::newRow("embedded") << TestDb::Where::Embedded;
        QTest::newRow("server") << TestDb::Where::Server;
    }
    void ownWriteCountedBeforeReturn()
    {
        QFETCH(TestDb::Where, where);
        if (skipServer(where))
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
        TestDb db(where);
        TDM& dm = db.installDM();
        ChangeEvents& events = dm.DB.changes();
        QTRY_VERIFY_WITH_TIMEOUT(events.alive(), 2000);
        data::RunWriteStatement({kInsert.arg(1)}, nullptr, {&dm.qAll});
        QCOMPARE(events.sequence(), quint64(1));
        QVERIFY(dm.qAll.isOpen());
        QCOMPARE(dm.qAll.changesAtOpen(), quint64(1));
        QCOMPARE(dm.qAll.recordCount(), 1);
    }

    // Without either trigger nothing can be learned from silence: the
    // subscription never comes alive.
    void notAliveWithoutTriggers_data()
    {
        addWhere();
        QTest::addColumn<QString>("drop");
        QTest::newRow("embedded, bookings") << TestDb::Where::Embedded << "drop trigger RES_POST_CHANGE";
        QTest::newRow("embedded, accounts") << TestDb::Where::Embedded << "drop trigger OTV_POST_CHANGE";
        QTest::newRow("server, inactive") << TestDb::Where::Server << "alter trigger RES_POST_CHANGE inactive";
    }
    void notAliveWithoutTriggers()
    {
        QFETCH(TestDb::Where, where);
        QFETCH(QString, drop);
        if (skipServer(where))
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
        TestDb db(where);
        db.exec(drop);
        TDM desk;
        desk.DB.setDatabaseName(db.path());
        desk.DB.open();
        QVERIFY(!desk.DB.changes().triggersPresent());
        QTest::qWait(300);
        QVERIFY(!desk.DB.changes().alive());
        desk.DB.close();
        QVERIFY(!desk.DB.changes().alive());
    }
};

QTEST_GUILESS_MAIN(ChangeEventsTest)
#include "ChangeEventsTest.moc"
