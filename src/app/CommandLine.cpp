#include "app/CommandLine.h"

#include "app/ConfIni.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace app {

namespace {

bool isInfoOption(const char* arg)
{
    return std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

} // namespace

std::optional<QString> infoOptionText(const QStringList& arguments)
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString version = QStringLiteral(HOTEL_VERSION);
    for (const QString& arg : arguments.mid(1)) {
        if (arg == QLatin1String("--version"))
            return QStringLiteral("%1 %2\nНастройки: %3\n").arg(name, version, confPath());
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return QStringLiteral("Бронирование номеров %1\n"
                                  "Запуск: %2 [--version | --help]\n"
                                  "Настройки читаются из %3\n"
                                  "  --version  версия и путь к conf.ini\n"
                                  "  --help     эта справка\n")
                .arg(version, name, confPath());
    }
    return std::nullopt;
}

std::optional<int> runInfoOption(int argc, char* argv[])
{
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i)
        asked = isInfoOption(argv[i]);
    if (!asked)
        return std::nullopt;
    // No display needed: only the executable's path and the arguments.
    QCoreApplication core(argc, argv);
    const std::optional<QString> text = infoOptionText(QCoreApplication::arguments());
    if (!text)
        return std::nullopt;
    const QByteArray out = text->toLocal8Bit();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace app
