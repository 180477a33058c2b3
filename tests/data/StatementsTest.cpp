#include "data/Statements.h"
#include "platform/AppError.h"
#include "platform/Regional.h"

#include <QTest>

using namespace data::sql;

class StatementsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia)); }

    void quoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Гость" << "'Гость'";
        QTest::newRow("empty") << "" << "''";
        QTest::newRow("apostrophe") << "O'Brien" << "'O''Brien'";
        QTest::newRow("injection") << "' or '1'='1" << "''' or ''1''=''1'";
        QTest::newRow("statement") << "x'; delete from OTV; --" << "'x''; delete from OTV; --'";
        QTest::newRow("blanks kept") << "  a  " << "'  a  '";
    }
    void quoting()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(quoted(text), expected);
        QCOMPARE(loginFilter(text), "LOGIN=" + expected);
    }

    void bareNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("digits") << "5000" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("negative") << "-500" << true;
        QTest::newRow("letters") << "12a" << false;
        QTest::newRow("sql") << "1); delete from RES; --" << false;
        QTest::newRow("blank") << " 1" << false;
    }
    void bareNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        bool ok = true;
        try {
            QCOMPARE(bare(text), text);
        } catch (const platform::AppError& e) {
            ok = false;
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
        QCOMPARE(ok, accepted);
    }

    void amounts()
    {
        QCOMPARE(bareAmount("849,15"), QString("849.15"));
        QCOMPARE(bareAmount("4500"), QString("4500"));
        QCOMPARE(bareAmount("-500"), QString("-500"));
        QCOMPARE(bareAmount(""), QString(""));
        QVERIFY_THROWS_EXCEPTION(platform::AppError, bareAmount("849,15,1"));
        QVERIFY_THROWS_EXCEPTION(platform::AppError, bareAmount("1,"));
    }

    void booking()
    {
        BookingTexts b;
        b.client = "Гость";
        b.tel = "123-45-67";
        b.vzros = "2";
        b.reb6 = "0";
        b.reb12 = "0";
        b.zalsId = 5;
        b.date1 = "08.11.2013";
        b.date2 = "10.11.2013";
        b.price = "5000";
        b.skidka = "10";
        b.oplata = "4500";
        b.otvId = 3;
        const QStringList insert = bookingInsert(b);
        QCOMPARE(insert.size(), 2);
        QCOMPARE(insert[0], QString("INSERT INTO RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, "
                                    "DATE1, DATE2, PRICE, SKIDKA, OPLATA, GARANTY, OTV_ID)"));
        QCOMPARE(insert[1], QString("values (GEN_ID(GEN_RES_ID,1),'Гость', '123-45-67', '', '', 2, 0, 0, 5, "
                                    "'08.11.2013', '10.11.2013', 5000,10, 4500, '', 3)"));
        const QStringList update = bookingUpdate(b, "17");
        QCOMPARE(update.size(), 2);
        QCOMPARE(update[0], QString("UPDATE RES SET CLIENT='Гость', TEL='123-45-67', CORP='', TURAG='', VZROS=2, "
                                    "REB6=0, REB12=0, ZALS_ID=5, DATE1='08.11.2013', DATE2='10.11.2013', "
                                    "PRICE=5000, SKIDKA=10, OPLATA=4500, GARANTY='', OTV_ID=3"));
        QCOMPARE(update[1], QString("WHERE RES.ID=17"));
        QCOMPARE(bookingUpdate(b, "")[1], QString("WHERE RES.ID="));

        b.price.clear();
        b.oplata = "849,15";
        QVERIFY(bookingInsert(b)[1].contains("'10.11.2013', ,10, 849.15, "));
    }

    void boardStatements()
    {
        QCOMPARE(bookingAt("14.11.2013", 3),
                 (QStringList{"select * from RES inner join OTV on OTV.ID=RES.OTV_ID",
                              "where Date1='14.11.2013' and ZALS_ID=3"}));
        QCOMPARE(bookingDelete(3, "14.11.2013"), QString("delete from res where ZALS_ID=3 and Date1='14.11.2013'"));
    }

    void saveChecks()
    {
        QCOMPARE(roomLock(5), QString("update ZALS set NAME=NAME where ID=5"));
        QCOMPARE(bookingLock("7"), QString("select ID from RES where ID=7 with lock"));
        QCOMPARE(bookingOverlaps(5, "08.11.2013", "10.11.2013", ""),
                 QString("select ID, CLIENT, DATE1, DATE2 from RES where ZALS_ID=5 and "
                         "DATE1<cast('10.11.2013' as date) and cast('08.11.2013' as date)<"
                         "(case when DATE2>DATE1 then DATE2 else DATE1+1 end) order by DATE1, ID"));
        QVERIFY(bookingOverlaps(5, "08.11.2013", "10.11.2013", "7").endsWith(" and ID<>7 order by DATE1, ID"));
        QCOMPARE(bookingById("7"),
                 QString("select RES.*, OTV.NAME from RES left join OTV on OTV.ID=RES.OTV_ID where RES.ID=7"));
        QCOMPARE(roomName(5), QString("select NAME from ZALS where ID=5"));
        // An identifier that is not a number never reaches the server.
        QVERIFY_THROWS_EXCEPTION(platform::AppError, bookingById("7 or 1=1"));
        QVERIFY_THROWS_EXCEPTION(platform::AppError, bookingOverlaps(5, "08.11.2013", "10.11.2013", "7;"));
    }

    void accounts()
    {
        QCOMPARE(accountInsert("Иван", "Кассир", "ivan", "pw'd"),
                 (QStringList{"INSERT INTO OTV (ID, NAME, DOLJN, Login, pwd) ",
                              "values (GEN_ID(GEN_OTV_ID,1),'Иван', 'Кассир', 'ivan', 'pw''d')"}));
        QCOMPARE(accountUpdate("Иван", "Кассир", "ivan", "", "4"),
                 (QStringList{"Update OTV set NAME='Иван', DOLJN='Кассир', LOGIN='ivan', PWD='' where id=4"}));
        QCOMPARE(accountDelete("4"), QString("delete from OTV where id = 4"));
        QCOMPARE(accountDelete(""), QString("delete from OTV where id = "));
    }
};

QTEST_GUILESS_MAIN(StatementsTest)
#include "StatementsTest.moc"
