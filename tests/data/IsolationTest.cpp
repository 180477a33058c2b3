#include "TestDb.h"

#include "data/UnDM.h"
#include "data/WriteStatement.h"
#include "platform/AppError.h"

#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <thread>

using data::TDM;

// Two desks on the loopback server: what each transaction sees and who waits.
class IsolationTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        if (!TestDb::serverAvailable())
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
    }

    void displaySnapshotUntilRestart()
    {
        TestDb db(TestDb::Where::Server);
        QVERIFY(db.ok());
        TDM desk1;
        desk1.DB.setDatabaseName(db.path());
        desk1.DB.open();
        desk1.qAll.open();
        QCOMPARE(desk1.qAll.recordCount(), 0);

        TDM desk2;
        desk2.DB.setDatabaseName(db.path());
        desk2.DB.open();
        desk2.tr1.begin();
        desk2.IBQuery2.setSql({"insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, OTV_ID) "
                               "values (1, 'B', '1', 1, 0, 0, 2, '01.12.2026', '03.12.2026', 2)"});
        desk2.IBQuery2.execute();
        desk2.tr1.commit();

        desk1.qAll.close();
        desk1.qAll.open();
        QCOMPARE(desk1.qAll.recordCount(), 0);
        data::restartDataset(desk1.qAll);
        QCOMPARE(desk1.qAll.recordCount(), 1);
    }

    void writeWaitsForTableStability()
    {
        TestDb db(TestDb::Where::Server);
        db.exec("insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, OTV_ID) "
                "values (1, 'C', '1', 1, 0, 0, 2, '01.12.2026', '03.12.2026', 2)");
        TDM desk1;
        desk1.DB.setDatabaseName(db.path());
        desk1.DB.open();
        desk1.Quk.setSql({"select * from RES inner join OTV on OTV.ID=RES.OTV_ID",
                          "where Date1='01.12.2026' and ZALS_ID=2"});
        desk1.Quk.open();
        QVERIFY(desk1.Tran1.active());

        std::atomic<bool> done{false};
        QString failure;
        std::thread writer([&] {
            try {
                TDM desk2;
                desk2.DB.setDatabaseName(db.path());
                desk2.DB.open();
                desk2.tr1.begin();
                desk2.IBQuery2.setSql({"update RES set TEL='2' where ID=1"});
                desk2.IBQuery2.execute();
                desk2.tr1.commit();
            } catch (const platform::AppError& e) {
                failure = e.message();
            }
            done = true;
        });
        QTest::qWait(1500);
        const bool waited = !done;
        desk1.Quk.close(); // rolls Tran1 back
        QElapsedTimer t;
        t.start();
        while (!done && t.elapsed() < 20000)
            QTest::qWait(20);
        writer.join();
        QVERIFY2(waited, "the write went through while the other desk held the booking");
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(db.value("select TEL from RES where ID=1"), QString("2"));
    }
};

QTEST_GUILESS_MAIN(IsolationTest)
#include "IsolationTest.moc"
