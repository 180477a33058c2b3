#include "app/UnattendedDialogs.h"

#include <QFile>

namespace app {

UnattendedDialogs::UnattendedDialogs(QString logFile) : m_logFile(std::move(logFile)) {}

platform::MsgButton UnattendedDialogs::message(const platform::MessageRequest& request)
{
    static const char* const icons[] = {"none", "information", "warning", "question", "error"};
    QFile f(m_logFile);
    if (f.open(QIODevice::Append)) {
        QString text = request.text;
        text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        f.write((request.caption + QLatin1Char('|') + QLatin1String(icons[int(request.icon)]) + QLatin1Char('|') +
                 text + QLatin1Char('\n'))
                    .toUtf8());
    }
    return request.defaultButton;
}

bool UnattendedDialogs::printDialog(QPrinter&)
{
    return false;
}

} // namespace app
