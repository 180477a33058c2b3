#include "app/ConfIni.h"

#include "platform/AppError.h"
#include "platform/ExeDir.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

// A 2048-character value buffer with its terminator: the raw text after "=" is cut before blanks and quotes go.
constexpr qsizetype kMaxValueLength = 2047;

// A settings file is a few hundred bytes; anything this large is not one.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

QString foldName(QStringView name)
{
    return name.toString().toCaseFolded();
}

QString decodeConf(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1251("windows-1251", QStringDecoder::Flag::Stateless);
    // Without the code page (Qt built without ICU) the replaced UTF-8 text is the best there is.
    return cp1251.isValid() ? cp1251.decode(bytes) : text;
}

struct OpenedFile {
    bool opened = false;
    struct stat st {};
};

// Opens, reads whole and closes; a FIFO or device at the path must not block or stream forever.
bool readWholeFile(const QString& path, QByteArray& bytes, OpenedFile& info)
{
    bytes.clear();
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty())
        return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    bool ok = ::fstat(fd, &info.st) == 0;
    info.opened = ok;
    ok = ok && S_ISREG(info.st.st_mode) && info.st.st_size <= kMaxFileSize;
    if (ok) {
        bytes.reserve(qsizetype(info.st.st_size));
        char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            if (bytes.size() + got > kMaxFileSize) {
                ok = false;
                break;
            }
            bytes.append(buffer, qsizetype(got));
        }
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

QByteArray readConfBytes(const QString& path)
{
    QByteArray bytes;
    OpenedFile info;
    readWholeFile(path, bytes, info);
    return bytes;
}

} // namespace

// ---------------------------------------------------------------------------

QString ConfValues::value(const QString& section, const QString& key) const
{
    const auto s = m_index.constFind(section.toCaseFolded());
    if (s == m_index.constEnd())
        return {};
    return m_sections[size_t(*s)].values.value(key.toCaseFolded());
}

QStringList ConfValues::sectionNames() const
{
    QStringList names;
    names.reserve(qsizetype(m_sections.size()));
    for (const Section& s : m_sections)
        names.append(s.name);
    return names;
}

QStringList ConfValues::keys(const QString& section) const
{
    const auto s = m_index.constFind(section.toCaseFolded());
    return s == m_index.constEnd() ? QStringList() : m_sections[size_t(*s)].keys;
}

ConfValues parseConf(const QByteArray& bytes)
{
    ConfValues conf;
    const QString text = decodeConf(bytes);
    const QStringView all(text);
    // Entries before the first section, and in a repeated one, go nowhere.
    ConfValues::Section* current = nullptr;

    qsizetype pos = 0;
    while (pos < all.size()) {
        qsizetype end = pos;
        while (end < all.size() && all[end] != QLatin1Char('\n') && all[end] != QLatin1Char('\r'))
            ++end;
        const QStringView line = all.sliced(pos, end - pos);
        pos = end + 1;

        const QStringView trimmed = trimBlanks(line);
        if (trimmed.isEmpty() || trimmed.front() == QLatin1Char(';'))
            continue;

        if (trimmed.front() == QLatin1Char('[')) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            if (close < 0)
                continue;
            const QStringView name = trimBlanks(trimmed.sliced(1, close - 1));
            const QString folded = foldName(name);
            if (conf.m_index.contains(folded)) {
                current = nullptr;
                continue;
            }
            conf.m_index.insert(folded, qsizetype(conf.m_sections.size()));
            conf.m_sections.push_back({name.toString(), {}, {}});
            current = &conf.m_sections.back();
            continue;
        }

        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!current || eq < 0)
            continue;
        const QStringView key = trimBlanks(line.first(eq));
        const QString foldedKey = foldName(key);
        if (current->values.contains(foldedKey))
            continue;

        QStringView value = line.sliced(eq + 1);
        if (value.size() > kMaxValueLength) {
            value = value.first(kMaxValueLength);
            if (value.back().isHighSurrogate()) // half a character is no character
                value.chop(1);
        }
        value = trimBlanks(value);
        if (value.size() >= 2 && value.front() == value.back()
            && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
            value = value.sliced(1, value.size() - 2);

        current->keys.append(key.toString());
        current->values.insert(foldedKey, value.toString());
    }
    return conf;
}

