#include "Desks.h"
#include "EditorFixture.h"
#include "Typing.h"

#include "booking/Unit4.h"
#include "data/RoomCheck.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "platform/AppError.h"
#include "platform/Regional.h"

#include <QTest>

#include <atomic>
#include <thread>

// Two desks on the loopback server saving the same booking or the same room:
// desk A is the editor, desk B a data module of its own in another thread.
class TwoDesksSaveTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        if (!TestDb::serverAvailable())
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
    }

    void otherDeskGotThereFirst_data()
    {
        QTest::addColumn<QString>("otherDesk");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("stored"); // ID|CLIENT|TEL|PRICE afterwards

        const QString changed = QStringLiteral(
            "Эту бронь изменили на другом рабочем месте:\n"
            "Клиент: «Гость» → «Петров»\n"
            "Цена: «1000» → «2000»\n"
            "Ответственный: «Петров Сергей» → «Сидорова Елена»\n"
            "Записать ваши данные вместо этих?");
        const QString deleted = QStringLiteral("Эту бронь удалили на другом рабочем месте.\n"
                                               "Сохранить введённое как новую бронь?");
        const QString change = QStringLiteral("update RES set CLIENT='Петров', PRICE=2000, OTV_ID=4 where ID=7");
        const QString deletion = QStringLiteral("delete from RES where ID=7");
        QTest::newRow("changed, Нет keeps the other desk's change")
            << change << int(platform::No) << changed << QStringList{"7|Петров|333-22-11|2000"};
        QTest::newRow("changed, Да writes over it")
            << change << int(platform::Yes) << changed << QStringList{"7|Гость|555-55-55|1000"};
        QTest::newRow("deleted, Нет writes nothing") << deletion << int(platform::No) << deleted << QStringList{};
        QTest::newRow("deleted, Да saves what was typed as a new booking")
            << deletion << int(platform::Yes) << deleted << QStringList{"101|Гость|555-55-55|1000"};
    }

    // Desk B changes or deletes the booking that desk A has open; A's save
    // comes after B's and must not go past it unseen.
    void otherDeskGotThereFirst()
    {
        QFETCH(QString, otherDesk);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QStringList, stored);

        const QDate arrival(2013, 11, 8);
        EditorFixture fx(TestDb::Where::Server);
        QVERIFY(fx.db().ok());
        fx.insertBooking(7, "Гость", 5, arrival, arrival.addDays(2), 3);
        fx.db().exec("set generator GEN_RES_ID to 100");
        fx.loadLikeBoard(arrival, 5);
        QVERIFY(fx.show());
        retype(fx.form().Edit3, "555-55-55");

        // B's write waits while A's editor holds the booking, and keeps its
        // commit back a moment after that, so that it lands before A's save.
        WaitingWrite deskB(fx.db().path(), {otherDesk}, 1000);
        QTest::qWait(700);
        fx.boxes().answerNext(platform::MsgButton(answer));
        fx.form().Button2->click();
        QVERIFY2(deskB.waitDone(20000), "desk B still waits");
        QVERIFY2(deskB.failure().isEmpty(), qPrintable(deskB.failure()));

        QCOMPARE(fx.boxes().count(), 1);
        const platform::MessageRequest box = fx.boxes().last();
        QCOMPARE(box.caption, QStringLiteral("Бронь"));
        QCOMPARE(box.text, question);
        QCOMPARE(box.defaultButton, platform::No);
        QCOMPARE(fx.db().rows("select ID, CLIENT, TEL, PRICE from RES order by ID"), stored);
        // "Нет": still editing what was typed; "Да": saved.
        QCOMPARE(fx.form().editing(), answer == platform::No);
        QCOMPARE(fx.form().Edit3->text(), QStringLiteral("555-55-55"));
        QVERIFY(!fx.dm().tr1.active());
        QVERIFY(fx.dm().qAll.isOpen());
    }

    // Both desks save overlapping stays of one room at the same moment, many
    // times over; both answer "Нет" when asked. Each time exactly one of the
    // two stays is saved: the later desk always sees the earlier one's.
    void racingSavesOfOneRoom()
    {
        constexpr int kRounds = 50;
        constexpr int kRoom = 5;
        const QDate first(2013, 12, 1);
        EditorFixture fx(TestDb::Where::Server);
        QVERIFY(fx.db().ok());
        const QString path = fx.db().path();

        std::atomic<int> go{-1}, finished{-1};
        std::atomic<int> savedB{0}, refusedB{0};
        QString failureB;
        std::thread deskB([&] {
            try {
                OtherDesk desk(path);
                data::TDM& dm = desk.dm;
                for (int round = 0; round < kRounds; ++round) {
                    while (go.load() < round)
                        std::this_thread::yield();
                    const QDate arrival = first.addDays(4 * round + 1);
                    const QDate departure = arrival.addDays(2);
                    dm.tr1.begin();
                    data::lockForSave(dm, {kRoom});
                    if (data::overlappingStays(dm, kRoom, arrival, departure, QString()).isEmpty()) {
                        data::sql::BookingTexts b;
                        b.client = QStringLiteral("B%1").arg(round);
                        b.tel = QStringLiteral("2");
                        b.vzros = b.reb6 = b.reb12 = b.price = b.skidka = b.oplata = QStringLiteral("0");
                        b.zalsId = kRoom;
                        b.date1 = platform::dateToText(arrival);
                        b.date2 = platform::dateToText(departure);
                        b.otvId = 4;
                        dm.IBQuery2.setSql(data::sql::bookingInsert(b));
                        dm.IBQuery2.execute();
                        dm.tr1.commit();
                        ++savedB;
                    } else {
                        dm.tr1.rollback();
                        ++refusedB;
                    }
                    finished = round;
                }
            } catch (const platform::AppError& e) {
                failureB = e.message();
                finished = kRounds;
            }
        });

        TForm4& a = fx.form();
        int askedA = 0;
        for (int round = 0; round < kRounds && failureB.isEmpty(); ++round) {
            a.Button1->click();
            retype(a.Edit1, QStringLiteral("A%1").arg(round));
            retype(a.Edit3, "1");
            a.Edit6->setKeyValue(kRoom);
            a.Edit2->setDate(first.addDays(4 * round));
            a.Edit4->setDate(first.addDays(4 * round + 2));
            const int boxesBefore = fx.boxes().count();
            go = round;
            a.Button2->click();
            askedA += fx.boxes().count() - boxesBefore;
            while (finished.load() < round)
                std::this_thread::yield();
        }
        deskB.join();
        QVERIFY2(failureB.isEmpty(), qPrintable(failureB));
        for (const platform::MessageRequest& m : fx.boxes().messages())
            QVERIFY2(m.text.startsWith(QStringLiteral("Комната в эти дни занята:\nB")), qPrintable(m.text));

        struct Row {
            QString client;
            QDate arrival, departure;
        };
        QList<Row> rows;
        for (const QString& r : fx.db().rows("select CLIENT, DATE1, DATE2 from RES where ZALS_ID=5 order by DATE1"))
            rows.append({r.section('|', 0, 0), platform::textToDate(r.section('|', 1, 1)),
                         platform::textToDate(r.section('|', 2, 2))});
        int overlapping = 0;
        for (int i = 0; i < rows.size(); ++i)
            for (int j = i + 1; j < rows.size(); ++j)
                if (data::shareNight(rows[i].arrival, rows[i].departure, rows[j].arrival, rows[j].departure))
                    ++overlapping;
        const int savedA = kRounds - askedA;
        qInfo("rounds %d: desk A saved %d and was asked %d times, desk B saved %d and found A's stay %d times, "
              "overlapping pairs stored %d",
              kRounds, savedA, askedA, savedB.load(), refusedB.load(), overlapping);
        QCOMPARE(overlapping, 0);
        QCOMPARE(int(rows.size()), kRounds);
        QCOMPARE(savedA + savedB.load(), kRounds);
        QCOMPARE(askedA, savedB.load());
    }
};

QTEST_MAIN(TwoDesksSaveTest)
#include "TwoDesksSaveTest.moc"
