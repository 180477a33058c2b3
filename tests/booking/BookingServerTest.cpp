#include "EditorFixture.h"

#include "booking/Unit4.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "platform/AppError.h"

#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <thread>

// Two desks on the loopback server: a booking open in one desk's editor holds
// the other desk's saves back until the editor closes.
class BookingServerTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        if (!TestDb::serverAvailable())
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
    }

    void saveWaitsWhileBookingIsOpenInEditor_data()
    {
        QTest::addColumn<bool>("insert");
        QTest::newRow("new booking at the other desk") << true;
        QTest::newRow("change of the same booking at the other desk") << false;
    }

    void saveWaitsWhileBookingIsOpenInEditor()
    {
        QFETCH(bool, insert);
        const QDate arrival(2013, 11, 8);
        EditorFixture fx(TestDb::Where::Server);
        QVERIFY(fx.db().ok());
        fx.insertBooking(7, "Гость", 5, arrival, arrival.addDays(2), 3);
        fx.loadLikeBoard(arrival, 5);
        QVERIFY(fx.show());
        QVERIFY(fx.dm().Tran1.active());

        data::sql::BookingTexts other;
        other.client = QStringLiteral("Второй");
        other.tel = QStringLiteral("2");
        other.vzros = other.reb6 = other.reb12 = QStringLiteral("1");
        other.zalsId = 6;
        other.date1 = QStringLiteral("08.11.2013");
        other.date2 = QStringLiteral("09.11.2013");
        other.price = other.skidka = other.oplata = QStringLiteral("0");
        other.otvId = 4;
        const QStringList statement =
            insert ? data::sql::bookingInsert(other) : data::sql::bookingUpdate(other, QStringLiteral("7"));
        // The generator is outside any transaction; give the other desk's row its own number.
        fx.db().exec("set generator GEN_RES_ID to 100");

        std::atomic<bool> done{false};
        QString failure;
        const QString path = fx.db().path();
        std::thread desk2([&] {
            try {
                data::TDM dm;
                dm.DB.setDatabaseName(path);
                dm.DB.open();
                dm.tr1.begin();
                dm.IBQuery2.setSql(statement);
                dm.IBQuery2.execute();
                dm.tr1.commit();
            } catch (const platform::AppError& e) {
                failure = e.message();
            }
            done = true;
        });
        QTest::qWait(1500);
        const bool waited = !done;

        fx.form().N1->trigger();
        QVERIFY(!fx.form().isVisible());
        QElapsedTimer clock;
        clock.start();
        while (!done && clock.elapsed() < 20000)
            QTest::qWait(20);
        desk2.join();

        QVERIFY2(waited, "the other desk wrote while the booking was open in the editor");
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(fx.boxes().count(), 0);
        if (insert) {
            QCOMPARE(fx.db().rows("select ID, CLIENT from RES order by ID"),
                     (QStringList{"7|Гость", "101|Второй"}));
        } else {
            QCOMPARE(fx.db().rows("select ID, CLIENT, ZALS_ID from RES order by ID"),
                     (QStringList{"7|Второй|6"}));
        }
    }
};

QTEST_MAIN(BookingServerTest)
#include "BookingServerTest.moc"