QString confPath()
{
    return platform::executableFolder() + QStringLiteral("conf.ini");
}

QString readConfValue(const QString& path, const QString& section, const QString& key)
{
    return parseConf(readConfBytes(path)).value(section, key);
}

QString readConf(const QString& section, const QString& key)
{
    return readConfValue(confPath(), section, key);
}

DatabaseSettings readDatabaseSettings(const QString& path)
{
    const ConfValues conf = parseConf(readConfBytes(path));
    const QString base = QStringLiteral("Base");
    DatabaseSettings s{conf.value(base, QStringLiteral("Path")), conf.value(base, QStringLiteral("User")),
                       conf.value(base, QStringLiteral("Password"))};
    if (!s.user.isEmpty() && s.password.isEmpty())
        throw platform::AppError(QStringLiteral("В conf.ini в разделе Base задан User, но нет Password"));
    if (s.user.isEmpty() && !s.password.isEmpty())
        throw platform::AppError(QStringLiteral("В conf.ini в разделе Base задан Password, но нет User"));
    return s;
}

DatabaseSettings readDatabaseSettings()
{
    return readDatabaseSettings(confPath());
}

// ---------------------------------------------------------------------------

namespace {

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

qint32 strToInt(const QString& text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= n)
        platform::throwNotInteger(text);

    bool hex = false;
    if (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X')) {
        hex = true;
        ++i;
    } else if (text[i] == QLatin1Char('0') && i + 1 < n
               && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        platform::throwNotInteger(text);

    if (hex) {
        quint32 pattern = 0;
        int significant = 0;
        for (; i < n; ++i) {
            const int d = hexDigit(text[i].unicode());
            if (d < 0)
                platform::throwNotInteger(text);
            if (significant > 0 || d != 0) {
                if (++significant > 8)
                    platform::throwNotInteger(text);
                pattern = (pattern << 4) | quint32(d);
            }
        }
        return qint32(negative ? 0u - pattern : pattern);
    }

    qint64 magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            platform::throwNotInteger(text);
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > qint64(1) << 31)
            platform::throwNotInteger(text);
    }
    if (negative)
        return qint32(-magnitude);
    if (magnitude > 0x7FFFFFFF)
        platform::throwNotInteger(text);
    return qint32(magnitude);
}

// ---------------------------------------------------------------------------

namespace {

qint64 nanoseconds(const timespec& t)
{
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

} // namespace

ConfCache::ConfCache() : m_followConfPath(true) {}

ConfCache::ConfCache(QString path) : m_path(std::move(path)), m_followConfPath(false) {}

const ConfValues& ConfCache::values()
{
    const QString path = m_followConfPath ? confPath() : m_path;
    const QByteArray name = QFile::encodeName(path);

    Identity now;
    struct stat st {};
    if (!name.isEmpty() && ::stat(name.constData(), &st) == 0) {
        now = {true, quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
               nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
    }
    if (m_loaded && m_trusted && path == m_loadedPath && now == m_identity)
        return m_values;

    timespec clock {};
    ::clock_gettime(CLOCK_REALTIME, &clock);
    const qint64 readStartNs = nanoseconds(clock);

    QByteArray bytes;
    OpenedFile info;
    if (now.exists && readWholeFile(path, bytes, info))
        ++m_loads;
    if (info.opened) {
        // The times of what was actually read, not of what the path named a moment before.
        now = {true, quint64(info.st.st_dev), quint64(info.st.st_ino), qint64(info.st.st_size),
               nanoseconds(info.st.st_mtim), nanoseconds(info.st.st_ctim)};
    }
    if (!m_loaded || bytes != m_bytes || path != m_loadedPath) {
        m_values = parseConf(bytes);
        m_bytes = bytes;
        ++m_version;
    }
    m_identity = now;
    m_loadedPath = path;
    m_loaded = true;
    const qint64 changedNs = std::max(now.mtimeNs, now.ctimeNs);
    m_trusted = !now.exists
                || readStartNs - changedNs >= std::chrono::nanoseconds(m_settle).count();
    return m_values;
}

} // namespace app
