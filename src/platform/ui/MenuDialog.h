#pragma once

#include <QSize>
#include <QString>

#include <initializer_list>

class QAction;
class QDialog;
class QMenuBar;
class QObject;
class QWidget;

namespace platform {

// A window's menu command, carrying its designer name.
QAction* namedAction(QObject* owner, const char* name, const QString& text);

// A dialog of fixed size with its menu bar across the top, inside the window,
// and below it the client area of the given size, in which the stated
// positions of the controls hold.
struct MenuDialogFrame {
    QMenuBar* menuBar;
    QWidget* client;
};
MenuDialogFrame buildMenuDialog(QDialog* dialog, std::initializer_list<QAction*> commands, QSize clientSize);

} // namespace platform
