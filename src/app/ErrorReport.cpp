#include "app/ErrorReport.h"

#include "platform/Dialogs.h"
#include "platform/ExeDir.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

namespace app {

namespace {

bool g_endRequested = false;
int g_exitStatus = 0;
QSet<QString> g_queued;

void endModalsAndQuit()
{
    // Innermost first; each ends as cancelled and its exec() returns to whoever showed it.
    for (int guard = 0; guard < 64; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            modal->hide();
    }
    QCoreApplication::exit(0);
}

} // namespace

QString withFullStop(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

void reportError(const QString& message)
{
    platform::showMessage(
        {platform::programTitle(), withFullStop(message), platform::MsgIcon::Error, platform::Ok, platform::Ok});
}

void reportErrorQueued(const QString& message)
{
    if (g_queued.contains(message))
        return;
    g_queued.insert(message);
    QTimer::singleShot(0, qApp, [message] {
        reportError(message);
        g_queued.remove(message);
    });
}

void requestEnd()
{
    if (g_endRequested)
        return;
    g_endRequested = true;
    QTimer::singleShot(0, qApp, &endModalsAndQuit);
}

bool endRequested()
{
    return g_endRequested;
}

void setExitStatus(int status)
{
    g_exitStatus = status;
}

int exitStatus()
{
    return g_exitStatus;
}

void resetEndRequestForTests()
{
    g_endRequested = false;
    g_exitStatus = 0;
    // QCoreApplication::exit() leaves every later exec() returning at once
    // until a main loop has run and ended again.
    if (QCoreApplication::instance()) {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
}

} // namespace app
