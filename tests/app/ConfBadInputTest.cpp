// conf.ini as the hotel's administrator may leave it: broken, huge, binary,
// in the wrong encoding, or not a file at all. Every way the program reads it
// must come back at once with what is there, and the numbers of the board
// must either convert or fail with the conversion message.
#include "app/ConfIni.h"
#include "board/Colors.h"

#include "platform/AppError.h"
#include "platform/ExeDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace app;

namespace {

QString notInteger(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

// The number, or the message of the failure.
QString converted(const QString& text)
{
    try {
        return QString::number(strToInt(text));
    } catch (const platform::AppError& e) {
        return e.message();
    }
}

// A reading slower than this would freeze the board, which reads per cell.
constexpr qint64 kQuickMs = 1000;

enum class Kind { File, Folder, Fifo, Device, Unreadable };

} // namespace

Q_DECLARE_METATYPE(Kind)

class ConfBadInputTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

    void write(const QByteArray& bytes) const
    {
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    // Count and Otv through every reader; they must agree, and be quick.
    void readBoth(ConfCache& cache, QString& count, QString& otv) const
    {
        QElapsedTimer timer;
        timer.start();
        count = readConf(QStringLiteral("Rows"), QStringLiteral("Count"));
        otv = readConf(QStringLiteral("Color"), QStringLiteral("Otv"));
        QCOMPARE(readConfValue(m_path, QStringLiteral("ROWS"), QStringLiteral("count")), count);
        QCOMPARE(cache.value(QStringLiteral("rows"), QStringLiteral("COUNT")), count);
        QCOMPARE(cache.value(QStringLiteral("Color"), QStringLiteral("Otv")), otv);
        QVERIFY2(timer.elapsed() < kQuickMs, qPrintable(QString::number(timer.elapsed())));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        platform::setExecutableFolderForTests(m_dir->path() + QLatin1Char('/'));
        m_path = confPath();
        QCOMPARE(m_path, m_dir->filePath(QStringLiteral("conf.ini")));
    }

    void cleanup()
    {
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        platform::setExecutableFolderForTests({});
        m_dir.reset();
    }

    void badFile_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("otv");
        // What the board's conversions make of them: the number, or the failure's message.
        QTest::addColumn<QString>("countNumber");
        QTest::addColumn<QString>("otvNumber");

        const QString nul = QStringLiteral("1") + QChar(0) + QStringLiteral("2");
        const QString nines(2047, QLatin1Char('9'));
        QTest::newRow("far above and below the range")
            << Kind::File << QByteArray("[Rows]\nCount=99999999999\n[Color]\nOtv=-99999999999\n") << "99999999999"
            << "-99999999999" << notInteger("99999999999") << notInteger("-99999999999");
        QTest::newRow("nine hex digits")
            << Kind::File << QByteArray("[Rows]\nCount=$1FFFFFFFF\n[Color]\nOtv=x1FFFFFFFF\n") << "$1FFFFFFFF"
            << "x1FFFFFFFF" << notInteger("$1FFFFFFFF") << notInteger("x1FFFFFFFF");
        QTest::newRow("one past either end")
            << Kind::File << QByteArray("[Rows]\nCount=2147483648\n[Color]\nOtv=-2147483649\n") << "2147483648"
            << "-2147483649" << notInteger("2147483648") << notInteger("-2147483649");
        QTest::newRow("100 KB lines")
            << Kind::File
            << QByteArray("[Rows]\nCount=" + QByteArray(100 * 1024, '9') + "\n[Color]\nOtv=" +
                          QByteArray(100 * 1024, ' ') + "3\n")
            << nines << "" << notInteger(nines) << notInteger("");
        QTest::newRow("no sections") << Kind::File << QByteArray("Count=12\nOtv=3\n") << "" << "" << notInteger("")
                                     << notInteger("");
        QTest::newRow("other sections") << Kind::File << QByteArray("[Row]\nCount=12\n[Colour]\nOtv=3\n") << ""
                                        << "" << notInteger("") << notInteger("");
        QTest::newRow("unclosed headers") << Kind::File << QByteArray("[Rows\nCount=12\n[Color\nOtv=3\n") << ""
                                          << "" << notInteger("") << notInteger("");
        QTest::newRow("NUL in the middle")
            << Kind::File << QByteArray("[Rows]\nCount=1" + QByteArray(1, '\0') + "2\n[Color]\nOtv=3\n") << nul
            << "3" << notInteger(nul) << "3";
        QTest::newRow("CRLF") << Kind::File << QByteArray("[Rows]\r\nCount=12\r\n[Color]\r\nOtv=3\r\n") << "12"
                              << "3" << "12" << "3";
        {
            const QString text = QStringLiteral("[Rows]\r\nCount=12\r\n[Color]\r\nOtv=3\r\n");
            QByteArray utf16("\xFF\xFE");
            utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            QTest::newRow("UTF-16 with byte order mark")
                << Kind::File << utf16 << "" << "" << notInteger("") << notInteger("");
        }
        QTest::newRow("a folder") << Kind::Folder << QByteArray() << "" << "" << notInteger("") << notInteger("");
        QTest::newRow("a FIFO nobody writes")
            << Kind::Fifo << QByteArray() << "" << "" << notInteger("") << notInteger("");
        QTest::newRow("an endless device")
            << Kind::Device << QByteArray() << "" << "" << notInteger("") << notInteger("");
        QTest::newRow("unreadable") << Kind::Unreadable << QByteArray("[Rows]\nCount=12\n[Color]\nOtv=3\n") << ""
                                    << "" << notInteger("") << notInteger("");
    }
    void badFile()
    {
        QFETCH(Kind, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, count);
        QFETCH(QString, otv);
        QFETCH(QString, countNumber);
        QFETCH(QString, otvNumber);
        switch (kind) {
        case Kind::File:
            write(content);
            break;
        case Kind::Folder:
            QVERIFY(QDir().mkdir(m_path));
            break;
        case Kind::Fifo:
            QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
            break;
        case Kind::Device:
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), m_path));
            break;
        case Kind::Unreadable:
            if (::geteuid() == 0)
                QSKIP("root reads a file of mode 000 all the same");
            write(content);
            QVERIFY(QFile::setPermissions(m_path, {}));
            break;
        }

        ConfCache cache;
        QString gotCount, gotOtv;
        readBoth(cache, gotCount, gotOtv);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(gotCount, count);
        QCOMPARE(gotOtv, otv);

        QCOMPARE(converted(gotCount), countNumber);
        QCOMPARE(converted(gotOtv), otvNumber);
    }

    // Seeded, so that a failure comes back on the next run.
    void randomBytes()
    {
        QRandomGenerator random(20241210);
        auto pick = [&random](std::initializer_list<QByteArray> list) {
            return list.begin()[random.bounded(int(list.size()))];
        };
        auto noise = [&random](int most) {
            QByteArray bytes;
            for (int n = int(random.bounded(most + 1)); n > 0; --n)
                bytes += char(random.bounded(256));
            return bytes;
        };
        // Only this may convert (whether it fits is the conversion's own business).
        const QRegularExpression integerText(QRegularExpression::anchoredPattern(
            QStringLiteral(" *[+-]?([0-9]+|(\\$|x|X|0x|0X)[0-9A-Fa-f]+)")));
        ConfCache cache;
        int found = 0, numbers = 0;
        for (int file = 0; file < 300; ++file) {
            // Mostly lines of the right shape with odd content; every tenth file bytes only.
            QByteArray bytes;
            if (file % 10 == 0) {
                bytes = noise(4096);
            } else {
                for (int line = int(random.bounded(3, 24)); line > 0; --line) {
                    switch (random.bounded(4)) {
                    case 0:
                        bytes += pick({"[Rows]", "[Color]", " [ROWS] ", "[color", "[Rows]x", "[\xD0\x96]"});
                        break;
                    case 3:
                        bytes += noise(40);
                        break;
                    default:
                        bytes += pick({"Count", "Otv", "c1", " count ", "OTV", QByteArray("c\0" "1", 3)});
                        bytes += '=';
                        // Half of them integer text of any length, the rest anything near it.
                        if (random.bounded(2) == 0) {
                            bytes += pick({"", " ", "  ", "-", "+", " -", "$", "0x", "x", "-$"});
                            for (int digit = int(random.bounded(1, random.bounded(2) ? 4 : 13)); digit > 0; --digit)
                                bytes += "0123456789abcdefABCDEF"[random.bounded(random.bounded(2) ? 10 : 22)];
                        }
                        for (int part = int(random.bounded(3)); part > 0; --part) {
                            bytes += pick({"", " ", "-", "+", "$", "0x", "x", "\"", "'", "\t", "clRed"});
                            bytes += QByteArray::number(random.bounded(1000000)).repeated(int(random.bounded(3)));
                            if (random.bounded(4) == 0)
                                bytes += noise(3);
                        }
                    }
                    bytes += pick({"\n", "\r\n", "\r", "\n\r"});
                }
            }
            write(bytes);
            QString count, otv;
            readBoth(cache, count, otv);
            if (QTest::currentTestFailed())
                return;
            const QString colour = readConf(QStringLiteral("Color"), QStringLiteral("c1"));
            for (const QString& value : {count, otv, colour}) {
                QVERIFY(value.size() <= 2047);
                QVERIFY(!value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')));
                found += !value.isEmpty();
                const QString number = converted(value);
                if (number != notInteger(value)) {
                    QVERIFY2(integerText.match(value).hasMatch(), qPrintable(value));
                    ++numbers;
                }
                try {
                    board::strToColor(value);
                } catch (const platform::AppError& e) {
                    QCOMPARE(e.message(), notInteger(value));
                }
            }
        }
        // The pieces must make the reader find entries, and some of them numbers.
        qInfo("values found %d, numbers %d", found, numbers);
        QVERIFY(found > 0 && numbers > 0);
    }
};

QTEST_GUILESS_MAIN(ConfBadInputTest)
#include "ConfBadInputTest.moc"
