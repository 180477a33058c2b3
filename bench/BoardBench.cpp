// Figures of the board on a large hotel: prints "name value unit" lines.
//   BoardBench <database file>   (a template database; bookings are added here)
#include "Modal.h"

#include "app/ErrorReport.h"
#include "app/Program.h"
#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/UnDM.h"
#include "data/fb/FbLibrary.h"
#include "platform/ExeDir.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
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

    app::Program program(application);
    program.createDataModule();
    program.createWindows();
    data::TDM& dm = *data::DM;
    Modal::whenModalNamed(QStringLiteral("Form6"), [](QWidget* w) {
        Modal::typeInto(w, QStringLiteral("Edit1"), QStringLiteral("admin"));
        Modal::typeInto(w, QStringLiteral("Edit2"), QStringLiteral("admin"));
        Modal::clickButton(w, QStringLiteral("Button1"));
    });
    Form1->resize(1920, 1080);
    Form1->show();
    if (!QTest::qWaitForWindowExposed(Form1)) {
        std::fprintf(stderr, "the board never came on screen\n");
        return 1;
    }
    QCoreApplication::processEvents();
    if (dm.qAll.recordCount() != kBookings) {
        std::fprintf(stderr, "the board did not open its bookings (%d)\n", dm.qAll.recordCount());
        return 1;
    }

    auto* grid = Form1->StringGrid1;
    std::vector<double> paints;
    grid->viewport()->repaint(); // first paint indexes the fresh qAll
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer t;
        t.start();
        grid->viewport()->repaint();
        paints.push_back(t.nsecsElapsed() / 1e6);
    }
    // Interleaved, so that both see the same state of the machine and the database.
    std::vector<double> clicks, fetches;
    for (int i = 0; i < 7; ++i) {
        int rows = 0;
        fetches.push_back(bareFetch(path, &rows, 1));
        QElapsedTimer t;
        t.start();
        Form1->StringGrid1Click();
        clicks.push_back(t.nsecsElapsed() / 1e6);
    }
    const double fetch = median(fetches);
    const double rss = rssMegabytes();
    const double click = median(clicks);
    std::printf("board.repaint %.2f ms\n", median(paints));
    std::printf("board.click %.1f ms\n", click);
    std::printf("qall.fetch %.1f ms\n", fetch);
    std::printf("board.click/qall.fetch %.2f ratio\n", click / fetch);
    std::printf("client.rss %.0f MB\n", rss);
    std::printf("board.visible_cells %d cells\n", (grid->visibleColCount() + 1) * (grid->visibleRowCount() + 1));

    return 0;
}
