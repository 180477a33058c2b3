// Figures of the board on a large hotel: prints "name value unit" lines.
//   BoardBench <database file>   (a template database; bookings are added here)
#include "Modal.h"

#include "app/ErrorReport.h"
#include "program/Program.h"
#include "board/LiveBoard.h"
#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/ChangeEvents.h"
#include "data/UnDM.h"
#include "data/WriteStatement.h"
#include "data/fb/FbLibrary.h"
#include "platform/ExeDir.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace Firebird;

namespace {

constexpr int kRooms = 50;
constexpr int kBookings = 60000;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void exec(data::TDM& dm, const QString& sql)
{
    dm.tr1.begin();
    dm.IBQuery2.setSql({sql});
    dm.IBQuery2.execute();
    dm.tr1.commit();
}

// 60,000 stays spread over years, 1,200 per room, back to back.
void fillHotel(const QString& path)
{
    data::TDM dm;
    dm.DB.setDatabaseName(path);
    dm.DB.open();
    exec(dm, QStringLiteral("execute block as declare i integer = 13; begin while (i <= %1) do begin "
                            "insert into ZALS (ID, NAME) values (:i, 'N' || :i); i = i + 1; end end")
                 .arg(kRooms));
    const QDate start = platform::today().addDays(-3 * 365);
    exec(dm, QStringLiteral(
                 "execute block as declare i integer = 0; declare r integer; declare n integer; declare d date; "
                 "begin while (i < %1) do begin r = mod(i, %2) + 1; n = i / %2; "
                 "d = cast('%3' as date) + n * 3; "
                 "insert into RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, PRICE, "
                 "SKIDKA, OPLATA, GARANTY, OTV_ID) values (:i + 1, 'Гость номер ' || :i, '8-900-' || :i, "
                 "'Компания', null, 2, 0, 1, :r, :d, :d + 1, 5000, 10, 4500, 'карта', mod(:i, 7) + 1); "
                 "i = i + 1; end end")
                 .arg(kBookings)
                 .arg(kRooms)
                 .arg(start.toString(QStringLiteral("dd.MM.yyyy"))));
    dm.DB.close();
}

// The statement of qAll, fetched through the client library alone.
double bareFetch(const QString& path, int* rows, int runs)
{
    auto& lib = data::fb::Library::instance();
    data::fb::Status status;
    IXpbBuilder* dpb = lib.util()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&status, isc_dpb_user_name, "sysdba");
    dpb->insertString(&status, isc_dpb_password, "hotelpass");
    const QByteArray name = path.toLocal8Bit();
    IAttachment* att = lib.provider()->attachDatabase(&status, name.constData(), dpb->getBufferLength(&status),
                                                       dpb->getBuffer(&status));
    dpb->dispose();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        ITransaction* tra = att->startTransaction(&status, 0, nullptr);
        const char* sql = "select * from RES inner join OTV on OTV.ID=RES.OTV_ID";
        IStatement* st = att->prepare(&status, tra, 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA);
        IMessageMetadata* meta = st->getOutputMetadata(&status);
        std::vector<char> buffer(meta->getMessageLength(&status));
        IResultSet* rs = st->openCursor(&status, tra, nullptr, nullptr, meta, 0);
        int n = 0;
        while (rs->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK)
            ++n;
        rs->close(&status);
        meta->release();
        st->free(&status);
        tra->commit(&status);
        times.push_back(t.nsecsElapsed() / 1e6);
        *rows = n;
    }
    att->detach(&status);
    return median(times);
}

