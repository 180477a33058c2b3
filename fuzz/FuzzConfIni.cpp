// Feeds arbitrary bytes to the conf.ini reader as the file's content and reads
// back every entry found through each way the program reads the file; the
// ways must agree, and the integer and colour readers must either give a
// value or fail with AppError.
#include "app/ConfIni.h"
#include "board/Colors.h"

#include "platform/AppError.h"
#include "platform/ExeDir.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "FuzzConfIni: %s\n", what);
        std::abort();
    }
}

struct Folder {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/fuzz-confini-XXXXXX")};
    Folder() { platform::setExecutableFolderForTests(dir.path()); }
};

// Decimal text the reader must accept exactly when the number fits.
const QRegularExpression& decimalText()
{
    static const QRegularExpression re(QRegularExpression::anchoredPattern(QStringLiteral(" *[+-]?[0-9]+")));
    return re;
}

void readNumber(const QString& text)
{
    bool isInt = false;
    qint32 asInt = 0;
    try {
        asInt = app::strToInt(text);
        isInt = true;
    } catch (const platform::AppError&) {
    }

    if (decimalText().match(text).hasMatch()) {
        bool ok = false;
        const qlonglong wide = text.trimmed().toLongLong(&ok, 10);
        const bool fits = ok && wide >= -2147483648LL && wide <= 2147483647LL;
        // Digits too many for qlonglong overflow both ways.
        check(isInt == fits || (!ok && !isInt), "decimal text accepted or refused wrongly");
        check(!isInt || asInt == qint32(wide), "decimal text read as another number");
    }

    try {
        const qint32 colour = board::strToColor(text);
        // Names never read as integers, so where the integer reader succeeds it decides.
        check(!isInt || colour == asInt, "colour differs from the integer of the same text");
        const QColor painted = board::colorToQColor(colour);
        check(painted.isValid(), "colour without a paint");
        check(board::colorIsNone(colour) == (colour == board::kColorNone), "clNone not told");
    } catch (const platform::AppError&) {
        check(!isInt, "integer text refused as colour");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Folder folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = app::confPath();
    {
        QFile f(path);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the file");
        check(f.write(bytes) == bytes.size(), "short write");
    }

    const app::ConfValues conf = app::parseConf(bytes);
    // Rewritten for each input faster than time stamps move: the cache must still follow.
    static app::ConfCache cache;
    const app::ConfValues& cached = cache.values();
    check(cached.sectionNames() == conf.sectionNames(), "cache holds other sections");

    for (const QString& section : conf.sectionNames()) {
        for (const QString& key : conf.keys(section)) {
            const QString value = conf.value(section, key);
            check(value.size() <= 2047, "value longer than the limit");
            check(app::readConfValue(path, section, key) == value, "file reader disagrees");
            check(app::readConf(section, key) == value, "readConf disagrees");
            check(cached.value(section, key) == value, "cache disagrees");
            readNumber(value);
        }
    }

    if (size <= 64)
        readNumber(QString::fromUtf8(bytes));
    return 0;
}
