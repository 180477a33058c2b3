#include "DesktopRun.h"
#include "TestDb.h"

#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/Transaction.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

// The real executable on a display of its own, as a user and the desktop
// session meet it: ended by signals and by the display going away, opening a
// database in a folder with non-ASCII letters, drawing a booking saved from a
// double-click as soon as the editor closes.
namespace {

const QString kSignIn = QStringLiteral("Идентификация");
const QString kBoard = QStringLiteral("Бронирование номеров");
const QString kEditor = QStringLiteral("Бронь");

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0); // c1: a booking saved with no manager chosen has OTV_ID 1

QString conf(const QString& path)
{
    return QStringLiteral("[Base]\nPath=%1\n[Rows]\nCount=12\n[Color]\nOtv=7\nc1=clRed\nc2=clLime\nc3=clBlue\n"
                          "c4=clYellow\nc5=clAqua\nc6=clFuchsia\nc7=clSilver\n")
        .arg(path);
}

// A copy of the template database in a folder of the given name, for the
// embedded engine or for the loopback server.
struct DbCopy {
    QTemporaryDir base;
    QString file;
    QString path; // as conf.ini names it

    DbCopy(const QString& folder, bool server)
        : base(server ? qEnvironmentVariable("HOTEL_TEST_SERVER_DIR", QStringLiteral("/tmp/hotel-test-server")) +
                            QStringLiteral("/path-XXXXXX")
                      : QDir::tempPath() + QStringLiteral("/hotelpath-XXXXXX"))
    {
        QDir(base.path()).mkpath(folder);
        const QString dir = base.filePath(folder);
        file = dir + QStringLiteral("/hotel.fdb");
        if (!QFile::copy(QStringLiteral(HOTEL_TEMPLATE_DB), file))
            file.clear();
        // The server runs as its own user.
        const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                         QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        for (const QString& d : {base.path(), dir})
            QFile::setPermissions(d, all | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther);
        QFile::setPermissions(file, all);
        path = server ? qEnvironmentVariable("HOTEL_TEST_SERVER", QStringLiteral("localhost")) + QLatin1Char(':') + file
                      : file;
    }
};

QString runTool(const QString& program, const QStringList& args, const QByteArray& input, int* status)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        *status = -1;
        return QStringLiteral("%1 did not finish").arg(program);
    }
    *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAll()).trimmed();
}

// Another process can open the database afterwards, and the full validation
// finds nothing; empty when all is well.
QString problemsAfterwards(const QString& path)
{
    const bool server = path.contains(QLatin1Char(':'));
    QStringList login{"-user", "SYSDBA"};
    if (server)
        login << "-password" << "hotelpass";
    QStringList problems;
    int status = 0;
    const QString validation = runTool("gfix", QStringList{"-v", "-full"} + login + QStringList{path}, {}, &status);
    if (status != 0 || !validation.isEmpty())
        problems << QStringLiteral("gfix -v -full (status %1): %2").arg(status).arg(validation);
    const QString count =
        runTool("isql-fb", QStringList{"-q"} + login + QStringList{path}, "select count(*) from OTV;\n", &status);
    if (status != 0 || !count.contains(QLatin1String("8")))
        problems << QStringLiteral("isql-fb (status %1): %2").arg(status).arg(count);
    return problems.join(QLatin1Char('\n'));
}

bool white(const QImage& img, int x, int y)
{
    return img.pixel(x, y) == kWhite && img.pixel(x, y + 5) == kWhite;
}

