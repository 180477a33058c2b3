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

    // The display datasets keep the rows they fetched until they are opened
    // again; the opening reads the other desk's latest commit.
    void displayReadsLatestCommitWhenReopened()
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
        desk1.qAll.close();
        desk1.qAll.open();
        QCOMPARE(desk1.qAll.recordCount(), 0); // not committed yet
        desk2.tr1.commit();
        QCOMPARE(desk1.qAll.recordCount(), 0); // the rows fetched stay
        desk1.qAll.close();
        desk1.qAll.open();
        QCOMPARE(desk1.qAll.recordCount(), 1);
    }

    // A desk that sits idle with its display datasets open holds back neither
    // the oldest active transaction nor, with it, garbage collection; a
    // booking open in the editor (Tran1) still does.
    void idleDeskHoldsNoOldTransaction_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<bool>("holdsBack");
        QTest::newRow("board, rooms, managers, accounts") << "display" << false;
        QTest::newRow("booking open in the editor") << "Quk" << true;
    }
    void idleDeskHoldsNoOldTransaction()
    {
        QFETCH(QString, held);
        QFETCH(bool, holdsBack);
        constexpr int kUpdates = 200;
        TestDb db(TestDb::Where::Server);
        db.exec("insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, OTV_ID) "
                "values (1, 'C', '1', 1, 0, 0, 2, '01.12.2026', '03.12.2026', 2)");
        TDM desk1;
        desk1.DB.setDatabaseName(db.path());
        desk1.DB.open();
        if (held == "display") {
            for (data::Dataset* d : {&desk1.qAll, &desk1.tabZals, &desk1.tabOtv, &desk1.tabIm})
                d->open();
            QVERIFY(desk1.tAll.active() && desk1.tZals.active() && desk1.tOtv.active() && desk1.tIm.active());
        } else {
            desk1.Quk.setSql({"select * from RES inner join OTV on OTV.ID=RES.OTV_ID",
                              "where Date1='01.12.2026' and ZALS_ID=2"});
            desk1.Quk.open();
        }

        // Another attachment, as a program without these tables' locks would be.
        data::Connection other;
        other.setDatabaseName(db.path());
        other.open();
        data::Transaction t(other, "t", {});
        data::Dataset q("q", t, QStringList(), {});
        for (int i = 0; i < kUpdates; ++i) {
            t.begin();
            q.setSql({QStringLiteral("update ZALS set NAME='%1' where ID=1").arg(i % 10)});
            q.execute();
            t.commit();
        }
        const int lag = db.value("select MON$NEXT_TRANSACTION - MON$OLDEST_ACTIVE from MON$DATABASE").toInt();
        qInfo("next transaction minus oldest active after %d updates: %d", kUpdates, lag);
        if (holdsBack)
            QVERIFY2(lag >= kUpdates, qPrintable(QString::number(lag)));
        else
            QVERIFY2(lag <= 10, qPrintable(QString::number(lag)));
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
