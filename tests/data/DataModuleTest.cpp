#include "TestDb.h"

#include "data/UnDM.h"
#include "data/Win1251.h"
#include "data/WriteStatement.h"
#include "platform/AppError.h"
#include "platform/Regional.h"

#include <QTest>

using data::TDM;

namespace {

QString insertBooking(int id, const QString& client, int room, const QString& d1, const QString& d2, int otv,
                      const QString& oplata = "0")
{
    return QStringLiteral("insert into RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, "
                          "PRICE, SKIDKA, OPLATA, GARANTY, OTV_ID) values (%1, '%2', '555', null, 'Тур', 2, 0, 1, "
                          "%3, '%4', '%5', 5000, 10, %6, null, %7)")
        .arg(id).arg(client).arg(room).arg(d1, d2, oplata).arg(otv);
}

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const platform::AppError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class DataModuleTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia)); }

    void readsFieldsByNameAndType()
    {
        TestDb db;
        QVERIFY(db.ok());
        db.exec({insertBooking(1, "Иванов", 3, "14.11.2013", "16.11.2013", 2, "4500.00"),
                 insertBooking(2, "Petrov", 4, "30.11.2013", "02.12.2013", 3, "849.15")});
        TDM& dm = db.installDM();
        dm.qAll.open();
        QCOMPARE(dm.qAll.recordCount(), 2);
        QVERIFY(dm.tAll.active());
        QVERIFY(dm.tAll.startedAutomatically());

        dm.Quk.setSql({"select * from RES inner join OTV on OTV.ID=RES.OTV_ID", "where Date1='30.11.2013' and ZALS_ID=4"});
        dm.Quk.open();
        QCOMPARE(dm.Quk.recordCount(), 1);
        QCOMPARE(dm.Quk.text("Id"), QString("2"));           // RES.ID, not OTV.ID
        QCOMPARE(dm.Quk.asInteger("otv_id"), 3);
        QCOMPARE(dm.Quk.text("Date1"), QString("30.11.2013"));
        QCOMPARE(dm.Quk.asDate("DATE2"), QDate(2013, 12, 2));
        QCOMPARE(dm.Quk.text("PRICE"), QString("5000"));
        QCOMPARE(dm.Quk.text("SKIDKA"), QString("10"));
        QCOMPARE(dm.Quk.text("OPLATA"), QString("849,15"));
        QCOMPARE(dm.Quk.text("CORP"), QString());             // null reads empty
        QCOMPARE(dm.Quk.text("TURAG"), QString("Тур"));
        QVERIFY(!dm.Quk.text("name").isEmpty());              // OTV.NAME of the joined row
        QCOMPARE(errorOf([&] { dm.Quk.text("LOGIN"); }), QString("Quk: Field 'LOGIN' not found"));

        dm.Quk.setSql({"select * from RES inner join OTV on OTV.ID=RES.OTV_ID", "where Date1='14.11.2013' and ZALS_ID=3"});
        dm.Quk.open();
        QCOMPARE(dm.Quk.text("OPLATA"), QString("4500"));

        // Closed: the fixed field set reads as null.
        dm.Quk.close();
        QCOMPARE(dm.Quk.text("CLIENT"), QString());
        QCOMPARE(dm.Quk.asInteger("OTV_ID"), 0);
    }

    void movesAndCounts()
    {
        TestDb db;
        db.exec("delete from ZALS where ID > 10");
        TDM& dm = db.installDM();
        dm.tabZals.open();
        QCOMPARE(dm.tabZals.recordCount(), 10);
        dm.tabZals.moveTo(12);
        QCOMPARE(dm.tabZals.asInteger("ID"), 10);
        dm.tabZals.moveTo(0);
        QCOMPARE(dm.tabZals.asInteger("ID"), 1);
        dm.tabZals.moveTo(-5);
        QCOMPARE(dm.tabZals.asInteger("id"), 1);

        // No eligible manager: nothing is current, NAME reads empty.
        db.exec("update OTV set GR='VIEW'");
        dm.tabOtv.open();
        QCOMPARE(dm.tabOtv.recordCount(), 0);
        dm.tabOtv.moveTo(1);
        QVERIFY(!dm.tabOtv.hasCurrent());
        QCOMPARE(dm.tabOtv.text("NAME"), QString());
    }

    void transactionsCloseTheirDatasets()
    {
        TestDb db;
        TDM& dm = db.installDM();
        dm.tAll.start();
        dm.qAll.open();
        dm.tAll.end();
        QVERIFY(!dm.qAll.isOpen());
        QVERIFY(!dm.tAll.active());
        dm.tAll.start();
        QVERIFY(!dm.qAll.isOpen()); // starting does not reopen

        // Tran1 started by opening Quk is rolled back when Quk closes.
        dm.Quk.setSql({"select * from RES inner join OTV on OTV.ID=RES.OTV_ID", "where Date1='14.11.2013' and ZALS_ID=3"});
        dm.Quk.open();
        QVERIFY(dm.Tran1.active());
        dm.Quk.close();
        QVERIFY(!dm.Tran1.active());
        // Ending Tran1 closes Quk.
        dm.Quk.open();
        dm.Tran1.end();
        QVERIFY(!dm.Quk.isOpen());
        // Replacing the statement closes the query.
        dm.Quk.open();
        dm.Quk.setSql(dm.Quk.sql());
        QVERIFY(!dm.Quk.isOpen());

        QCOMPARE(errorOf([&] { dm.tr1.commit(); }), QString("tr1: Transaction is not active"));
        dm.tr1.begin();
        QVERIFY(!errorOf([&] { dm.tr1.begin(); }).isEmpty());
        dm.tr1.rollback();
    }

    // An open dataset keeps the rows it fetched; its read-committed
    // transaction gives the latest commit to the next opening, restarted or not.
    void rowsKeptUntilReopened()
    {
        TestDb db;
        TDM& dm = db.installDM();
        dm.qAll.open();
        QCOMPARE(dm.qAll.recordCount(), 0);
        db.exec(insertBooking(1, "Новый", 1, "01.12.2026", "02.12.2026", 2));
        QCOMPARE(dm.qAll.recordCount(), 0);
        dm.qAll.close();
        dm.qAll.open(); // same transaction
        QVERIFY(dm.tAll.active());
        QCOMPARE(dm.qAll.recordCount(), 1);
        db.exec(insertBooking(2, "Второй", 1, "05.12.2026", "06.12.2026", 2));
        data::restartDataset(dm.qAll);
        QCOMPARE(dm.qAll.recordCount(), 2);
    }

    void filterBecomesTheWhereClause()
    {
        TestDb db;
        TDM& dm = db.installDM();
        dm.tabIm.open();
        const int all = dm.tabIm.recordCount();
        QVERIFY(all >= 7);
        dm.tabIm.setFilter("LOGIN='admin'");
        QCOMPARE(dm.tabIm.recordCount(), all); // filter still off
        dm.tabIm.setFiltered(true);
        QCOMPARE(dm.tabIm.recordCount(), 1);
        QCOMPARE(dm.tabIm.text("login"), QString("admin"));
        dm.tabIm.close();
        dm.tabIm.setFilter("LOGIN='nobody'");
        QVERIFY(!dm.tabIm.isOpen()); // a closed dataset keeps it for the next opening
        dm.tabIm.open();
        QCOMPARE(dm.tabIm.recordCount(), 0);
        dm.tabIm.setFiltered(false);
        QCOMPARE(dm.tabIm.recordCount(), all);
    }

    void connectionCloseCommitsAndReleases()
    {
        TestDb db;
        TDM& dm = db.installDM();
        dm.tIm.start();
        dm.tabIm.open();
        dm.tr1.begin();
        dm.IBQuery2.setSql({"update OTV set DOLJN='Committed' where ID=1"});
        dm.IBQuery2.execute();
        dm.DB.close();
        QVERIFY(!dm.DB.isOpen());
        QVERIFY(!dm.tabIm.isOpen());
        QVERIFY(!dm.tr1.active() && !dm.tIm.active());
        QCOMPARE(db.value("select DOLJN from OTV where ID=1"), QString("Committed"));
        dm.DB.close(); // closing a closed connection does nothing
        QCOMPARE(errorOf([&] { dm.tAll.start(); }), QString("Cannot perform operation -- DB is not open"));
        // Opening a dataset opens the connection first.
        dm.qAll.open();
        QVERIFY(dm.DB.isOpen());
    }

    void textTravelsInWindows1251()
    {
        TestDb db;
        TDM& dm = db.installDM();
        const QString thirty = QString(30, QChar(u'Ж'));
        dm.tr1.begin();
        dm.IBQuery2.setSql({insertBooking(1, thirty, 1, "01.12.2026", "02.12.2026", 2)});
        dm.IBQuery2.execute();
        dm.tr1.commit();
        QCOMPARE(db.value("select CLIENT from RES where ID=1"), thirty);
        // The bytes stored are Windows-1251 (one byte per letter).
        QCOMPARE(db.value("select octet_length(CLIENT) from RES where ID=1"), QString("30"));

        dm.tr1.begin();
        dm.IBQuery2.setSql({insertBooking(2, thirty + "Ж", 1, "03.12.2026", "04.12.2026", 2)});
        QVERIFY(errorOf([&] { dm.IBQuery2.execute(); }).contains("truncation", Qt::CaseInsensitive));
        dm.tr1.rollback();

        dm.tr1.begin();
        dm.IBQuery2.setSql({insertBooking(3, "Smile 😀", 1, "05.12.2026", "06.12.2026", 2)});
        const QString refused = errorOf([&] { dm.IBQuery2.execute(); });
        QVERIFY2(refused.contains("U+1F600"), qPrintable(refused));
        dm.tr1.rollback();
        QCOMPARE(db.value("select count(*) from RES"), QString("1"));
    }

    // The database name goes to the client library as the system names files:
    // a missing file is named readably, a character no file name can carry is refused.
    void databaseNameAsTheSystemNamesFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file in a Cyrillic folder")
            << "/nonexistent/Отель/hotel.fdb" << "/nonexistent/Отель/hotel.fdb";
        QTest::newRow("missing file, accented letters") << "/nonexistent/Hôtel é/hotel.fdb"
                                                        << "/nonexistent/Hôtel é/hotel.fdb";
        QTest::newRow("U+0000 would cut the name short")
            << QString("/tmp/hotel.fdb") + QChar(0) + "x" << "В пути к базе данных недопустимый символ (U+0000)";
        QTest::newRow("lone surrogate") << QString("/tmp/") + QChar(0xD800) + ".fdb"
                                        << "В пути к базе данных недопустимый символ (U+D800)";
    }

    void databaseNameAsTheSystemNamesFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        TDM dm;
        dm.DB.setDatabaseName(name);
        const QString error = errorOf([&] { dm.DB.open(); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!dm.DB.isOpen());
    }

    void connectFailures()
    {
        TDM dm;
        dm.DB.setDatabaseName("");
        QVERIFY(!errorOf([&] { dm.DB.open(); }).isEmpty());
        QVERIFY(!dm.DB.isOpen());
        dm.DB.setDatabaseName("/nonexistent/folder/hotel.fdb");
        QVERIFY(!errorOf([&] { dm.DB.open(); }).isEmpty());
        dm.DB.setDatabaseName("127.0.0.1/1:/tmp/none.fdb"); // nothing listens on port 1
        QVERIFY(!errorOf([&] { dm.DB.open(); }).isEmpty());
        QVERIFY(!dm.DB.isOpen());
    }
};

QTEST_GUILESS_MAIN(DataModuleTest)
#include "DataModuleTest.moc"