// Milliseconds of one clock that every thread reads.
qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Sees the board's viewport being painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Runs the event loop until done() holds; false after timeoutMs.
template <class Done>
bool spinUntil(Done done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int oatLag(data::TDM& other)
{
    other.tAll.start();
    data::Dataset q(QStringLiteral("mon"), other.tAll,
                    {QStringLiteral("select MON$NEXT_TRANSACTION - MON$OLDEST_ACTIVE as LAG from MON$DATABASE")}, {});
    data::restartDataset(q);
    const int lag = int(q.asInteger(QStringLiteral("LAG")));
    q.close();
    other.tAll.end();
    return lag;
}

double rssMegabytes()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: BoardBench <template database copy>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    fillHotel(path);

    int rows = 0;
    bareFetch(path, &rows, 3); // also the first readers' clean-up after the load
    if (rows != kBookings) {
        std::fprintf(stderr, "expected %d bookings, fetched %d\n", kBookings, rows);
        return 1;
    }

    QTemporaryDir exeDir;
    platform::setExecutableFolderForTests(exeDir.path());
    QFile conf(exeDir.filePath(QStringLiteral("conf.ini")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("[Base]\nPath=%1\n[Rows]\nCount=%2\n[Color]\nOtv=7\nc1=clRed\nc2=clLime\nc3=clSkyBlue\n"
                              "c4=clYellow\nc5=clAqua\nc6=clMoneyGreen\nc7=clCream\n")
                   .arg(path)
                   .arg(kRooms)
                   .toUtf8());
    conf.close();

    // From creating the program's objects to the board on screen with its
    // bookings, the sign-in answered at once.
    const qint64 startBegin = nowMs();
    program::Program program(application);
    program.createDataModule();
    program.createWindows();
    data::TDM& dm = *data::DM;
    Modal::whenModalNamed(QStringLiteral("Form6"), [](QWidget* w) {
        Modal::typeInto(w, QStringLiteral("Edit1"), QStringLiteral("admin"));
        Modal::typeInto(w, QStringLiteral("Edit2"), QStringLiteral("admin"));
        Modal::clickButton(w, QStringLiteral("Button1"));
    });
    Form1->resize(1920, 1080);
    PaintWatch watch;
    Form1->StringGrid1->viewport()->installEventFilter(&watch);
    Form1->show();
    if (!QTest::qWaitForWindowExposed(Form1)) {
        std::fprintf(stderr, "the board never came on screen\n");
        return 1;
    }
    if (!spinUntil([&] { return watch.painted && dm.qAll.recordCount() == kBookings; }, 10000)) {
        std::fprintf(stderr, "the board did not open its bookings (%d)\n", dm.qAll.recordCount());
        return 1;
    }
    const double start = double(nowMs() - startBegin);
    QCoreApplication::processEvents();
    if (!spinUntil([&] { return dm.DB.changes().alive(); }, 5000)) {
        std::fprintf(stderr, "the change events never came alive\n");
        return 1;
    }
    LiveBoard* live = Form1->live();
    spinUntil([&] { return !live->reloadPending() && !live->selectionPending(); }, 5000);

    auto* grid = Form1->StringGrid1;
    std::vector<double> paints;
    grid->viewport()->repaint(); // first paint indexes the fresh qAll
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer t;
        t.start();
        grid->viewport()->repaint();
        paints.push_back(t.nsecsElapsed() / 1e6);
    }
    // Another desk on the same database.
    data::TDM other;
    other.DB.setDatabaseName(path);
    other.DB.open();
    int nextId = kBookings + 100;
    auto otherInsert = [&](int room, const QDate& day) {
        exec(other, QStringLiteral("insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, "
                                   "OTV_ID) values (%1, 'Другой стол', '1', 1, 0, 0, %2, '%3', '%3', 2)")
                        .arg(nextId++)
                        .arg(room)
                        .arg(day.toString(QStringLiteral("dd.MM.yyyy"))));
    };

    // A selection after a change: the notification counted, then the click.
    // Interleaved with the bare fetch, so that both see the same state of the
    // machine and the database.
    std::vector<double> clicks, fetches;
    for (int i = 0; i < 7; ++i) {
        int rows = 0;
        fetches.push_back(bareFetch(path, &rows, 1));
        otherInsert(kRooms, platform::today().addDays(-200 - i));
        if (!dm.DB.changes().awaitChange(2000)) {
            std::fprintf(stderr, "no notification of the other desk's change\n");
            return 1;
        }
        QElapsedTimer t;
        t.start();
        Form1->StringGrid1Click();
        clicks.push_back(t.nsecsElapsed() / 1e6);
        spinUntil([&] { return !live->reloadPending(); }, 5000);
    }
    // A selection when nothing changed since the last reading.
    std::vector<double> unchanged;
    const quint64 unchangedFrom = dm.qAll.generation();
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer t;
        t.start();
        Form1->StringGrid1Click();
        unchanged.push_back(t.nsecsElapsed() / 1e6);
    }
    const quint64 unchangedReads = dm.qAll.generation() - unchangedFrom;

    // A new booking at the other desk until this board has repainted with it,
    // no input here.
    std::vector<double> visible;
    for (int i = 0; i < 5; ++i) {
        const int room = 1 + i;
        const int count = dm.qAll.recordCount();
        otherInsert(room, platform::today());
        const qint64 committed = nowMs();
        const quint64 read = dm.qAll.generation();
        bool reread = false;
        auto shown = [&] {
            if (!reread && dm.qAll.generation() != read) {
                reread = true;
                watch.painted = false; // the paint that counts comes after the reading
            }
            return reread && watch.painted && dm.qAll.recordCount() == count + 1;
        };
        if (!spinUntil(shown, 10000)) {
            std::fprintf(stderr, "the other desk's booking never showed\n");
            return 1;
        }
        visible.push_back(double(nowMs() - committed));
        spinUntil([&] { return !live->reloadPending(); }, 5000);
    }

    // 60 Right presses 50 ms apart while every selection reads all bookings
    // (no notifications), from the last press to the board being idle.
    dm.DB.changes().cancel();
    auto* grid0 = Form1->StringGrid1;
    grid0->setCol(2);
    spinUntil([&] { return !live->selectionPending(); }, 5000);
    const int fromCol = grid0->col();
    const quint64 arrowFrom = dm.qAll.generation();
    std::atomic<qint64> lastPress{0};
    std::thread keys([&] {
        for (int i = 0; i < 60; ++i) {
            if (i > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            auto* e = new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            const qint64 at = nowMs();
            e->setTimestamp(ulong(at));
            QCoreApplication::postEvent(grid0, e);
            if (i == 59)
                lastPress = at;
        }
    });
    spinUntil([&] { return lastPress.load() != 0 && grid0->col() == fromCol + 60 && !live->selectionPending(); },
              60000);
    const double backlog = double(nowMs() - lastPress.load());
    keys.join();
    const quint64 arrowReads = dm.qAll.generation();
    const QDate expectedDay = QDate::fromString(grid0->cell(fromCol + 60, 0), QStringLiteral("dd.MM.yyyy"));
    const bool calendarFollowed = Form1->MC->selectedDate() == expectedDay;

    // The board left idle while the other desk makes 1,000 one-row updates.
    for (int i = 0; i < 1000; ++i)
        exec(other, QStringLiteral("update ZALS set NAME='N%1' where ID=%2").arg(i % 10).arg(kRooms));
    const int lag = oatLag(other);

    const double fetch = median(fetches);
    const double rss = rssMegabytes();
    const double click = median(clicks);
    const double clickUnchanged = median(unchanged);
    std::printf("board.repaint %.2f ms\n", median(paints));
    std::printf("board.click %.1f ms\n", click);
    std::printf("qall.fetch %.1f ms\n", fetch);
    std::printf("board.click/qall.fetch %.2f ratio\n", click / fetch);
    std::printf("board.click.unchanged %.2f ms\n", clickUnchanged);
    std::printf("board.click.unchanged/qall.fetch %.4f ratio\n", clickUnchanged / fetch);
    std::printf("board.click.unchanged.reads %llu count\n",
                static_cast<unsigned long long>(unchangedReads));
    std::printf("desk.change_visible %.0f ms\n", median(visible));
    std::printf("desk.change_visible.max %.0f ms\n", *std::max_element(visible.begin(), visible.end()));
    std::printf("desk.change_visible/qall.fetch %.2f ratio\n", median(visible) / fetch);
    std::printf("board.start %.0f ms\n", start);
    std::printf("board.start/qall.fetch %.2f ratio\n", start / fetch);
    std::printf("board.arrow_backlog %.0f ms\n", backlog);
    std::printf("board.arrow_backlog/qall.fetch %.2f ratio\n", backlog / fetch);
    std::printf("board.arrow_backlog.reads %llu count\n",
                static_cast<unsigned long long>(arrowReads - arrowFrom));
    std::printf("board.arrow_backlog.calendar_on_last_cell %d bool\n", calendarFollowed ? 1 : 0);
    std::printf("server.oat_lag %d transactions\n", lag);
    std::printf("client.rss %.0f MB\n", rss);
    std::printf("board.visible_cells %d cells\n", (grid->visibleColCount() + 1) * (grid->visibleRowCount() + 1));

    return 0;
}
