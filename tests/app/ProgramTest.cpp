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
    };

    Run run(const QString& exeName, const QString& conf, const QStringList& env = {})
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
        for (const QString& kv : env)
            e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(QDir::rootPath());
        p.start(exe, {});
        Run r;
        r.finished = p.waitForFinished(60000);
        if (!r.finished)
            p.kill();
        r.exitCode = p.exitCode();
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
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "ProgramTest.moc"
