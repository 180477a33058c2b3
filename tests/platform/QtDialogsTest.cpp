#include "platform/Dialogs.h"
#include "platform/ui/QtDialogs.h"

#include "DialogRecorder.h"
#include "Modal.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace platform;

namespace {

// What a shown box looked like, read from inside its exec().
struct SeenBox {
    bool seen = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QWidget* parent = nullptr;
};

SeenBox read(QWidget* w)
{
    SeenBox s;
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) {
        Modal::fail(QStringLiteral("not a message box"));
        return s;
    }
    s.seen = true;
    s.title = box->windowTitle();
    s.text = box->text();
    s.icon = box->icon();
    s.buttons = box->standardButtons();
    s.defaultButton = box->standardButton(box->defaultButton());
    s.parent = box->parentWidget();
    return s;
}

// A small dialog with one field and two buttons, for the typing helpers.
class NameDialog : public QDialog {
public:
    NameDialog()
    {
        setObjectName(QStringLiteral("nameDialog"));
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(QStringLiteral("старое"), this);
        edit->setObjectName(QStringLiteral("name"));
        layout->addWidget(edit);
        auto* ok = new QPushButton(QStringLiteral("&Сохранить"), this);
        ok->setObjectName(QStringLiteral("save"));
        layout->addWidget(ok);
        auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
        layout->addWidget(cancel);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
    QLineEdit* edit;
};

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private:
    QtDialogs real;

private slots:
    void init() { setDialogProvider(&real); }
    void cleanup()
    {
        setDialogProvider(nullptr);
        Modal::closeModals();
        Modal::takeProblems();
    }

