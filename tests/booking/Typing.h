#pragma once

#include <QLineEdit>
#include <QString>
#include <QTest>

// Typing any text as key presses and releases (QTest::keyClicks takes Latin-1 only).
inline void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        const Qt::Key key = Qt::Key(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Click, widget, key, QString(c), Qt::NoModifier);
    }
}

// Replaces the whole text the way a user would: select all, then type.
inline void retype(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        typeText(edit, text);
}
