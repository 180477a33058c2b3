#include "booking/DigitsEdit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace booking {

namespace {

// Whether the line edit would insert the key's text; Control or Meta
// combinations are shortcuts, except AltGr, which arrives as Control+Alt.
bool insertsText(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty() || !text.front().isPrint())
        return false;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier))
        return false;
    return true;
}

bool acceptableDrop(const QMimeData* mime)
{
    return mime && mime->hasText() && DigitsEdit::digitsOnly(mime->text());
}

} // namespace

DigitsEdit::DigitsEdit(QWidget* parent)
    : QLineEdit(parent)
{
}

bool DigitsEdit::digitsOnly(const QString& text)
{
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool DigitsEdit::insertDigits(const QString& text)
{
    if (!digitsOnly(text))
        return false;
    insert(text);
    return true;
}

void DigitsEdit::pasteDigits(QClipboard::Mode mode)
{
    if (isReadOnly())
        return;
    insertDigits(QGuiApplication::clipboard()->text(mode));
}

QMenu* DigitsEdit::createDigitsContextMenu()
{
    QMenu* menu = createStandardContextMenu();
    // The paste entry is the one wired to QLineEdit::paste (by name, as Qt wires it).
    for (QAction* action : menu->actions()) {
        if (disconnect(action, SIGNAL(triggered()), this, SLOT(paste()))) {
            action->setObjectName(QStringLiteral("edit-paste"));
            connect(action, &QAction::triggered, this, [this] { pasteDigits(); });
        }
    }
    return menu;
}

void DigitsEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteDigits();
        event->accept();
        return;
    }
    if (insertsText(event) && !digitsOnly(event->text())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DigitsEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (digitsOnly(event->commitString())) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Keep the composition, drop the commit.
    QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&withoutCommit);
    event->accept();
}

void DigitsEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        pasteDigits(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void DigitsEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createDigitsContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void DigitsEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptableDrop(event->mimeData()))
        QLineEdit::dragEnterEvent(event);
    else
        event->ignore();
}

void DigitsEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptableDrop(event->mimeData()))
        QLineEdit::dragMoveEvent(event);
    else
        event->ignore();
}

void DigitsEdit::dropEvent(QDropEvent* event)
{
    if (acceptableDrop(event->mimeData()))
        QLineEdit::dropEvent(event);
    else
        event->ignore();
}

} // namespace booking
