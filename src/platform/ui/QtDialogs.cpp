#include "platform/ui/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace platform {

namespace {

QWidget* dialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QMessageBox::Icon boxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton boxButton(MsgButton button)
{
    switch (button) {
    case Ok: return QMessageBox::Ok;
    case Yes: return QMessageBox::Yes;
    case No: return QMessageBox::No;
    case NoButton: break;
    }
    return QMessageBox::NoButton;
}

} // namespace

MsgButton QtDialogs::message(const MessageRequest& request)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(request.caption);
    // Server messages may hold '<' and must not turn into markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.text);
    box.setIcon(boxIcon(request.icon));

    const int flags = (request.buttons & (Ok | Yes | No)) ? request.buttons : int(Ok);
    QMessageBox::StandardButtons buttons;
    for (MsgButton b : {Yes, No, Ok}) {
        if (flags & b)
            buttons |= boxButton(b);
    }
    box.setStandardButtons(buttons);
    if (flags & request.defaultButton)
        box.setDefaultButton(boxButton(request.defaultButton));

    box.exec();
    // Escape and the close button count as the box's escape button (No, or
    // the only button); nothing at all gives NoButton.
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return Ok;
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    default: return NoButton;
    }
}

bool QtDialogs::printDialog(QPrinter& printer)
{
    QPrintDialog dialog(&printer, dialogParent());
    return dialog.exec() == QDialog::Accepted;
}

} // namespace platform
