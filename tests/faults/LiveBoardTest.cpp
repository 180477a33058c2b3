#include "BoardFixture.h"
#include "Desks.h"

#include "board/LiveBoard.h"
#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/ChangeEvents.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

// Desk B is the whole program on the loopback server; desk A is a second data
// module with its own attachment, as the program on another computer. B's
// board follows A's changes with no input at B.
namespace {

const QDate kToday(2026, 11, 25);
constexpr int kTodayCol = 62;
const QString kTodayText = QStringLiteral("25.11.2026");

const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 255, 0);  // manager 2
const QColor kBlue(0, 0, 255);   // manager 3

BoardFixture::Options onServer()
{
    BoardFixture::Options o;
    o.where = TestDb::Where::Server;
    return o;
}

QColor shown(TForm1* b, int col, int row)
{
    auto* g = b->StringGrid1;
    g->viewport()->repaint();
    return g->pixelAt(g->cellRect(col, row).topLeft() + QPoint(4, 4));
}

data::sql::BookingTexts stay(const QString& client, int room, const QDate& arrival, const QDate& departure,
                                int manager)
{
    data::sql::BookingTexts b;
    b.client = client;
    b.tel = QStringLiteral("2-22-22");
    b.vzros = QStringLiteral("2");
    b.reb6 = b.reb12 = QStringLiteral("0");
    b.zalsId = room;
    b.date1 = platform::dateToText(arrival);
    b.date2 = platform::dateToText(departure);
    b.price = b.oplata = QStringLiteral("3000");
    b.skidka = QStringLiteral("0");
    b.otvId = manager;
    return b;
}

// Where the board stands: the current cell, the scrolling and the calendar.
struct Place {
    int col, row, leftCol, topRow;
    QDate calendar;
    bool operator==(const Place&) const = default;
};
Place placeOf(TForm1* b)
{
    auto* g = b->StringGrid1;
    return {g->col(), g->row(), g->leftCol(), g->topRow(), b->MC->selectedDate()};
}
char* toString(const Place& p)
{
    return qstrdup(QStringLiteral("cell %1,%2 view %3,%4 calendar %5")
                       .arg(p.col)
                       .arg(p.row)
                       .arg(p.leftCol)
                       .arg(p.topRow)
                       .arg(p.calendar.toString(Qt::ISODate))
                       .toUtf8()
                       .constData());
}

QStringList details(TForm1* b)
{
    return {b->Edit1->text(), b->Edit2->text(), b->Edit3->text(), b->Edit4->text()};
}

// The board's reads of all bookings so far.
quint64 reads()
{
    return data::DM->qAll.generation();
}

// Waits until the board has nothing left to do, then a little longer for a
// notification still on its way.
void settle(TForm1* b)
{
    QTRY_VERIFY(!b->live()->reloadPending() && !b->live()->selectionPending());
    QTest::qWait(400);
}

} // namespace

class LiveBoardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setTodayForTests(kToday);
    }

    void init()
    {
        if (!TestDb::serverAvailable())
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
    }

    void cleanup() { Modal::closeModals(); }

    // Each change at desk A shows at desk B within a second, read once;
    // B's current cell, scrolling and calendar stay; the details panel shows
    // the current cell's booking as now stored.
    void otherDesksChangeShowsByItself_data()
    {
        QTest::addColumn<QStringList>("statement");
        QTest::addColumn<int>("room");      // where the change shows
        QTest::addColumn<QColor>("colour"); // at today's column in that room
        QTest::addColumn<QStringList>("panel"); // with B's current cell on room 3, today
        const QStringList booked{"Гость", "Иванова Марина", kTodayText, "27.11.2026"};
        QTest::newRow("new booking") << data::sql::bookingInsert(stay("Новый", 5, kToday, kToday, 3)) << 5
                                     << kBlue << booked;
        QTest::newRow("changed booking")
            << data::sql::bookingUpdate(stay("Другой", 3, kToday, kToday.addDays(4), 3), "7") << 3 << kBlue
            << QStringList{"Другой", "Петров Сергей", kTodayText, "29.11.2026"};
        QTest::newRow("deleted booking") << QStringList{data::sql::bookingDelete(3, kTodayText)} << 3 << kWhite
                                         << QStringList{"", "", "", ""};
        QTest::newRow("renamed manager")
            << data::sql::accountUpdate("Иванова-Смирнова Марина", "Старший менеджер", "ivanova", "1111", "2") << 3
            << kGreen << QStringList{"Гость", "Иванова-Смирнова Марина", kTodayText, "27.11.2026"};
    }
    void otherDesksChangeShowsByItself()
    {
        QFETCH(QStringList, statement);
        QFETCH(int, room);
        QFETCH(QColor, colour);
        QFETCH(QStringList, panel);
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        QTRY_VERIFY(data::DM->DB.changes().alive());
        g->setRow(3);
        g->setTopRow(2);
        QCOMPARE(details(b), (QStringList{"Гость", "Иванова Марина", kTodayText, "27.11.2026"}));
        settle(b);
        const Place before = placeOf(b);
        const quint64 readsBefore = reads();

        OtherDesk deskA(f.db().path());
        deskA.write(statement);
        QTRY_VERIFY_WITH_TIMEOUT(shown(b, kTodayCol, room) == colour && details(b) == panel, 1000);
        QCOMPARE(placeOf(b), before);
        settle(b);
        QCOMPARE(reads(), readsBefore + 1);
        QCOMPARE(f.dialogs().count(), 0);
    }

    // A change while B's editor is open waits for the editor to close and
    // is then read once.
    void changeWhileEditorOpenAfterItCloses()
    {
        BoardFixture f(onServer());
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        QTRY_VERIFY(data::DM->DB.changes().alive());
        settle(b);
        const QString path = f.db().path();
        bool waited = false;
        quint64 readsInEditor = 0;
        Modal::whenModalNamed("Form4", [&](QWidget* w) {
            const quint64 at = reads();
            OtherDesk deskA(path);
            deskA.write(data::sql::bookingInsert(stay("Новый", 4, kToday, kToday, 3)));
            QTest::qWait(1200);
            readsInEditor = reads() - at;
            waited = shown(b, kTodayCol, 4) == kWhite;
            static_cast<TForm4*>(w)->N1->trigger();
        });
        const quint64 beforeEditor = reads();
        b->N2->trigger(); // "Бронь": the editor for viewing, Quk holds nothing
        MODAL_VERIFY();
        QCOMPARE(readsInEditor, quint64(0));
        QVERIFY2(waited, "the board changed under the open editor");
        QCOMPARE(shown(b, kTodayCol, 4), kBlue);
        settle(b);
        QCOMPARE(reads(), beforeEditor + 1); // once, after the editor closed
    }

    // The events of the desk's own saves bring no second reload after the
    // one the command makes itself.
    void ownSaveNoSecondReload_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("deletion from the context menu") << "delete";
        QTest::newRow("booking saved in the editor") << "save";
    }
    void ownSaveNoSecondReload()
    {
        QFETCH(QString, command);
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        QTRY_VERIFY(data::DM->DB.changes().alive());
        b->StringGrid1->setRow(3);
        settle(b);
        quint64 readsByCommand = 0;
        if (command == "delete") {
            f.dialogs().answerNext(platform::Yes);
            const quint64 at = reads();
            b->N5->trigger();
            readsByCommand = reads() - at;
            QCOMPARE(f.db().value("select count(*) from RES"), QString("0"));
        } else {
            Modal::whenModalNamed("Form4", [&](QWidget* w) {
                Modal::typeInto(w, "Edit3", "8-900-000-00-00");
                Modal::clickButton(w, "Button2");
                static_cast<TForm4*>(w)->N1->trigger();
            });
            const quint64 at = reads();
            BoardFixture::doubleClick(b, kTodayCol, 3);
            MODAL_VERIFY();
            readsByCommand = reads() - at;
            QCOMPARE(f.db().value("select TEL from RES where ID=7"), QString("8-900-000-00-00"));
        }
        QVERIFY(readsByCommand >= 1);
        const quint64 afterCommand = reads();
        settle(b);
        QCOMPARE(reads(), afterCommand);
        QCOMPARE(f.dialogs().count(), command == "delete" ? 1 : 0); // the question, no error

    }

    // While the notifications are alive and nothing changed, a selection
    // reads only the one booking; once they are gone every selection reads
    // all bookings again.
    void selectionReadsAllOnlyWhenItMust()
    {
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        QTRY_VERIFY(data::DM->DB.changes().alive());
        settle(b);
        quint64 at = reads();
        g->setRow(3);
        QCOMPARE(details(b), (QStringList{"Гость", "Иванова Марина", kTodayText, "27.11.2026"}));
        g->setCol(kTodayCol + 1);
        QCOMPARE(b->MC->selectedDate(), kToday.addDays(1));
        QCOMPARE(details(b), (QStringList{"", "", "", ""}));
        QCOMPARE(reads(), at);

        data::DM->DB.changes().cancel(); // as a lost registration leaves it
        at = reads();
        g->setCol(kTodayCol);
        g->setRow(4);
        QCOMPARE(reads(), at + 2);
    }

    // Presses that waited in the queue while a selection was handled move
    // the cell at once and bring one selection, for the cell where they
    // ended; prompt presses are handled each.
    void queuedPressesMerged_data()
    {
        QTest::addColumn<int>("lateMs");
        QTest::addColumn<int>("selections");
        QTest::newRow("queued: sent 300 ms before the board took them") << 300 << 1;
        QTest::newRow("prompt: each taken as it was sent") << 0 << 5;
    }
    void queuedPressesMerged()
    {
        QFETCH(int, lateMs);
        QFETCH(int, selections);
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday.addDays(5), kToday.addDays(6), 2);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        data::DM->DB.changes().cancel(); // every selection reads all bookings: each is counted
        g->setFocus();
        g->setRow(3);
        auto press = [&](qint64 late) {
            auto* e = new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            e->setTimestamp(ulong(QDateTime::currentMSecsSinceEpoch() - late));
            QCoreApplication::postEvent(g, e);
        };
        press(0); // a prompt one: the board learns the clock
        QTRY_COMPARE(g->col(), kTodayCol + 1);
        settle(b);
        const quint64 at = reads();
        for (int i = 2; i <= 6; ++i) {
            press(lateMs);
            if (lateMs == 0) // each handled before the next is pressed
                QTRY_COMPARE(g->col(), kTodayCol + i);
        }
        QTRY_COMPARE(g->col(), kTodayCol + 6);
        settle(b);
        QCOMPARE(int(reads() - at), selections);
        QCOMPARE(b->MC->selectedDate(), kToday.addDays(6));
        QCOMPARE(details(b), (QStringList{"", "", "", ""})); // the second day of the stay
        g->setCol(kTodayCol + 5);
        QCOMPARE(details(b), (QStringList{"Гость", "Иванова Марина", "30.11.2026", "01.12.2026"}));
    }

    // A desk left idle with its board, rooms and accounts read holds back
    // no transaction of the server.
    void idleDeskHoldsNothingBack()
    {
        BoardFixture f(onServer());
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        settle(b);
        QVERIFY(data::DM->qAll.isOpen() && data::DM->tAll.active());
        OtherDesk deskA(f.db().path());
        for (int i = 0; i < 300; ++i)
            deskA.write({QStringLiteral("update ZALS set NAME='%1' where ID=12").arg(i % 7)});
        const int lag = f.db().value("select MON$NEXT_TRANSACTION - MON$OLDEST_ACTIVE from MON$DATABASE").toInt();
        qInfo("next transaction minus oldest active after 300 updates: %d", lag);
        QVERIFY2(lag <= 10, qPrintable(QString::number(lag)));
    }
};

QTEST_MAIN(LiveBoardTest)
#include "LiveBoardTest.moc"