    void boxShowsTheRequestAndEnterTakesTheDefault_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("boxIcon");
        QTest::addColumn<int>("boxButtons");
        QTest::addColumn<int>("boxDefault");
        QTest::newRow("question, yes/no, no by default")
            << int(MsgIcon::Question) << (Yes | No) << int(No) << int(QMessageBox::Question)
            << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No);
        QTest::newRow("question, yes/no, yes by default")
            << int(MsgIcon::Question) << (Yes | No) << int(Yes) << int(QMessageBox::Question)
            << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Yes);
        QTest::newRow("error") << int(MsgIcon::Error) << int(Ok) << int(Ok)
                               << int(QMessageBox::Critical) << int(QMessageBox::Ok) << int(QMessageBox::Ok);
        QTest::newRow("warning") << int(MsgIcon::Warning) << int(Ok) << int(Ok)
                                 << int(QMessageBox::Warning) << int(QMessageBox::Ok) << int(QMessageBox::Ok);
        QTest::newRow("information") << int(MsgIcon::Information) << int(Ok) << int(Ok)
                                     << int(QMessageBox::Information) << int(QMessageBox::Ok) << int(QMessageBox::Ok);
        QTest::newRow("no icon") << int(MsgIcon::None) << int(Ok) << int(Ok)
                                 << int(QMessageBox::NoIcon) << int(QMessageBox::Ok) << int(QMessageBox::Ok);
        QTest::newRow("no buttons asked: ok") << int(MsgIcon::Information) << 0 << int(Ok)
                                              << int(QMessageBox::Information) << int(QMessageBox::Ok) << int(QMessageBox::Ok);
    }
    void boxShowsTheRequestAndEnterTakesTheDefault()
    {
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, defaultButton);
        QFETCH(int, boxIcon);
        QFETCH(int, boxButtons);
        QFETCH(int, boxDefault);
        SeenBox seen;
        Modal::whenModalOfClass("QMessageBox", [&](QWidget* w) {
            seen = read(w);
            Modal::pressEnter(w);
        });

        const MsgButton answer = showMessage({QStringLiteral("Подтверждение"),
                                              QStringLiteral("Удалить бронь <1>?"), MsgIcon(icon),
                                              buttons, MsgButton(defaultButton)});

        MODAL_VERIFY();
        QVERIFY(seen.seen);
        QCOMPARE(seen.title, QStringLiteral("Подтверждение"));
        QCOMPARE(seen.text, QStringLiteral("Удалить бронь <1>?"));
        QCOMPARE(int(seen.icon), boxIcon);
        QCOMPARE(int(seen.buttons), boxButtons);
        QCOMPARE(int(seen.defaultButton), boxDefault);
        QCOMPARE(int(answer), defaultButton);
    }

    void boxAnswersWhatTheUserChose_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<QString>("action"); // yes, no, ok, escape
        QTest::addColumn<int>("answer");
        QTest::newRow("click no over default yes") << (Yes | No) << int(Yes) << "no" << int(No);
        QTest::newRow("click yes over default no") << (Yes | No) << int(No) << "yes" << int(Yes);
        QTest::newRow("escape on yes/no is no") << (Yes | No) << int(Yes) << "escape" << int(No);
        QTest::newRow("escape on ok is ok") << int(Ok) << int(Ok) << "escape" << int(Ok);
    }
    void boxAnswersWhatTheUserChose()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultButton);
        QFETCH(QString, action);
        QFETCH(int, answer);
        Modal::whenModalOfClass("QMessageBox", [&](QWidget* w) {
            if (action == QLatin1String("escape"))
                Modal::pressEscape(w);
            else if (action == QLatin1String("yes"))
                Modal::clickStandardButton(w, QDialogButtonBox::Yes);
            else if (action == QLatin1String("no"))
                Modal::clickStandardButton(w, QDialogButtonBox::No);
            else
                Modal::clickStandardButton(w, QDialogButtonBox::Ok);
        });

        const MsgButton got = showMessage({QStringLiteral("Вопрос"), QStringLiteral("Продолжить?"),
                                           MsgIcon::Question, buttons, MsgButton(defaultButton)});

        MODAL_VERIFY();
        QCOMPARE(int(got), answer);
    }

    void aBoxOverADialogBelongsToTheDialog()
    {
        NameDialog dialog;
        SeenBox seen;
        MsgButton answer = NoButton;
        Modal::whenModalNamed(QStringLiteral("nameDialog"), [&](QWidget* w) {
            Modal::whenNewModal([&](QWidget* box) {
                seen = read(box);
                Modal::clickStandardButton(box, QDialogButtonBox::Ok);
            });
            answer = showMessage({QStringLiteral("Ошибка"), QStringLiteral("Не задано имя"),
                                  MsgIcon::Error, Ok, Ok});
            // The dialog is still up once the box is gone.
            if (QApplication::activeModalWidget() != w)
                Modal::fail(QStringLiteral("the dialog is no longer the modal window"));
            Modal::clickButton(w, QStringLiteral("Отмена"));
        });

        const int result = dialog.exec();

        MODAL_VERIFY();
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(seen.seen);
        QCOMPARE(seen.parent, &dialog);
        QCOMPARE(seen.text, QStringLiteral("Не задано имя"));
        QCOMPARE(int(answer), int(Ok));
    }

    void typingAndClickingInsideADialog_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("by object name") << "save" << int(QDialog::Accepted);
        QTest::newRow("by text, mnemonic ignored") << "Сохранить" << int(QDialog::Accepted);
        QTest::newRow("by text") << "Отмена" << int(QDialog::Rejected);
    }
    void typingAndClickingInsideADialog()
    {
        QFETCH(QString, button);
        QFETCH(int, result);
        NameDialog dialog;
        Modal::whenModal([&](QWidget* w) {
            Modal::typeInto(w, QStringLiteral("name"), QStringLiteral("Петров"));
            Modal::clickButton(w, button);
        });

        QCOMPARE(dialog.exec(), result);

        MODAL_VERIFY();
        QCOMPARE(dialog.edit->text(), QStringLiteral("Петров"));
    }

    void helpersReportWhatTheyCannotFind()
    {
        NameDialog dialog;
        bool typed = true, clicked = true;
        Modal::whenModal([&](QWidget* w) {
            typed = Modal::typeInto(w, QStringLiteral("surname"), QStringLiteral("x"));
            clicked = Modal::clickButton(w, QStringLiteral("Печать"));
            Modal::pressEscape(w);
        });

        QCOMPARE(dialog.exec(), int(QDialog::Rejected));

        QVERIFY(!typed);
        QVERIFY(!clicked);
        const QStringList failures = Modal::failures();
        QCOMPARE(failures.size(), 2);
        QVERIFY(failures[0].contains(QLatin1String("surname")));
        QVERIFY(failures[1].contains(QStringLiteral("Печать")));
        QVERIFY(!Modal::takeProblems().isEmpty());
        QVERIFY(Modal::takeProblems().isEmpty());
    }

    void aWatchThatGivesUpClosesTheWindowInsteadOfHanging()
    {
        NameDialog dialog;
        bool ran = false;
        Modal::whenModalOfClass("QPrintDialog", [&](QWidget*) { ran = true; }, 300);
        QElapsedTimer clock;
        clock.start();

        const int result = dialog.exec();

        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!ran);
        QVERIFY(clock.elapsed() >= 300);
        const QString problems = Modal::takeProblems();
        QVERIFY2(problems.contains(QLatin1String("QPrintDialog")), qPrintable(problems));
        QVERIFY2(problems.contains(QLatin1String("nameDialog")),
                 qPrintable(problems));
    }

    void anActionThatLeavesTheWindowOpenIsCaught()
    {
        NameDialog dialog;
        Modal::whenModal([](QWidget*) {}, 300);

        QCOMPARE(dialog.exec(), int(QDialog::Rejected));

        const QString problems = Modal::takeProblems();
        QVERIFY2(problems.contains(QLatin1String("still open")), qPrintable(problems));
    }

    void aWindowThatNeverComesIsReported()
    {
        Modal::whenModal([](QWidget*) {});
        QCOMPARE(Modal::waitingCount(), 1);
        const QString problems = Modal::takeProblems();
        QVERIFY2(problems.contains(QLatin1String("never came")), qPrintable(problems));
        QCOMPARE(Modal::waitingCount(), 0);
    }

    void printDialogAcceptsOrCancels_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted") << true;
        QTest::newRow("cancelled") << false;
    }
    void printDialogAcceptsOrCancels()
    {
        QFETCH(bool, accept);
        // The dialog sits over the active window.
        QWidget window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QPrinter printer;
        QWidget* parentSeen = nullptr;
        Modal::whenModalOfClass("QPrintDialog", [&](QWidget* w) {
            parentSeen = w->parentWidget();
            if (accept)
                static_cast<QDialog*>(w)->accept();
            else
                Modal::pressEscape(w);
        });

        QCOMPARE(dialogs()->printDialog(printer), accept);

        MODAL_VERIFY();
        QCOMPARE(parentSeen, &window);
    }

    // The recorder, used by every other test of the program instead of real boxes.
    void recorderRecordsAndAnswers()
    {
        {
            DialogRecorder rec;
            QCOMPARE(dialogs(), static_cast<DialogProvider*>(&rec));
            rec.answerNext(No);
            QCOMPARE(showMessage({QStringLiteral("Вопрос"), QStringLiteral("Первый?"),
                                  MsgIcon::Question, Yes | No, Yes}),
                     No);
            // Queue used up: the default button.
            QCOMPARE(showMessage({QStringLiteral("Вопрос"), QStringLiteral("Второй?"),
                                  MsgIcon::Question, Yes | No, Yes}),
                     Yes);
            QCOMPARE(rec.count(), 2);
            QCOMPARE(rec.messages().at(0).text, QStringLiteral("Первый?"));
            QCOMPARE(rec.last().text, QStringLiteral("Второй?"));
            QCOMPARE(rec.last().icon, MsgIcon::Question);
            QCOMPARE(rec.last().buttons, Yes | No);
            QCOMPARE(rec.last().defaultButton, Yes);
            QCOMPARE(rec.answers(), (QList<MsgButton>{No, Yes}));

            rec.answerNext(Ok);
            rec.clear();
            QCOMPARE(rec.count(), 0);
            QCOMPARE(rec.pendingAnswers(), 1);
        }
        // Gone: the program's own provider is back.
        QCOMPARE(dialogs(), static_cast<DialogProvider*>(&real));
    }

    void recorderSetsUpThePrinter()
    {
        DialogRecorder rec;
        QPrinter printer;
        QCOMPARE(dialogs()->printDialog(printer), false);
        rec.setPrintAccepted(true);
        QCOMPARE(dialogs()->printDialog(printer), true);

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("board.pdf"));
        rec.onPrintDialog([&](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            return true;
        });
        QVERIFY(dialogs()->printDialog(printer));
        QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
        QCOMPARE(printer.outputFileName(), pdf);
        QCOMPARE(rec.printDialogCount(), 3);
    }
};

QTEST_MAIN(QtDialogsTest)
#include "QtDialogsTest.moc"
