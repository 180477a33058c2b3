#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <chrono>
#include <vector>

// conf.ini beside the executable: the program's only settings file, edited by
// hand by the hotel's administrator while the program may be running.
namespace app {

// The settings of one reading of the file. Section and key names ignore
// letter case; of two sections or two keys with the same name the first one
// counts and the later one is ignored as a whole.
class ConfValues {
public:
    // Empty text for a missing section or key.
    QString value(const QString& section, const QString& key) const;

    bool isEmpty() const { return m_sections.empty(); }
    // Names as written in the file, in file order, duplicates left out.
    QStringList sectionNames() const;
    QStringList keys(const QString& section) const;

private:
    friend ConfValues parseConf(const QByteArray& bytes);

    struct Section {
        QString name;
        QStringList keys;
        QHash<QString, QString> values; // case-folded key -> value
    };
    std::vector<Section> m_sections;
    QHash<QString, qsizetype> m_index; // case-folded section name -> m_sections
};

// The file's bytes as the file reader sees them: UTF-8 when the whole text is
// valid UTF-8, otherwise Windows-1251.
ConfValues parseConf(const QByteArray& bytes);

QString confPath();

// Reads the file afresh on every call; a missing or unreadable file, section
// or key gives empty text.
QString readConfValue(const QString& path, const QString& section, const QString& key);
QString readConf(const QString& section, const QString& key);

// Section Base: where the database is and, optionally, whom to sign in to
// the server as. An empty user means the program's own fixed login. User and
// Password come together; one without the other fails with a message that
// names the missing key.
struct DatabaseSettings {
    QString path;
    QString user;
    QString password;
};
DatabaseSettings readDatabaseSettings(const QString& path);
DatabaseSettings readDatabaseSettings();

// Decimal or hexadecimal ("$", "x", "0x") integer text; anything else fails
// with "'<text>' is not a valid integer value".
qint32 strToInt(const QString& text);

// The settings for the painting path, which asks for them per cell: the file
// is read again only when its size, inode or change times differ from the
// last reading, so that an edit still shows at the very next call. Not
// thread-safe; the reference from values() lives until the next call.
class ConfCache {
public:
    // Follows confPath() on each call.
    ConfCache();
    explicit ConfCache(QString path);

    const ConfValues& values();
    QString value(const QString& section, const QString& key) { return values().value(section, key); }

    // How often the file has actually been read.
    int loadCount() const { return m_loads; }
    // Changes only when what was read differs from the reading before.
    int contentVersion() const { return m_version; }

    // A file changed less than this long before it was read may change again
    // without its times moving on (timestamp granularity), so it is not
    // trusted until it has settled.
    static constexpr std::chrono::milliseconds kSettleTime{2000};
    void setSettleTimeForTests(std::chrono::milliseconds settle) { m_settle = settle; }

private:
    struct Identity {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0;
        qint64 mtimeNs = 0, ctimeNs = 0;
        bool operator==(const Identity&) const = default;
    };

    QString m_path;
    bool m_followConfPath;
    bool m_loaded = false;
    bool m_trusted = false;
    QString m_loadedPath;
    Identity m_identity;
    ConfValues m_values;
    int m_loads = 0;
    int m_version = 0;
    QByteArray m_bytes;
    std::chrono::milliseconds m_settle = kSettleTime;
};

} // namespace app
