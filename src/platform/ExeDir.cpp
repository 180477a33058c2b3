#include "platform/ExeDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {
QString g_folderOverride;
}

QString executableFolder()
{
    QString folder = g_folderOverride;
    if (folder.isEmpty()) {
        // applicationDirPath resolves /proc/self/exe, not argv[0] against the cwd.
        folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                              : QDir::currentPath();
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void setExecutableFolderForTests(const QString& folder)
{
    g_folderOverride = folder;
}

QString programTitle()
{
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

} // namespace platform
