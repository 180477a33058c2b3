#include "BoardFixture.h"
#include "Desks.h"

#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "platform/AppError.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <memory>

// Desk A is the whole program on the loopback server; desk B is a second data
// module with its own attachment, as the program on another computer.
namespace {

const QDate kToday(2026, 11, 25);
constexpr int kTodayCol = 62;
const QString kTodayText = QStringLiteral("25.11.2026");

const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 255, 0);  // manager 2
const QColor kBlue(0, 0, 255);   // manager 3
const QColor kYellow(255, 255, 0); // manager 4

// The figures of one case, printed when it ends (also when it fails), and
// their sums over all cases.
struct Figures {
    int operations = 0; // writes sent by either desk
    int waits = 0;      // writes that had to wait for the other desk
    int rowsLost = 0;   // rows that should be there and are not
    int rowsChanged = 0; // rows that differ from what should be there
};
Figures g_total;
int g_cases = 0;

struct Summary : Figures {
    const char* test;
    explicit Summary(const char* name) : test(name) {}
    ~Summary()
    {
        ++g_cases;
        g_total.operations += operations;
        g_total.waits += waits;
        g_total.rowsLost += rowsLost;
        g_total.rowsChanged += rowsChanged;
        qInfo("summary %s(%s)%s: desks 2, operations %d, waits for the other desk %d, faults injected 0, "
              "rows lost %d, rows changed unexpectedly %d",
              test, QTest::currentDataTag() ? QTest::currentDataTag() : "",
              QTest::currentTestFailed() ? " FAILED" : "", operations, waits, rowsLost, rowsChanged);
    }
    void count(const RowLoss& loss)
    {
        rowsLost += loss.lost;
        rowsChanged += loss.changed + loss.added;
    }
};

BoardFixture::Options onServer(const QString& login = QStringLiteral("admin"),
                               const QString& password = QStringLiteral("admin"))
{
    BoardFixture::Options o;
    o.where = TestDb::Where::Server;
    o.login = login;
    o.password = password;
    return o;
}

// The colour a clerk sees in a cell, painted afresh.
QColor shown(TForm1* b, int col, int row)
{
    auto* g = b->StringGrid1;
    g->viewport()->repaint();
    return g->pixelAt(g->cellRect(col, row).topLeft() + QPoint(4, 4));
}

data::sql::BookingTexts bookingValues(const QString& client, int room, const QDate& arrival,
                                      const QDate& departure, int manager)
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

const QString kAccounts = QStringLiteral("select ID, NAME, DOLJN, LOGIN, PWD, GR from OTV order by ID");

} // namespace

class SeveralDesksTest : public QObject {
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

    void cleanupTestCase()
    {
        qInfo("summary SeveralDesksTest: cases %d, desks 2 each, operations %d, waits %d, faults injected 0, "
              "rows lost %d, rows changed unexpectedly %d",
              g_cases, g_total.operations, g_total.waits, g_total.rowsLost, g_total.rowsChanged);
    }