// Top-left corner of the first date cell of room row 1 on screen: the board
// sits at its stated place (195, 55); going down inside the first visible
// date column, the menu bar, then the header row, then the white cell.
QPoint firstDateCell(const QImage& img)
{
    const int x = 195 + 166 + 150;
    int top = -1;
    bool header = false;
    for (int y = 55; y < img.height() - 10 && top < 0; ++y) {
        if (!white(img, x, y))
            header = true;
        else if (header)
            top = y;
    }
    int left = -1;
    for (int c = 195 + 170; top >= 0 && c < img.width() - 10 && left < 0; ++c)
        if (white(img, c, top + 5) && img.pixel(c + 5, top + 5) == kWhite)
            left = c;
    return {left, top};
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

    // Each helper gives the step that did not come about; empty when all did.
    static QString signIn(DesktopRun& run)
    {
        if (!run.waitForWindow(kSignIn) || !run.focus(kSignIn))
            return QStringLiteral("the sign-in dialog did not come up");
        if (!run.type("admin") || !run.keys({"Tab"}) || !run.type("admin") || !run.keys({"Return"}))
            return QStringLiteral("typing into the sign-in dialog failed");
        if (!run.waitForWindow(kBoard) || !run.focus(kBoard))
            return QStringLiteral("the board did not come up after the sign-in");
        return {};
    }

    // The board's first date cell once the board is drawn.
    static QPoint boardOnScreen(DesktopRun& run)
    {
        QElapsedTimer t;
        t.start();
        QPoint first(-1, -1);
        do {
            first = firstDateCell(run.screen());
            if (first.x() >= 0 && first.y() >= 0)
                break;
            QThread::msleep(100);
        } while (t.elapsed() < 10000);
        return first;
    }

    // The board with the editor open on the free cell of the fifth date
    // column, room 2, with a guest's name typed.
    static QString openEditor(DesktopRun& run, QPoint* cell = nullptr)
    {
        const QPoint first = boardOnScreen(run);
        if (first.x() < 0 || first.y() < 0)
            return QStringLiteral("the board's cells were not found on screen");
        const QPoint at = first + QPoint(4 * 100, 40);
        if (cell)
            *cell = at;
        if (!run.click(at + QPoint(50, 20)) || !run.doubleClick(at + QPoint(50, 20)))
            return QStringLiteral("clicking failed");
        if (!run.waitForWindow(kEditor) || !run.focus(kEditor))
            return QStringLiteral("the editor did not come up after the double-click");
        if (!run.type("Test"))
            return QStringLiteral("typing into the editor failed");
        return {};
    }

    static QString reach(DesktopRun& run, const QString& state)
    {
        if (!run.waitForWindow(kSignIn))
            return QStringLiteral("the sign-in dialog did not come up (%1): ")
                       .arg(run.pid() > 0 ? QStringLiteral("the program still runs")
                                          : QStringLiteral("the program ended with %1").arg(run.exitCode()))
                + run.output();
        if (state == QLatin1String("sign-in"))
            return {};
        if (QString problem = signIn(run); !problem.isEmpty())
            return problem;
        return state == QLatin1String("board") ? QString() : openEditor(run);
    }

private slots:
    // Ctrl+C, kill and the end of the desktop session end the program as
    // "Выход" does, whatever window is open.
    void endsOnSignal_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("signalNumber");
        for (const char* state : {"sign-in", "board", "editor"}) {
            for (const auto& [number, name] : {std::pair{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}})
                QTest::addRow("%s, %s", state, name) << QString::fromLatin1(state) << number;
        }
    }

    void endsOnSignal()
    {
        QFETCH(QString, state);
        QFETCH(int, signalNumber);
        TestDb db;
        QVERIFY(db.ok());
        DesktopRun run(QStringLiteral(HOTEL_EXECUTABLE));
        run.writeConf(conf(db.path()));
        QVERIFY2(run.start(), qPrintable(run.problem()));
        const QString reached = reach(run, state);
        QVERIFY2(reached.isEmpty(), qPrintable(reached));
        QVERIFY(run.holds(db.file()));

        run.sendSignal(signalNumber);
        QVERIFY2(run.waitForEnd(10000), "the program is still running");
        QVERIFY2(run.elapsedMs() <= 2000, qPrintable(QString::number(run.elapsedMs())));
        QVERIFY(!run.crashed());
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(run.boxes(), QStringList());
        const QString problems = problemsAfterwards(db.path());
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        // The booking typed into the editor was not saved: dropped as at any close.
        QCOMPARE(db.value("select count(*) from RES"), QString("0"));
    }

    // The X server going away ends the program too, and the database is
    // released; the toolkit gives this end its own status 1.
    void endsWhenTheDisplayGoes_data()
    {
        QTest::addColumn<QString>("state");
        for (const char* state : {"sign-in", "board", "editor"})
            QTest::newRow(state) << QString::fromLatin1(state);
    }

    void endsWhenTheDisplayGoes()
    {
        QFETCH(QString, state);
        TestDb db;
        QVERIFY(db.ok());
        DesktopRun run(QStringLiteral(HOTEL_EXECUTABLE));
        run.writeConf(conf(db.path()));
        QVERIFY2(run.start(), qPrintable(run.problem()));
        const QString reached = reach(run, state);
        QVERIFY2(reached.isEmpty(), qPrintable(reached));
        QVERIFY(run.holds(db.file()));

        run.stopDisplay();
        QVERIFY2(run.waitForEnd(10000), "the program is still running");
        QVERIFY2(run.elapsedMs() <= 2000, qPrintable(QString::number(run.elapsedMs())));
        QVERIFY2(!run.crashed(), qPrintable(run.output()));
        QCOMPARE(run.exitCode(), 1);
        const QString problems = problemsAfterwards(db.path());
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // Path reaches the client library as the system names files.
    void opensPathWithNonAsciiLetters_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("server");
        QTest::newRow("embedded, Cyrillic folder") << "Отель" << false;
        QTest::newRow("embedded, accented Latin letters") << "Hôtel é" << false;
        QTest::newRow("server, Cyrillic folder with blanks") << "Гостиница «Юг»/Отель" << true;
    }

    void opensPathWithNonAsciiLetters()
    {
        QFETCH(QString, folder);
        QFETCH(bool, server);
        if (server && !TestDb::serverAvailable())
            QSKIP("the loopback Firebird server is not running (scripts/test starts it)");
        DbCopy copy(folder, server);
        QVERIFY(!copy.file.isEmpty());
        DesktopRun run(QStringLiteral(HOTEL_EXECUTABLE));
        run.writeConf(conf(copy.path));
        QVERIFY2(run.start(), qPrintable(run.problem()));
        // The sign-in comes only over an open connection.
        const QString signedIn = signIn(run);
        QVERIFY2(signedIn.isEmpty(), qPrintable(signedIn + '\n' + run.boxes().join('\n')));
        QCOMPARE(run.boxes(), QStringList());
        if (server) {
            data::Connection look;
            look.setDatabaseName(copy.path);
            look.open();
            data::Transaction tr(look, QStringLiteral("look"), {});
            data::Dataset q(QStringLiteral("look"), tr,
                            {QStringLiteral("select count(*) from MON$ATTACHMENTS where MON$REMOTE_PID=%1")
                                 .arg(run.pid())},
                            {});
            q.open();
            QCOMPARE(q.textAt(0, 0), QString("1"));
            q.close();
            tr.commit();
            look.close();
        } else {
            QVERIFY(run.holds(copy.file));
        }

        run.sendSignal(SIGTERM);
        QVERIFY2(run.waitForEnd(10000), "the program is still running");
        QCOMPARE(run.exitCode(), 0);
        const QString problems = problemsAfterwards(copy.path);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // A booking saved from a double-click on a cell the editor does not cover
    // is drawn as soon as the editor closes: its arrival cell and its next day.
    void savedBookingIsDrawnAtOnce()
    {
        TestDb db;
        QVERIFY(db.ok());
        DesktopRun run(QStringLiteral(HOTEL_EXECUTABLE));
        run.writeConf(conf(db.path()));
        QVERIFY2(run.start(), qPrintable(run.problem()));
        const QString signedIn = signIn(run);
        QVERIFY2(signedIn.isEmpty(), qPrintable(signedIn));
        QPoint cell;
        const QString opened = openEditor(run, &cell);
        QVERIFY2(opened.isEmpty(), qPrintable(opened));
        // The editor stands at (488, 55), 362 wide: both cells lie right of it.
        QVERIFY(cell.x() > 488 + 362);
        const QPoint arrival = cell + QPoint(4, 4);
        const QPoint nextDay = arrival + QPoint(100, 0);
        QImage shown = run.screen();
        QCOMPARE(shown.pixel(arrival), kWhite);
        QCOMPARE(shown.pixel(nextDay), kWhite);

        // Departure one day later (Tab to "Дата выезда", Up), Tab to "Сохранить", then close.
        QStringList keys;
        for (int i = 0; i < 9; ++i)
            keys << "Tab";
        keys << "Up";
        for (int i = 0; i < 6; ++i)
            keys << "Tab";
        keys << "space";
        QVERIFY(run.keys(keys));
        QVERIFY(run.keys({"Escape"}));
        QVERIFY(run.waitWhileWindow(kEditor));

        QElapsedTimer t;
        t.start();
        do {
            shown = run.screen();
            if (shown.pixel(arrival) == kRed && shown.pixel(nextDay) == kRed)
                break;
            QThread::msleep(100);
        } while (t.elapsed() < 3000);
        QCOMPARE(QColor(shown.pixel(arrival)), QColor(kRed));
        QCOMPARE(QColor(shown.pixel(nextDay)), QColor(kRed));
        QCOMPARE(run.boxes(), QStringList());

        run.sendSignal(SIGTERM);
        QVERIFY(run.waitForEnd(10000));
        QCOMPARE(db.rows("select CLIENT, DATE2 - DATE1, OTV_ID from RES"), QStringList{"Test|1|1"});
    }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
