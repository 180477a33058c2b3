#include "platform/ui/MenuDialog.h"

#include <QAction>
#include <QDialog>
#include <QMenuBar>

namespace platform {

QAction* namedAction(QObject* owner, const char* name, const QString& text)
{
    auto* action = new QAction(text, owner);
    action->setObjectName(QLatin1String(name));
    return action;
}

MenuDialogFrame buildMenuDialog(QDialog* dialog, std::initializer_list<QAction*> commands, QSize clientSize)
{
    auto* bar = new QMenuBar(dialog);
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // A global menu would take the bar out of the window and shift the client area.
    bar->setNativeMenuBar(false);
    for (QAction* command : commands)
        bar->addAction(command);
    const int menuHeight = bar->sizeHint().height();
    bar->setGeometry(0, 0, clientSize.width(), menuHeight);

    auto* client = new QWidget(dialog);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setGeometry(0, menuHeight, clientSize.width(), clientSize.height());
    dialog->setFixedSize(clientSize.width(), menuHeight + clientSize.height());
    return {bar, client};
}

} // namespace platform