    // On a database without the change events the board paints from the
    // bookings it read last: another desk's booking shows up only once a
    // selection has read them again.
    void otherDesksBookingAfterNextSelection_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::newRow("click on the cell") << "click";
        QTest::newRow("arrow key") << "key";
        QTest::newRow("Обновить") << "refresh";
    }
    void otherDesksBookingAfterNextSelection()
    {
        QFETCH(QString, selection);
        Summary sum("otherDesksBookingAfterNextSelection");
        BoardFixture f(onServer());
        QVERIFY(f.db().ok());
        f.db().exec({"drop trigger RES_POST_CHANGE", "drop trigger OTV_POST_CHANGE"});
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        QCOMPARE(g->col(), kTodayCol);
        QCOMPARE(g->row(), 1);

        OtherDesk deskB(f.db().path());
        deskB.write(data::sql::bookingInsert(bookingValues("Второй", 3, kToday, kToday.addDays(2), 3)));
        sum.operations = 1;
        const QStringList stored = f.db().rows("select CLIENT, ZALS_ID, OTV_ID from RES");
        sum.count(compareRows({"Второй|3|3"}, stored));
        QCOMPARE(stored, QStringList{"Второй|3|3"});

        // Repainting alone reads the same snapshot.
        QCOMPARE(shown(b, kTodayCol, 3), kWhite);
        QCOMPARE(shown(b, kTodayCol + 2, 3), kWhite);
        QCOMPARE(data::DM->qAll.recordCount(), 0);

        if (selection == "click") {
            QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(kTodayCol, 3).center());
            QCOMPARE(g->row(), 3);
            QCOMPARE(b->Edit1->text(), QString("Второй"));
            QCOMPARE(b->Edit4->text(), QString("27.11.2026"));
        } else if (selection == "key") {
            g->setFocus();
            QTest::keyClick(g->viewport(), Qt::Key_Down);
            QCOMPARE(g->row(), 2);
            QCOMPARE(b->Edit1->text(), QString()); // nothing starts in that cell
        } else {
            b->N7->trigger();
        }
        QCOMPARE(data::DM->qAll.recordCount(), 1);
        QCOMPARE(shown(b, kTodayCol, 3), kBlue);
        QCOMPARE(shown(b, kTodayCol + 2, 3), kBlue);
        QCOMPARE(shown(b, kTodayCol + 3, 3), kWhite);
        QCOMPARE(f.dialogs().count(), 0);
    }

    // A booking open in desk A's editor (Quk in Tran1, table stability) keeps
    // desk B's writes to bookings and accounts waiting until the editor closes.
    void otherDeskWaitsForOpenEditor_data()
    {
        QTest::addColumn<QStringList>("statement");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("room");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("new booking")
            << data::sql::bookingInsert(bookingValues("Второй", 6, kToday, kToday, 4))
            << "select CLIENT, ZALS_ID, OTV_ID from RES order by ID" << QStringList{"Гость|3|2", "Второй|6|4"} << 6
            << kYellow;
        QTest::newRow("change of the open booking")
            << data::sql::bookingUpdate(bookingValues("Второй", 3, kToday, kToday.addDays(1), 4), "7")
            << "select CLIENT, ZALS_ID, OTV_ID from RES order by ID" << QStringList{"Второй|3|4"} << 3 << kYellow;
        QTest::newRow("change of an account")
            << data::sql::accountUpdate("Петров Сергей", "Старший менеджер", "petrov", "2222", "3")
            << "select DOLJN from OTV where ID=3" << QStringList{"Старший менеджер"} << 3 << kGreen;
    }
    void otherDeskWaitsForOpenEditor()
    {
        QFETCH(QStringList, statement);
        QFETCH(QString, check);
        QFETCH(QStringList, expected);
        QFETCH(int, room);
        QFETCH(QColor, colour);
        Summary sum("otherDeskWaitsForOpenEditor");

        std::unique_ptr<WaitingWrite> write; // outlives the fixture: its thread may wait for desk A's end
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        f.db().exec("set generator GEN_RES_ID to 100"); // the new booking comes after booking 7
        const QStringList accountsBefore = f.db().rows(kAccounts);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();

        bool held = false, waitedInEditor = false;
        const QString path = f.db().path();
        Modal::whenModalNamed("Form4", [&](QWidget* w) {
            held = !NewBooking && data::DM->Quk.isOpen() && data::DM->Tran1.active();
            write = std::make_unique<WaitingWrite>(path, statement);
            QTest::qWait(1500);
            waitedInEditor = !write->done();
            static_cast<TForm4*>(w)->N1->trigger();
        });
        BoardFixture::doubleClick(b, kTodayCol, 3);
        MODAL_VERIFY();
        QVERIFY2(held, "the editor did not hold the booking in Quk and Tran1");
        QVERIFY(write);
        sum.operations = 1;
        sum.waits = waitedInEditor ? 1 : 0;
        QVERIFY2(waitedInEditor, "desk B wrote while the booking was open in desk A's editor");
        QVERIFY2(write->waitDone(20000), "desk B still waits after desk A's editor closed");
        QVERIFY2(write->failure().isEmpty(), qPrintable(write->failure()));
        QVERIFY(write->tookMs() >= 1400);
        QVERIFY(!data::DM->Tran1.active());

        const QStringList stored = f.db().rows(check);
        sum.count(compareRows(expected, stored));
        QCOMPARE(stored, expected);
        // desk A closed its editor without saving: nothing of its own was written
        QCOMPARE(f.dialogs().count(), 0);
        if (!check.contains("from OTV"))
            QCOMPARE(f.db().rows(kAccounts), accountsBefore);

        // what desk A shows after its next selection
        b->N7->trigger();
        QCOMPARE(shown(b, kTodayCol, room), colour);
    }

    // Desk B deletes a booking between the click and the double-click of desk
    // A: A's double-click finds nothing to open and holds no lock, so B's next
    // saves go through at once instead of waiting for A's next selection.
    void doubleClickOnGoneBookingHoldsNothing_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QStringList>("statement");
        QTest::newRow("arrival day, then B changes an account")
            << kTodayCol << data::sql::accountUpdate("Петров Сергей", "Старший менеджер", "petrov", "2222", "3");
        QTest::newRow("later day, then B books")
            << kTodayCol + 1 << data::sql::bookingInsert(bookingValues("Второй", 6, kToday, kToday, 4));
    }
    void doubleClickOnGoneBookingHoldsNothing()
    {
        QFETCH(int, col);
        QFETCH(QStringList, statement);
        Summary sum("doubleClickOnGoneBookingHoldsNothing");

        std::unique_ptr<WaitingWrite> write; // outlives the fixture: a waiting write ends with desk A
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        const QPoint at = g->cellRect(col, 3).center();
        QTest::mousePress(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, at);
        OtherDesk other(f.db().path());
        other.write({"delete from RES where ID=7"});
        bool shown = false;
        Modal::whenModalNamed("Form4", [&](QWidget* w) { shown = true; w->close(); }, 500);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!shown);
        Modal::takeProblems(); // the watch that never matched
        // Before any event reaches the board (the change events would make it read again).
        QVERIFY(!data::DM->Quk.isOpen());
        QVERIFY(!data::DM->Tran1.active());

        write = std::make_unique<WaitingWrite>(f.db().path(), statement);
        sum.operations = 2;
        const bool done = write->waitDone(3000);
        sum.waits = done ? 0 : 1;
        QVERIFY2(done, "desk B waits for desk A after a double-click that opened nothing");
        QVERIFY2(write->failure().isEmpty(), qPrintable(write->failure()));
        QVERIFY2(write->tookMs() < 1000, qPrintable(QString::number(write->tookMs())));
        QCOMPARE(f.dialogs().count(), 0);
    }

    // Desk B deletes the booking that desk A has open in its editor: the
    // deletion waits for the editor. A save of the gone booking at A lets the
    // deletion through and then depends on which write the server finishes
    // first: committed deletion first, the update changes no row and succeeds
    // without a box; update first, it waits for B's commit and the server
    // refuses it ("cannot update erased record"), shown in the error box.
    // Either way nothing brings the booking back and the board shows the cell
    // free after the editor.
    void otherDeskDeletesOpenBooking_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("holdCommitMs");
        QTest::addColumn<int>("boxes");
        QTest::newRow("editor closed unsaved") << false << 0 << 0;
        // The save holds the booking's row, so it waits for the deletion to end and then asks.
        QTest::newRow("save meets the uncommitted deletion") << true << 1500 << 1;
        QTest::newRow("save releases the deletion") << true << 0 << 1;
    }
    void otherDeskDeletesOpenBooking()
    {
        QFETCH(bool, save);
        QFETCH(int, holdCommitMs);
        QFETCH(int, boxes);
        Summary sum("otherDeskDeletesOpenBooking");
        std::unique_ptr<WaitingWrite> deletion;
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        f.addBooking(8, 4, kToday, kToday, 3, "Сосед");
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        QCOMPARE(shown(b, kTodayCol, 3), kGreen);

        bool waitedInEditor = false, viewing = false, tr1Open = true;
        const QString path = f.db().path();
        Modal::whenModalNamed("Form4", [&](QWidget* w) {
            auto* e = static_cast<TForm4*>(w);
            deletion = std::make_unique<WaitingWrite>(path, QStringList{data::sql::bookingDelete(3, kTodayText)},
                                                      holdCommitMs);
            QTest::qWait(1500);
            waitedInEditor = !deletion->done();
            if (save) {
                Modal::typeInto(w, "Edit3", "8-900-000-00-00");
                Modal::clickButton(w, "Button2");
                viewing = !e->editing();
                tr1Open = data::DM->tr1.active();
            }
            e->N1->trigger();
        });
        BoardFixture::doubleClick(b, kTodayCol, 3);
        MODAL_VERIFY();
        QVERIFY(deletion);
        sum.operations = save ? 2 : 1;
        sum.waits = waitedInEditor ? 1 : 0;
        QVERIFY2(waitedInEditor, "desk B deleted while the booking was open in desk A's editor");
        QVERIFY2(deletion->waitDone(20000), "desk B still waits after desk A let the booking go");
        QVERIFY2(deletion->failure().isEmpty(), qPrintable(deletion->failure()));
        const QList<platform::MessageRequest> seen = f.dialogs().messages();
        for (const platform::MessageRequest& m : seen)
            qInfo("box [%s] %s", qPrintable(m.caption), qPrintable(m.text));
        QCOMPARE(seen.size(), boxes);
        if (save) {
            // Told that the booking is gone; the default "Нет" sends nothing and keeps the editor editing.
            QCOMPARE(seen[0].caption, QString("Бронь"));
            QCOMPARE(seen[0].icon, platform::MsgIcon::Warning);
            QVERIFY2(seen[0].text.contains("удалили на другом рабочем месте"), qPrintable(seen[0].text));
            QCOMPARE(seen[0].defaultButton, platform::No);
            QVERIFY(!viewing);
            QVERIFY(!tr1Open);
        }
        // the booking stays deleted, the neighbour untouched
        const QStringList stored = f.db().rows("select ID, CLIENT, TEL from RES");
        sum.count(compareRows({"8|Сосед|555-01"}, stored));
        QCOMPARE(stored, QStringList{"8|Сосед|555-01"});
        QVERIFY(!data::DM->Tran1.active());

        // the board shows the cell free and no details: at the selection
        // after the editor, or when the deletion's notification follows it
        QCOMPARE(b->StringGrid1->col(), kTodayCol);
        QCOMPARE(b->StringGrid1->row(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(b->Edit1->text(), QString(), 1000);
        QTRY_COMPARE_WITH_TIMEOUT(shown(b, kTodayCol, 3), kWhite, 1000);
        QCOMPARE(shown(b, kTodayCol, 4), kBlue);
    }

    // An account deleted, or a password changed, at desk B no longer signs in
    // at desk A, although A's staff dataset still holds its earlier snapshot.
    void signInSeesOtherDesksAccounts()
    {
        Summary sum("signInSeesOtherDesksAccounts");
        BoardFixture f(onServer("ivanova", "1111"));
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        OtherDesk deskB(f.db().path());
        deskB.write({data::sql::accountDelete("2")});
        deskB.write({"update OTV set PWD='new' where LOGIN='petrov'"});
        sum.operations = 2;

        auto signIn = [&](const QString& login, const QString& password) {
            Modal::whenModalNamed("Form6", [=](QWidget* w) {
                Modal::typeInto(w, "Edit1", login);
                Modal::typeInto(w, "Edit2", password);
                Modal::clickButton(w, "Button1");
                if (w->isVisible())
                    w->close();
            });
            b->N6->trigger();
        };
        signIn("ivanova", "1111");
        MODAL_VERIFY();
        QCOMPARE(f.dialogs().count(), 1);
        QCOMPARE(f.dialogs().last().text, QString("Проверьте Ваш логин и пароль"));
        signIn("petrov", "2222");
        MODAL_VERIFY();
        QCOMPARE(f.dialogs().count(), 2);
        QCOMPARE(f.dialogs().last().text, QString("Проверьте Ваш пароль"));
        signIn("petrov", "new");
        MODAL_VERIFY();
        QCOMPARE(f.dialogs().count(), 2);
        QVERIFY(Form6->cb->isChecked());
    }

    // Desk B deletes the account of the clerk signed in at desk A. A's staff
    // window reads the accounts as stored when it opens (its transaction is
    // read committed), so it shows no account: a save there has no row to
    // change and the database refuses it; a new sign-in with that login is
    // refused too.
    void accountDeletedWhileSignedIn()
    {
        Summary sum("accountDeletedWhileSignedIn");
        BoardFixture f(onServer("ivanova", "1111"));
        const QStringList before = f.db().rows(kAccounts);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        QVERIFY(Form6->cb->isChecked());

        OtherDesk deskB(f.db().path());
        deskB.write({data::sql::accountDelete("2")});
        sum.operations = 1;
        QCOMPARE(f.db().value("select count(*) from OTV where LOGIN='ivanova'"), QString("0"));

        QStringList snapshot, afterSave;
        bool browsing = false;
        Modal::whenModalNamed("Form2", [&](QWidget* w) {
            auto* s = static_cast<TForm2*>(w);
            auto fields = [s] {
                return QStringList{s->Edit1->text(), s->Edit2->text(), s->Edit3->text(), s->Edit4->text()};
            };
            snapshot = fields();
            Modal::clickButton(w, "Button4");
            Modal::typeInto(w, "Edit2", "Менеджер");
            Modal::clickButton(w, "Button2");
            afterSave = fields();
            browsing = !s->editing();
            s->N1->trigger();
        });
        b->N4->trigger();
        MODAL_VERIFY();
        sum.operations = 2;
        QCOMPARE(snapshot, (QStringList{"", "", "", ""}));
        QCOMPARE(f.dialogs().count(), 1); // "where id=" without an identifier
        QCOMPARE(f.dialogs().last().caption, QString("Ошибка"));
        QVERIFY(browsing);
        QCOMPARE(afterSave, (QStringList{"", "", "", ""}));

        Modal::whenModalNamed("Form6", [](QWidget* w) {
            Modal::typeInto(w, "Edit1", "ivanova");
            Modal::typeInto(w, "Edit2", "1111");
            Modal::clickButton(w, "Button1");
            w->close(); // still open after the refusal
        });
        b->N6->trigger();
        MODAL_VERIFY();
        QCOMPARE(f.dialogs().count(), 2);
        QCOMPARE(f.dialogs().last().caption, QString("Ошибка"));
        QCOMPARE(f.dialogs().last().text, QString("Проверьте Ваш логин и пароль"));
        QVERIFY(Form6->cb->isChecked()); // the close box keeps the rights of the last sign-in

        // nothing brought the account back
        QStringList expected = before;
        expected.removeAt(1);
        const QStringList stored = f.db().rows(kAccounts);
        sum.count(compareRows(expected, stored));
        QCOMPARE(stored, expected);
    }
};

QTEST_MAIN(SeveralDesksTest)
#include "SeveralDesksTest.moc"
