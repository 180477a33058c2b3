#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The real executable, copied into a folder of its own with a conf.ini, started
// from another working directory; its message boxes are answered and logged.
class ProgramTest : public QObject {
    Q_OBJECT

    struct Run {
        int exitCode = -1;
        bool finished = false;
        QStringList boxes;
        QString out;
        QString exeDir;
    };

    Run run(const QString& exeName, const QString& conf, const QStringList& env = {}, const QStringList& args = {})
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath(exeName);
        QFile::copy(QStringLiteral(HOTEL_EXECUTABLE), exe);
        QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!conf.isNull()) {
            QFile f(dir.filePath("conf.ini"));
            f.open(QIODevice::WriteOnly);
            f.write(conf.toUtf8());
        }
        const QString log = dir.filePath("boxes.log");
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        e.insert("HOTEL_UNATTENDED_LOG", log);
        for (const QString& kv : env) {
            if (kv.endsWith('='))
                e.remove(kv.chopped(1));
            else
                e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        }
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(QDir::rootPath());
        p.start(exe, args);
        Run r;
        r.finished = p.waitForFinished(60000);
        if (!r.finished)
            p.kill();
        r.exitCode = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.exeDir = dir.path();
        QFile f(log);
        if (f.open(QIODevice::ReadOnly))
            r.boxes = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        return r;
    }

private slots:
    void missingClientLibrary()
    {
        const Run r = run("hotel", "[Base]\nPath=/tmp/none.fdb\n", {"HOTEL_FBCLIENT=/nonexistent/libfbclient.so.2"});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.boxes.size(), 1);
        QVERIFY2(r.boxes[0].startsWith("Application Error|error|"), qPrintable(r.boxes[0]));
        QVERIFY(r.boxes[0].contains("/nonexistent/libfbclient.so.2"));
    }

    void unreachableDatabaseEndsByItself_data()
    {
        QTest::addColumn<QString>("conf");
        QTest::newRow("server refuses") << "[Base]\nPath=127.0.0.1/1:/tmp/hotel.fdb\n[Rows]\nCount=12\n";
        QTest::newRow("no such file") << "[base]\npath=\"/nonexistent/hotel.fdb\"\n";
        QTest::newRow("no conf.ini") << QString();
    }
    void unreachableDatabaseEndsByItself()
    {
        QFETCH(QString, conf);
        // The title is the file name up to its first full stop, capitalised.
        const Run r = run("BRON.client", conf);
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 0);
        // The connection failure, then the board's first move (and, when the
        // window got activated before the end, its move to today) fail; the
        // sign-in dialog never comes.
        QVERIFY2(r.boxes.size() == 2 || r.boxes.size() == 3, qPrintable(r.boxes.join('\n')));
        QVERIFY2(r.boxes[0].startsWith("Bron|error|"), qPrintable(r.boxes[0]));
        QVERIFY(!r.boxes[0].contains("DB is not open"));
        QVERIFY(r.boxes[0].endsWith('.'));
        for (int i = 1; i < r.boxes.size(); ++i)
            QCOMPARE(r.boxes[i], QString("Bron|error|Cannot perform operation -- DB is not open."));
    }

    // Asked by hand on a machine without a display: answered before the
    // window system is looked for.
    void informationWithoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("version") << "--version" << "hotel " HOTEL_VERSION "\nНастройки: %1/conf.ini\n";
        QTest::newRow("help") << "--help"
                              << "Бронирование номеров " HOTEL_VERSION "\nЗапуск: hotel [--version | --help]\n"
                                 "Настройки читаются из %1/conf.ini\n"
                                 "  --version  версия и путь к conf.ini\n  --help     эта справка\n";
        QTest::newRow("short help") << "-h" << "Бронирование номеров " HOTEL_VERSION "\nЗапуск: hotel [--version | --help]\n"
                                 "Настройки читаются из %1/conf.ini\n"
                                 "  --version  версия и путь к conf.ini\n  --help     эта справка\n";
    }
    void informationWithoutDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QString, expected);
        const Run r = run("hotel", QString(), {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="}, {option});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected.arg(r.exeDir));
        QVERIFY(r.boxes.isEmpty());
    }

    // A login given by halves is not tried at all, not even as the fixed
    // administrator: the message names what is missing, the board never
    // signs in, and the program ends with a status a script can see.
    void halfLoginIsRefused_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("message");
        QTest::newRow("user only") << "User=HOTEL_DESK\n"
                                   << "В conf.ini в разделе Base задан User, но нет Password.";
        QTest::newRow("password only") << "password = secret\n"
                                       << "В conf.ini в разделе Base задан Password, но нет User.";
        QTest::newRow("empty password") << "User=HOTEL_DESK\nPassword=\"\"\n"
                                        << "В conf.ini в разделе Base задан User, но нет Password.";
    }
    void halfLoginIsRefused()
    {
        QFETCH(QString, base);
        QFETCH(QString, message);
        const Run r = run("hotel", "[Base]\nPath=127.0.0.1/1:/tmp/hotel.fdb\n" + base + "[Rows]\nCount=12\n");
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.boxes.size() >= 2, qPrintable(r.boxes.join('\n')));
        QCOMPARE(r.boxes[0], "hotel|error|" + message);
        for (int i = 1; i < r.boxes.size(); ++i)
            QCOMPARE(r.boxes[i], QString("hotel|error|Cannot perform operation -- DB is not open."));
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "ProgramTest.moc"
