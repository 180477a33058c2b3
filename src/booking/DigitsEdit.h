#pragma once

#include <QClipboard>
#include <QLineEdit>

class QMenu;

namespace booking {

// A one-line edit that takes the decimal digits 0 to 9 only from the user.
// A typed character other than a digit is refused; a paste, a middle-click
// paste, a drop or an input-method commit goes in only when it consists of
// digits alone, and otherwise changes nothing at all (half a pasted number is
// worse than none). Texts set by the program are not checked.
class DigitsEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DigitsEdit(QWidget* parent = nullptr);

    static bool digitsOnly(const QString& text);

    // Inserts at the cursor, replacing the selection, as a paste would; false
    // (and nothing changed) when the text holds anything but digits.
    bool insertDigits(const QString& text);
    void pasteDigits(QClipboard::Mode mode = QClipboard::Clipboard);

    // The standard context menu with its paste going through pasteDigits.
    QMenu* createDigitsContextMenu();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace booking
