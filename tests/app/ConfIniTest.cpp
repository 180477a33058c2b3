#include "app/ConfIni.h"

#include "platform/AppError.h"
#include "platform/ExeDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace app;

namespace {

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Pins the modification time so that a test decides whether it moves.
void setMtime(const QString& path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
        qFatal("cannot set times of %s", qPrintable(path));
}

bool fileIsOpen(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) == target)
            return true;
    }
    return false;
}

QString notIntegerMessage(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

} // namespace

class ConfIniTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_savedCwd;

    QString path(const QString& name = QStringLiteral("conf.ini")) const { return m_dir->filePath(name); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_savedCwd = QDir::currentPath();
    }

    void cleanup()
    {
        platform::setExecutableFolderForTests({});
        QDir::setCurrent(m_savedCwd);
        m_dir.reset();
    }

    // --- reading values ---------------------------------------------------

    void readsValue_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray base = "[Base]\nPath=db.fdb\n";
        QTest::newRow("names ignore case") << base << "BASE" << "path" << "db.fdb";
        QTest::newRow("names as written") << base << "Base" << "Path" << "db.fdb";
        QTest::newRow("missing key") << base << "BASE" << "User" << "";
        QTest::newRow("missing section") << base << "COLORS" << "Path" << "";
        QTest::newRow("key of another section")
            << QByteArray("[A]\nk=1\n[B]\nm=2\n") << "B" << "k" << "";
        QTest::newRow("entry before any section")
            << QByteArray("Path=x\n[BASE]\n") << "BASE" << "Path" << "";
        QTest::newRow("empty file") << QByteArray() << "BASE" << "Path" << "";

        QTest::newRow("blanks around key and value")
            << QByteArray("[BASE]\n  Path \t=  \t db.fdb \t \n") << "BASE" << "Path" << "db.fdb";
        QTest::newRow("blanks inside kept") << QByteArray("[S]\nk= a  b \n") << "S" << "k" << "a  b";
        QTest::newRow("double quotes") << QByteArray("[S]\nk=\"a b\"\n") << "S" << "k" << "a b";
        QTest::newRow("single quotes keep inner blanks")
            << QByteArray("[S]\nk=' a '\n") << "S" << "k" << " a ";
        QTest::newRow("quotes after blanks") << QByteArray("[S]\nk=  \"x\"  \n") << "S" << "k" << "x";
        QTest::newRow("mismatched quotes kept") << QByteArray("[S]\nk=\"x'\n") << "S" << "k" << "\"x'";
        QTest::newRow("lone quote kept") << QByteArray("[S]\nk=\"\n") << "S" << "k" << "\"";
        QTest::newRow("empty quotes") << QByteArray("[S]\nk=\"\"\n") << "S" << "k" << "";
        QTest::newRow("one pair only") << QByteArray("[S]\nk=\"\"x\"\"\n") << "S" << "k" << "\"x\"";
        QTest::newRow("quote on one side") << QByteArray("[S]\nk=\"x\n") << "S" << "k" << "\"x";
        QTest::newRow("first equals sign splits") << QByteArray("[S]\nk=a=b\n") << "S" << "k" << "a=b";
        QTest::newRow("semicolon in value kept") << QByteArray("[S]\nk=a;b\n") << "S" << "k" << "a;b";
        QTest::newRow("empty value") << QByteArray("[S]\nk=\nk=x\n") << "S" << "k" << "";

        QTest::newRow("CRLF") << QByteArray("[BASE]\r\nPath=x\r\nUser=y\r\n") << "BASE" << "Path" << "x";
        QTest::newRow("CRLF last line") << QByteArray("[BASE]\r\nPath=x\r\nUser=y\r\n") << "BASE" << "User" << "y";
        QTest::newRow("CR only") << QByteArray("[BASE]\rPath=x\r") << "BASE" << "Path" << "x";
        QTest::newRow("no line end at end") << QByteArray("[BASE]\nPath=x") << "BASE" << "Path" << "x";
        QTest::newRow("comment and blank lines")
            << QByteArray("\n[BASE]\n\n;Path=old\n  ; Path=older\n\t\nPath=new\n") << "BASE" << "Path" << "new";
        QTest::newRow("line without equals sign is no entry")
            << QByteArray("[BASE]\nPath\nPath=x\n") << "BASE" << "Path" << "x";
        QTest::newRow("header with blanks")
            << QByteArray("  [ BASE ]  \nPath=x\n") << "BASE" << "Path" << "x";
        QTest::newRow("unclosed header opens nothing")
            << QByteArray("[A]\n[B\nk=1\n") << "A" << "k" << "1";

        QTest::newRow("first key wins") << QByteArray("[BASE]\nPath=one\nPATH=two\n") << "BASE" << "Path" << "one";
        const QByteArray twice = "[BASE]\nA=1\n[OTHER]\nA=o\n[base]\nA=2\nB=3\n";
        QTest::newRow("first section wins") << twice << "BASE" << "A" << "1";
        QTest::newRow("repeated section ignored whole") << twice << "BASE" << "B" << "";
        QTest::newRow("section after repeated one") << QByteArray(twice + "[C]\nA=c\n") << "C" << "A" << "c";

        QTest::newRow("UTF-8") << QByteArray("[BASE]\nName=Гостиница\n") << "BASE" << "Name"
                               << QString::fromUtf8("Гостиница");
        QTest::newRow("Windows-1251")
            << QByteArray("[BASE]\nName=\xC3\xEE\xF1\xF2\xE8\xED\xE8\xF6\xE0\n") << "BASE" << "Name"
            << QString::fromUtf8("Гостиница");
        QTest::newRow("one invalid byte makes the whole file 1251")
            << QByteArray("[BASE]\nName=Дом\n;\xFF\n") << "BASE" << "Name" << QString::fromUtf8("Р”РѕРј");
        QTest::newRow("UTF-8 byte order mark")
            << QByteArray("\xEF\xBB\xBF[BASE]\nPath=x\n") << "BASE" << "Path" << "x";
    }

    void readsValue()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString p = writeFile(path(), file);

        const QString read = readConfValue(p, section, key);
        QCOMPARE(read, expected);
        QCOMPARE(parseConf(file).value(section, key), expected);
        ConfCache cache(p);
        QCOMPARE(cache.value(section, key), expected);
    }

    void valueCut_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("expected");
        const QString a2047(2047, QLatin1Char('a'));
        const QString smile = QString::fromUtf8("😀");
        QTest::newRow("2047 kept") << a2047 << a2047;
        QTest::newRow("2048 cut") << QString(2048, QLatin1Char('a')) << a2047;
        QTest::newRow("long tail cut")
            << QString(2000, QLatin1Char('a')) + QString(1000, QLatin1Char('b'))
            << QString(2000, QLatin1Char('a')) + QString(47, QLatin1Char('b'));
        QTest::newRow("leading blanks count") << QStringLiteral("  ") + a2047 << QString(2045, QLatin1Char('a'));
        QTest::newRow("trailing blanks past the cut")
            << QString(2040, QLatin1Char('a')) + QString(20, QLatin1Char(' ')) << QString(2040, QLatin1Char('a'));
        QTest::newRow("closing quote cut off")
            << QLatin1Char('"') + QString(2046, QLatin1Char('a')) + QLatin1Char('"')
            << QLatin1Char('"') + QString(2046, QLatin1Char('a'));
        QTest::newRow("quotes within the limit")
            << QLatin1Char('"') + QString(2045, QLatin1Char('a')) + QLatin1Char('"') << QString(2045, QLatin1Char('a'));
        QTest::newRow("characters, not bytes") << QString(2100, QChar(0x0414)) << QString(2047, QChar(0x0414));
        QTest::newRow("surrogate pair not split")
            << QString(2046, QLatin1Char('a')) + smile + QLatin1Char('b') << QString(2046, QLatin1Char('a'));
        QTest::newRow("surrogate pair that fits")
            << QString(2045, QLatin1Char('a')) + smile + QLatin1Char('b') << QString(2045, QLatin1Char('a')) + smile;
    }

    void valueCut()
    {
        QFETCH(QString, raw);
        QFETCH(QString, expected);
        const QString p = writeFile(path(), "[S]\nk=" + raw.toUtf8() + "\nnext=1\n");
        QCOMPARE(readConfValue(p, QStringLiteral("S"), QStringLiteral("k")), expected);
        QCOMPARE(readConfValue(p, QStringLiteral("S"), QStringLiteral("next")), QStringLiteral("1"));
    }

    void unreadableReadsEmpty_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("no file") << "absent.ini";
        QTest::newRow("folder") << "folder.ini";
        QTest::newRow("empty path") << "";
    }

    void unreadableReadsEmpty()
    {
        QFETCH(QString, name);
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.ini")));
        const QString p = name.isEmpty() ? QString() : path(name);
        QCOMPARE(readConfValue(p, QStringLiteral("BASE"), QStringLiteral("Path")), QString());
        ConfCache cache(p);
        QVERIFY(cache.values().isEmpty());
        QCOMPARE(cache.value(QStringLiteral("BASE"), QStringLiteral("Path")), QString());
    }

    void fileIsNotKeptOpenOrChanged()
    {
        const QByteArray bytes = "[BASE]\nPath=x\n";
        const QString p = writeFile(path(), bytes);
        setMtime(p, 1'000'000'000);
        QCOMPARE(readConfValue(p, QStringLiteral("BASE"), QStringLiteral("Path")), QStringLiteral("x"));
        ConfCache cache(p);
        QCOMPARE(cache.value(QStringLiteral("BASE"), QStringLiteral("Path")), QStringLiteral("x"));
        QVERIFY(!fileIsOpen(p));
        QCOMPARE(QFileInfo(p).lastModified().toSecsSinceEpoch(), 1'000'000'000);
        QFile f(p);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
    }

    void listsSectionsAndKeysInFileOrder()
    {
        const ConfValues conf = parseConf("[Base]\nPath=1\nUser=2\npath=3\n[Colors]\nFree=4\n[BASE]\nX=5\n");
        QCOMPARE(conf.sectionNames(), QStringList({QStringLiteral("Base"), QStringLiteral("Colors")}));
        QCOMPARE(conf.keys(QStringLiteral("base")), QStringList({QStringLiteral("Path"), QStringLiteral("User")}));
        QCOMPARE(conf.keys(QStringLiteral("none")), QStringList());
    }

    void confPathFollowsExecutableFolder()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("exe")));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("cwd")));
        writeFile(path(QStringLiteral("exe/conf.ini")), "[BASE]\nPath=from exe folder\n");
        writeFile(path(QStringLiteral("cwd/conf.ini")), "[BASE]\nPath=from cwd\n");
        QVERIFY(QDir::setCurrent(path(QStringLiteral("cwd"))));

        platform::setExecutableFolderForTests(path(QStringLiteral("exe")));
        QCOMPARE(confPath(), path(QStringLiteral("exe/conf.ini")));
        QCOMPARE(readConf(QStringLiteral("BASE"), QStringLiteral("Path")), QStringLiteral("from exe folder"));
        ConfCache cache;
        QCOMPARE(cache.value(QStringLiteral("BASE"), QStringLiteral("Path")), QStringLiteral("from exe folder"));

        platform::setExecutableFolderForTests({});
        QCOMPARE(confPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini"));
        QVERIFY(QCoreApplication::applicationDirPath() != QDir::currentPath());
        QCOMPARE(cache.value(QStringLiteral("BASE"), QStringLiteral("Path")),
                 readConf(QStringLiteral("BASE"), QStringLiteral("Path")));
    }

    // --- integers and colours -----------------------------------------------

    void strToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("minus zero") << "-0" << 0;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << qint32(-2147483647 - 1);
        QTest::newRow("leading zeros") << "00000000000012" << 12;
        QTest::newRow("plus") << "+5" << 5;
        QTest::newRow("leading spaces") << "  12" << 12;
        QTest::newRow("spaces before sign") << " -12" << -12;
        QTest::newRow("dollar") << "$C" << 12;
        QTest::newRow("x") << "x0000FF" << 255;
        QTest::newRow("X") << "XfF" << 255;
        QTest::newRow("0x") << "0x10" << 16;
        QTest::newRow("0X largest") << "0X7fffffff" << 2147483647;
        QTest::newRow("all bits") << "$FFFFFFFF" << -1;
        QTest::newRow("top bit") << "$80000000" << qint32(-2147483647 - 1);
        QTest::newRow("eight digits from F") << "$F000000F" << qint32(0xF000000Fu);
        QTest::newRow("leading zeros do not count") << "$000000FF" << 255;
        QTest::newRow("many leading zeros") << "$0000000000000000FFFFFFFF" << -1;
        QTest::newRow("hex zero") << "$0" << 0;
        QTest::newRow("minus hex") << "-0x10" << -16;
        QTest::newRow("minus negative pattern") << "-$FFFFFFFF" << 1;
        QTest::newRow("plus hex") << "+$10" << 16;
    }

    void strToInt()
    {
        QFETCH(QString, text);
        QFETCH(qint32, expected);
        QCOMPARE(app::strToInt(text), expected);
    }

    void strToIntFails_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* t : {"", " ", "-", "+", "$", "x", "0x", "-$", "2147483648", "-2147483649",
                              "99999999999999999999", "$100000000", "$1FFFFFFFF", "12 ", " 12 ", "1 2",
                              "1e3", "12a", "a12", "- 5", "+-5", "--5", "$-5", "$ FF", "$G", "0xx1",
                              "00x5", "1.0", "\t12", "٣"}) {
            QTest::newRow(t[0] ? t : "empty") << QString::fromUtf8(t);
        }
    }

    void strToIntFails()
    {
        QFETCH(QString, text);
        try {
            const qint32 v = app::strToInt(text);
            QFAIL(qPrintable(QStringLiteral("read as %1").arg(v)));
        } catch (const platform::AppError& e) {
            QCOMPARE(e.message(), notIntegerMessage(text));
        }
    }

    // --- the cache ------------------------------------------------------------

    void cacheSeesEdit_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("replaceFile");
        QTest::addColumn<bool>("keepMtime");
        QTest::newRow("same size, later time") << QByteArray("[COLORS]\nFree=$0000FF\n")
                                               << QByteArray("[COLORS]\nFree=$00FF00\n") << false << false;
        QTest::newRow("other size, same time") << QByteArray("[COLORS]\nFree=clRed\n")
                                               << QByteArray("[COLORS]\nFree=clWhite\n") << false << true;
        QTest::newRow("other file, same size and time") << QByteArray("[COLORS]\nFree=$0000FF\n")
                                                        << QByteArray("[COLORS]\nFree=$00FF00\n") << true << true;
        QTest::newRow("in place, same size and time") << QByteArray("[COLORS]\nFree=$0000FF\n")
                                                      << QByteArray("[COLORS]\nFree=$00FF00\n") << false << true;
    }

    // The settle time is off, so only the file's identity can tell the edit.
    void cacheSeesEdit()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, replaceFile);
        QFETCH(bool, keepMtime);
        const time_t old = ::time(nullptr) - 100;
        const QString p = writeFile(path(), before);
        setMtime(p, old);

        ConfCache cache(p);
        cache.setSettleTimeForTests(std::chrono::milliseconds(0));
        const QString section = QStringLiteral("COLORS"), key = QStringLiteral("Free");
        QCOMPARE(cache.value(section, key), parseConf(before).value(section, key));
        QCOMPARE(cache.loadCount(), 1);

        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &st), 0);
        const timespec changedBefore = st.st_ctim;
        QTest::qSleep(30); // past the time stamps' granularity, so that only the content is the same

        if (replaceFile) {
            const QString other = writeFile(path(QStringLiteral("new.ini")), after);
            setMtime(other, old);
            QVERIFY(::rename(QFile::encodeName(other).constData(), QFile::encodeName(p).constData()) == 0);
        } else {
            writeFile(p, after);
            setMtime(p, keepMtime ? old : old + 50);
        }
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &st), 0);
        if (st.st_ctim.tv_sec == changedBefore.tv_sec && st.st_ctim.tv_nsec == changedBefore.tv_nsec)
            QSKIP("the file system keeps change times too coarse to tell this edit");
        QCOMPARE(cache.value(section, key), parseConf(after).value(section, key));
        QCOMPARE(cache.loadCount(), 2);
    }

    // An edit right after a reading may keep every time stamp; it must show all the same.
    void cacheSeesEditJustMade()
    {
        const QString p = writeFile(path(), "[COLORS]\nFree=$0000FF\n");
        ConfCache cache(p);
        const QString section = QStringLiteral("COLORS"), key = QStringLiteral("Free");
        for (int round = 0; round < 20; ++round) {
            const QString text = QStringLiteral("$%1").arg(round, 6, 16, QLatin1Char('0'));
            writeFile(p, "[COLORS]\nFree=" + text.toLatin1() + "\n");
            QCOMPARE(cache.value(section, key), text);
            QCOMPARE(app::strToInt(cache.value(section, key)), round);
        }
    }

    void cacheDeletedFileReadsEmpty()
    {
        const QString p = writeFile(path(), "[COLORS]\nFree=clRed\n");
        setMtime(p, ::time(nullptr) - 100);
        ConfCache cache(p);
        cache.setSettleTimeForTests(std::chrono::milliseconds(0));
        const QString section = QStringLiteral("COLORS"), key = QStringLiteral("Free");
        QCOMPARE(cache.value(section, key), QStringLiteral("clRed"));

        QVERIFY(QFile::remove(p));
        QCOMPARE(cache.value(section, key), QString());
        QVERIFY(cache.values().isEmpty());

        writeFile(p, "[COLORS]\nFree=clLime\n");
        QCOMPARE(cache.value(section, key), QStringLiteral("clLime"));
    }
};

int main(int argc, char** argv)
{
    int failures = 0;
    QGuiApplication app(argc, argv);
    {
        ConfIniTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

#include "ConfIniTest.moc"
