#include "Typing.h"
#include "booking/DigitsEdit.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <memory>

using booking::DigitsEdit;

// Every way text gets into a digits-only field.
class DigitsEditTest : public QObject {
    Q_OBJECT
private:
    enum class Way { Typed, PasteKeys, PasteMenu, Drop, InputMethod };

    static void enter(DigitsEdit& edit, Way way, const QString& text)
    {
        switch (way) {
        case Way::Typed:
            typeText(&edit, text);
            break;
        case Way::PasteKeys:
            QGuiApplication::clipboard()->setText(text);
            QTest::keySequence(&edit, QKeySequence::Paste);
            break;
        case Way::PasteMenu: {
            QGuiApplication::clipboard()->setText(text);
            std::unique_ptr<QMenu> menu(edit.createDigitsContextMenu());
            QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
            QVERIFY(paste);
            paste->trigger();
            break;
        }
        case Way::Drop: {
            QMimeData mime;
            mime.setText(text);
            const QPoint end(edit.width() - 2, edit.height() / 2);
            QDragEnterEvent enter(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&edit, &enter);
            QCOMPARE(enter.isAccepted(), DigitsEdit::digitsOnly(text));
            QDropEvent drop(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&edit, &drop);
            break;
        }
        case Way::InputMethod: {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QCoreApplication::sendEvent(&edit, &commit);
            break;
        }
        }
    }

private slots:
    void input_data()
    {
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("typed digits") << int(Way::Typed) << "1" << "234" << "1234";
        QTest::newRow("typed letters refused one by one") << int(Way::Typed) << "" << "12ab3" << "123";
        QTest::newRow("typed Cyrillic, sign, comma, blank") << int(Way::Typed) << "7" << "я-,. " << "7";
        QTest::newRow("pasted digits") << int(Way::PasteKeys) << "1" << "456" << "1456";
        QTest::newRow("pasted with letters: nothing") << int(Way::PasteKeys) << "1" << "12ab3" << "1";
        QTest::newRow("pasted with blank: nothing") << int(Way::PasteKeys) << "1" << " 5" << "1";
        QTest::newRow("menu paste of digits") << int(Way::PasteMenu) << "" << "99" << "99";
        QTest::newRow("menu paste with letters: nothing") << int(Way::PasteMenu) << "" << "7x" << "";
        QTest::newRow("dropped digits") << int(Way::Drop) << "1" << "98" << "198";
        QTest::newRow("dropped with a letter: nothing") << int(Way::Drop) << "1" << "9z" << "1";
        QTest::newRow("input method digits") << int(Way::InputMethod) << "" << "5" << "5";
        QTest::newRow("input method letters: nothing") << int(Way::InputMethod) << "" << "ab" << "";
    }

    void input()
    {
        QFETCH(int, way);
        QFETCH(QString, start);
        QFETCH(QString, text);
        QFETCH(QString, expected);

        DigitsEdit edit;
        edit.resize(120, 21);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setText(start);
        edit.setCursorPosition(int(start.size()));
        enter(edit, Way(way), text);
        QCOMPARE(edit.text(), expected);
    }

    void refusedPasteKeepsSelection()
    {
        DigitsEdit edit;
        edit.setText(QStringLiteral("500"));
        edit.selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("12ab3"));
        QTest::keySequence(&edit, QKeySequence::Paste);
        QCOMPARE(edit.text(), QStringLiteral("500"));
        QCOMPARE(edit.selectedText(), QStringLiteral("500"));

        QGuiApplication::clipboard()->setText(QStringLiteral("42"));
        QTest::keySequence(&edit, QKeySequence::Paste);
        QCOMPARE(edit.text(), QStringLiteral("42"));
    }

    // The program may put anything there (a fractional amount); typing goes on as usual.
    void programTextIsNotChecked()
    {
        DigitsEdit edit;
        edit.setText(QStringLiteral("849,15"));
        QCOMPARE(edit.text(), QStringLiteral("849,15"));
        edit.setCursorPosition(6);
        typeText(&edit, QStringLiteral("x1"));
        QCOMPARE(edit.text(), QStringLiteral("849,151"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("849,15"));
    }
};

QTEST_MAIN(DigitsEditTest)
#include "DigitsEditTest.moc"
