#include "BoardFixture.h"
#include "Desks.h"
#include "ServerControl.h"

#include "app/ErrorReport.h"
#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/UnDM.h"
#include "platform/ExeDir.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "staff/Unit5.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTest>

#include <memory>

// The server stopped or killed under desk A: while the board is idle, while a
// write waits for another desk's lock, and when the main window closes.
namespace {

const QDate kToday(2026, 11, 25);
constexpr int kTodayCol = 62;
const QString kTodayText = QStringLiteral("25.11.2026");
// Long enough for desk A to be waiting in the server when the fault comes.
constexpr int kFaultDelayMs = 1500;
constexpr int kHangLimitSeconds = 30;

const QString kBookings = QStringLiteral("select ID, CLIENT, TEL, ZALS_ID, DATE1, DATE2, OTV_ID from RES order by ID");
const QString kAccounts = QStringLiteral("select ID, NAME, DOLJN, LOGIN, PWD, GR from OTV order by ID");

struct Figures {
    int faults = 0;      // server stops and kills
    int operations = 0;  // writes attempted by desk A
    int rowsLost = 0;    // rows there before the fault and gone after it
    int rowsChanged = 0; // rows that a failed write changed all the same
};
Figures g_total;
int g_cases = 0;

// The figures of one case, printed when it ends, also when it fails.
struct Summary : Figures {
    const char* test;
    int desks = 1;
    qint64 writeTookMs = -1; // from the click to the failure, the fault coming at kFaultDelayMs
    explicit Summary(const char* name) : test(name) {}
    ~Summary()
    {
        ++g_cases;
        g_total.faults += faults;
        g_total.operations += operations;
        g_total.rowsLost += rowsLost;
        g_total.rowsChanged += rowsChanged;
        const QString timing = writeTookMs < 0 ? QString()
                                                : QStringLiteral(", write failed %1 ms after it began (fault at %2 ms)")
                                                      .arg(writeTookMs)
                                                      .arg(kFaultDelayMs);
        qInfo("summary %s(%s)%s: desks %d, operations %d, faults injected %d%s, rows lost %d, rows half-written %d",
              test, QTest::currentDataTag() ? QTest::currentDataTag() : "",
              QTest::currentTestFailed() ? " FAILED" : "", desks, operations, faults, qPrintable(timing), rowsLost,
              rowsChanged);
    }
    void count(const RowLoss& loss)
    {
        rowsLost += loss.lost;
        rowsChanged += loss.changed + loss.added;
    }
};

BoardFixture::Options onServer()
{
    BoardFixture::Options o;
    o.where = TestDb::Where::Server;
    return o;
}

void faultRows()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("server stopped") << "stop";
    QTest::newRow("server killed") << "kill";
}

// A message of the client library about the lost server, not one of the
// program's own texts.
bool fromLostServer(const QString& text)
{
    return text.contains(QLatin1String("connection"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("network"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("shutdown"), Qt::CaseInsensitive);
}

QString describe(const QList<platform::MessageRequest>& boxes, qsizetype from = 0)
{
    QStringList out;
    for (qsizetype i = from; i < boxes.size(); ++i)
        out << QStringLiteral("[%1] %2").arg(boxes[i].caption, QString(boxes[i].text).replace('\n', " / "));
    return out.join(QStringLiteral("; "));
}

bool noTransactionActive(const data::TDM& dm)
{
    for (const data::Transaction* t : {&dm.Tran1, &dm.tr1, &dm.tAll, &dm.tZals, &dm.tOtv, &dm.tIm})
        if (t->active())
            return false;
    return true;
}

// The database through the restarted server.
QStringList stored(BoardFixture& f)
{
    return f.db().rows(kBookings) + f.db().rows(kAccounts);
}

// What the cases of a write waiting for another desk start from: the whole
// program on the server with today's booking of room 3, the stored rows as
// they were, and (holdBooking, once the board is on screen) the other desk
// with that booking open in its editor. Members go in the reverse order of
// their declaration, the other desk first, the server guard last.
struct WaitingScene {
    explicit WaitingScene(const char* name) : sum(name), f(onServer())
    {
        sum.desks = 2;
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        before = stored(f);
    }
    OtherDesk& holdBooking()
    {
        deskB = std::make_unique<OtherDesk>(f.db().path());
        deskB->holdBooking(kTodayText, 3);
        return *deskB;
    }

    Summary sum;
    ServerGuard guard;
    BoardFixture f;
    QStringList before;
    std::unique_ptr<OtherDesk> deskB;
};

} // namespace

class ServerFaultTest : public QObject {
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
        const fbserver::Outcome o = fbserver::run(QStringLiteral("start"));
        QVERIFY2(o.ok(), qPrintable(o.output));
    }

    void cleanup() { Modal::closeModals(); }

    void cleanupTestCase()
    {
        qInfo("summary ServerFaultTest: cases %d, operations %d, faults injected %d, rows lost %d, "
              "rows half-written %d",
              g_cases, g_total.operations, g_total.faults, g_total.rowsLost, g_total.rowsChanged);
    }

    // The next selection meets the lost connection: the general error report
    // shows the library's message, qAll stays closed, and the painting that
    // follows asks the program to end.
    void idleBoard_data() { faultRows(); }
    void idleBoard()
    {
        QFETCH(QString, fault);
        Summary sum("idleBoard");
        ServerGuard guard;
        BoardFixture f(onServer());
        f.addBooking(7, 3, kToday, kToday.addDays(2), 2);
        const QStringList before = f.db().rows(kBookings);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        QVERIFY(data::DM->qAll.isOpen());

        const fbserver::Outcome injected = fbserver::run(fault);
        QVERIFY2(injected.ok(), qPrintable(injected.output));
        sum.faults = 1;
        const int boxes = f.dialogs().count();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(kTodayCol + 1, 3).center());
        QCOMPARE(g->col(), kTodayCol + 1);
        QCOMPARE(f.dialogs().count(), boxes + 1);
        const platform::MessageRequest report = f.dialogs().last();
        qInfo("%s: %s", qPrintable(fault), qPrintable(describe(f.dialogs().messages(), boxes)));
        QCOMPARE(report.caption, platform::programTitle());
        QCOMPARE(report.icon, platform::MsgIcon::Error);
        QVERIFY2(fromLostServer(report.text), qPrintable(report.text));
        QVERIFY(report.text.endsWith('.'));
        QVERIFY(!data::DM->qAll.isOpen());
        QVERIFY(!data::DM->Quk.isOpen());
        // the failed restart left no transaction behind; the rooms' and the
        // staff's snapshots stay as the first show left them
        QVERIFY(!data::DM->tAll.active());
        QVERIFY(!data::DM->Tran1.active());
        QVERIFY(!data::DM->tr1.active());

        QVERIFY(!app::endRequested());
        g->viewport()->repaint();
        QVERIFY(app::endRequested());

        const fbserver::Outcome started = fbserver::run(QStringLiteral("start"));
        QVERIFY2(started.ok(), qPrintable(started.output));
        const QStringList after = f.db().rows(kBookings);
        sum.count(compareRows(before, after));
        QCOMPARE(after, before);
    }

    // Desk A's save of a changed booking waits for desk B, which holds RES in
    // its table-stability transaction; the server goes away meanwhile.
    void saveWhileWaiting_data() { faultRows(); }
    void saveWhileWaiting()
    {
        QFETCH(QString, fault);
        WaitingScene scene("saveWhileWaiting");
        Summary& sum = scene.sum;
        BoardFixture& f = scene.f;
        const QStringList& before = scene.before;
        QVERIFY(f.start());
        MODAL_VERIFY();
        OtherDesk& deskB = scene.holdBooking();
        QVERIFY(deskB.dm.Tran1.active());

        qint64 took = -1;
        int boxes = -1;
        bool viewing = false, tr1Open = true;
        fbserver::Outcome injected;
        Modal::whenModalNamed("Form4", [&](QWidget* w) {
            auto* e = static_cast<TForm4*>(w);
            Modal::typeInto(w, "Edit3", "8-900-000-00-00");
            boxes = f.dialogs().count();
            {
                DelayedFault inject(fault, kFaultDelayMs);
                Watchdog dog(kHangLimitSeconds, "the booking editor's save");
                QElapsedTimer clock;
                clock.start();
                Modal::clickButton(w, "Button2");
                took = clock.elapsed();
                injected = inject.finish();
            }
            viewing = !e->editing();
            tr1Open = data::DM->tr1.active();
            e->N1->trigger();
        }, 60000);
        BoardFixture::doubleClick(f.board(), kTodayCol, 3);
        MODAL_VERIFY();
        sum.faults = 1;
        sum.operations = 1;
        sum.writeTookMs = took;
        QVERIFY2(injected.ok(), qPrintable(injected.output));
        const QList<platform::MessageRequest> shown = f.dialogs().messages();
        qInfo("%s, %lld ms: %s", qPrintable(fault), took, qPrintable(describe(shown, boxes)));
        QVERIFY2(took >= kFaultDelayMs - 200, "the save did not wait for desk B");
        QVERIFY(took < kHangLimitSeconds * 1000);
        QVERIFY(shown.size() > boxes);
        QCOMPARE(shown[boxes].caption, QString("Ошибка"));
        QCOMPARE(shown[boxes].icon, platform::MsgIcon::Error);
        QVERIFY2(fromLostServer(shown[boxes].text), qPrintable(shown[boxes].text));
        QVERIFY(viewing);
        QVERIFY(!tr1Open);

        const fbserver::Outcome started = fbserver::run(QStringLiteral("start"));
        QVERIFY2(started.ok(), qPrintable(started.output));
        const QStringList after = stored(f);
        sum.count(compareRows(before, after));
        QCOMPARE(after, before);
    }

    // The same for a deletion from the board's context menu.
    void deletionWhileWaiting_data() { faultRows(); }
    void deletionWhileWaiting()
    {
        QFETCH(QString, fault);
        WaitingScene scene("deletionWhileWaiting");
        Summary& sum = scene.sum;
        BoardFixture& f = scene.f;
        const QStringList& before = scene.before;
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        OtherDesk& deskB = scene.holdBooking();
        b->StringGrid1->setRow(3);
        QCOMPARE(b->StringGrid1->col(), kTodayCol);
        QCOMPARE(b->Edit1->text(), QString("Гость"));

        const int boxes = f.dialogs().count();
        f.dialogs().answerNext(platform::Yes);
        qint64 took = -1;
        fbserver::Outcome injected;
        {
            DelayedFault inject(fault, kFaultDelayMs);
            Watchdog dog(kHangLimitSeconds, "the deletion from the board");
            QElapsedTimer clock;
            clock.start();
            b->N5->trigger();
            took = clock.elapsed();
            injected = inject.finish();
        }
        sum.faults = 1;
        sum.operations = 1;
        sum.writeTookMs = took;
        QVERIFY2(injected.ok(), qPrintable(injected.output));
        const QList<platform::MessageRequest> shown = f.dialogs().messages();
        qInfo("%s, %lld ms: %s", qPrintable(fault), took, qPrintable(describe(shown, boxes)));
        QVERIFY2(took >= kFaultDelayMs - 200, "the deletion did not wait for desk B");
        QVERIFY(took < kHangLimitSeconds * 1000);
        QVERIFY(shown.size() > boxes + 1);
        QCOMPARE(shown[boxes].text, QString("Продолжить удаление?"));
        QCOMPARE(shown[boxes + 1].caption, QString("Ошибка"));
        QVERIFY2(fromLostServer(shown[boxes + 1].text), qPrintable(shown[boxes + 1].text));
        QVERIFY(!data::DM->tr1.active());

        const fbserver::Outcome started = fbserver::run(QStringLiteral("start"));
        QVERIFY2(started.ok(), qPrintable(started.output));
        const QStringList after = stored(f);
        sum.count(compareRows(before, after));
        QCOMPARE(after, before);
    }

    // The same for the staff window's "Изменить" and "Сохранить": desk B's
    // table stability covers OTV as well.
    void accountSaveWhileWaiting_data() { faultRows(); }
    void accountSaveWhileWaiting()
    {
        QFETCH(QString, fault);
        WaitingScene scene("accountSaveWhileWaiting");
        Summary& sum = scene.sum;
        BoardFixture& f = scene.f;
        const QStringList& before = scene.before;
        QVERIFY(f.start());
        MODAL_VERIFY();
        OtherDesk& deskB = scene.holdBooking();

        qint64 took = -1;
        int boxes = -1;
        bool tr1Open = true;
        QString typed;
        fbserver::Outcome injected;
        Modal::whenModalNamed("Form2", [&](QWidget* w) {
            auto* s = static_cast<TForm2*>(w);
            Modal::clickButton(w, "Button4");
            Modal::typeInto(w, "Edit2", "Директор");
            typed = s->Edit2->text();
            boxes = f.dialogs().count();
            {
                DelayedFault inject(fault, kFaultDelayMs);
                Watchdog dog(kHangLimitSeconds, "the staff window's save");
                QElapsedTimer clock;
                clock.start();
                Modal::clickButton(w, "Button2");
                took = clock.elapsed();
                injected = inject.finish();
            }
            tr1Open = data::DM->tr1.active();
            s->N1->trigger();
        }, 60000);
        f.board()->N4->trigger();
        MODAL_VERIFY();
        sum.faults = 1;
        sum.operations = 1;
        sum.writeTookMs = took;
        QCOMPARE(typed, QString("Директор"));
        QVERIFY2(injected.ok(), qPrintable(injected.output));
        const QList<platform::MessageRequest> shown = f.dialogs().messages();
        qInfo("%s, %lld ms: %s", qPrintable(fault), took, qPrintable(describe(shown, boxes)));
        QVERIFY2(took >= kFaultDelayMs - 200, "the save did not wait for desk B");
        QVERIFY(took < kHangLimitSeconds * 1000);
        QVERIFY(shown.size() > boxes);
        QCOMPARE(shown[boxes].caption, QString("Ошибка"));
        QVERIFY2(fromLostServer(shown[boxes].text), qPrintable(shown[boxes].text));
        QVERIFY(!tr1Open);

        const fbserver::Outcome started = fbserver::run(QStringLiteral("start"));
        QVERIFY2(started.ok(), qPrintable(started.output));
        const QStringList after = stored(f);
        sum.count(compareRows(before, after));
        QCOMPARE(after, before);
    }

    // Closing the main window when the connection cannot be closed: the
    // attachment is released all the same, the failure is reported, the window
    // stays; the second close ends the program.
    void closingAfterServerLoss_data() { faultRows(); }
    void closingAfterServerLoss()
    {
        QFETCH(QString, fault);
        Summary sum("closingAfterServerLoss");
        ServerGuard guard;
        BoardFixture f(onServer());
        const QStringList before = stored(f);
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        // a change left open in tr1: the commit at closing can no longer happen
        data::DM->tr1.begin();
        data::DM->IBQuery2.setSql({"update OTV set DOLJN='при выходе' where ID=1"});
        data::DM->IBQuery2.execute();
        sum.operations = 1;

        const fbserver::Outcome injected = fbserver::run(fault);
        QVERIFY2(injected.ok(), qPrintable(injected.output));
        sum.faults = 1;
        const int boxes = f.dialogs().count();
        QElapsedTimer clock;
        clock.start();
        b->close();
        const qint64 closing = clock.elapsed();
        qInfo("%s, closing took %lld ms: %s", qPrintable(fault), closing,
              qPrintable(describe(f.dialogs().messages(), boxes)));
        QVERIFY(!data::DM->DB.isOpen());
        QVERIFY(noTransactionActive(*data::DM));
        QVERIFY(b->isVisible());
        QCOMPARE(f.dialogs().count(), boxes + 1);
        QCOMPARE(f.dialogs().last().caption, platform::programTitle());
        QCOMPARE(f.dialogs().last().icon, platform::MsgIcon::Error);
        QVERIFY2(fromLostServer(f.dialogs().last().text), qPrintable(f.dialogs().last().text));

        b->close();
        QVERIFY(!b->isVisible());
        QCOMPARE(f.dialogs().count(), boxes + 1);
        app::resetEndRequestForTests();

        const fbserver::Outcome started = fbserver::run(QStringLiteral("start"));
        QVERIFY2(started.ok(), qPrintable(started.output));
        const QStringList after = stored(f);
        sum.count(compareRows(before, after));
        QCOMPARE(after, before);
    }
};

QTEST_MAIN(ServerFaultTest)
#include "ServerFaultTest.moc"
