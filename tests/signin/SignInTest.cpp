#include "DialogRecorder.h"
#include "Modal.h"
#include "TestDb.h"

#include "app/ErrorReport.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "signin/Login.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using data::TDM;

namespace {

const QString kAccounts = QStringLiteral("select * from OTV order by ID");
const QString kLoginMessage = QStringLiteral("Проверьте Ваш логин и пароль");
const QString kPasswordMessage = QStringLiteral("Проверьте Ваш пароль");

// The request to end the program quits every running event loop, and Qt then
// refuses to run new ones until the main loop has run; let it happen here and
// clear both, so the next test's dialogs run normally.
void settleEndRequest()
{
    QCoreApplication::processEvents();
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    app::resetEndRequestForTests();
}

// A user at a dialog that is already up: types, then clicks ВХОД.
void attempt(TForm6& form, const QString& login, const QString& password)
{
    form.show();
    form.Edit1->setText(login);
    form.Edit2->setText(password);
    form.Edit2->setFocus();
    form.Button1Click();
}

// Runs exec() with a safety net: a dialog that does not end by itself is
// rejected after the time-out, and the test sees that it had to be.
bool execEndsByItself(QDialog& dialog, int timeoutMs = 5000)
{
    bool forced = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&] {
        forced = true;
        dialog.reject();
    });
    guard.start(timeoutMs);
    dialog.exec();
    return !forced;
}

} // namespace

class SignInTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        if (app::endRequested())
            settleEndRequest();
        Modal::closeModals();
    }

    void layout()
    {
        TestDb db;
        db.installDM();
        TForm6 form;
        QCOMPARE(form.objectName(), QString("Form6"));
        QCOMPARE(form.windowTitle(), QString("Идентификация"));
        QCOMPARE(form.size(), QSize(463, 77));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.pos(), QPoint(390, 329));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(Form6, &form);

        QCOMPARE(form.findChild<QLabel*>("Label1")->text(), QString("Пользователь"));
        QCOMPARE(form.findChild<QLabel*>("Label1")->pos(), QPoint(16, 16));
        QCOMPARE(form.findChild<QLabel*>("Label2")->text(), QString("Пароль"));
        QCOMPARE(form.findChild<QLabel*>("Label2")->pos(), QPoint(51, 43));
        QCOMPARE(form.findChild<QLineEdit*>("Edit1")->geometry(), QRect(94, 13, 121, 21));
        QCOMPARE(form.findChild<QLineEdit*>("Edit2")->geometry(), QRect(94, 40, 121, 21));
        auto* b1 = form.findChild<QPushButton*>("Button1");
        auto* b2 = form.findChild<QPushButton*>("Button2");
        QCOMPARE(b1->text(), QString("ВХОД"));
        QCOMPARE(b1->geometry(), QRect(232, 13, 98, 48));
        QCOMPARE(b1->font().pointSize(), 12);
        QCOMPARE(b2->text(), QString("Отмена"));
        QCOMPARE(b2->geometry(), QRect(344, 13, 105, 48));
        QCOMPARE(b2->font().pointSize(), 12);
        QCOMPARE(form.font().family(), QString("Tahoma"));
        QCOMPARE(form.font().pointSize(), 8);
        for (QPushButton* b : {b1, b2}) {
            QVERIFY(!b->isDefault());
            QVERIFY(!b->autoDefault());
        }
        auto* flag = form.findChild<QCheckBox*>("cb");
        QCOMPARE(flag->geometry(), QRect(8, 64, 97, 17));
        QVERIFY(!flag->isChecked());
        QVERIFY(!form.editRights());

        form.show();
        QVERIFY(!flag->isVisible());
        form.Edit2->setText("secret");
        QCOMPARE(form.Edit2->displayText(), QString("******"));

        // Tab goes login, password, ВХОД, Отмена and round again.
        QList<QWidget*> chain;
        QWidget* w = form.Edit1;
        do {
            if (w->focusPolicy() & Qt::TabFocus && w->isVisible())
                chain << w;
            w = w->nextInFocusChain();
        } while (w != form.Edit1);
        QCOMPARE(chain, (QList<QWidget*>{form.Edit1, form.Edit2, b1, b2}));
    }

    void signIn_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message"); // empty: signed in
        QTest::addColumn<bool>("rights");
        // On a refusal: the login of the row the server's filter found, if any.
        QTest::addColumn<QString>("serverFound");

        const auto ok = [](const char* name, QStringList setup, const char* login, const char* password,
                           bool rights) {
            QTest::newRow(name) << setup << QString(login) << QString(password) << QString() << rights << QString();
        };
        const auto refused = [](const char* name, QStringList setup, const QString& login, const QString& password,
                                const QString& message, const char* found) {
            QTest::newRow(name) << setup << login << password << message << false << QString(found);
        };
        const QStringList none;
        const QString inject1 = "' or '1'='1";
        const QString inject2 = "x'; delete from OTV; --";

        ok("admin", none, "admin", "admin", true);
        ok("manager", none, "ivanova", "1111", true);
        ok("viewer", none, "guest", "guest", false);
        refused("unknown login", none, "nobody", "admin", kLoginMessage, "");
        refused("login in capitals", none, "ADMIN", "admin", kLoginMessage, "");
        // The server pads blanks and, with this collation, ignores letter case: it finds admin, the dialog must not.
        refused("login with trailing blank", none, "admin ", "admin", kLoginMessage, "admin");
        refused("login case, server ignores case",
                {"CREATE DOMAIN D_LOGIN_CI AS VARCHAR(20) CHARACTER SET UTF8 COLLATE UNICODE_CI",
                 "ALTER TABLE OTV ALTER COLUMN LOGIN TYPE D_LOGIN_CI"},
                "Admin", "admin", kLoginMessage, "admin");
        refused("wrong password", none, "admin", "nimda", kPasswordMessage, "admin");
        refused("password in capitals", none, "admin", "ADMIN", kPasswordMessage, "admin");
        refused("password with trailing blank", none, "admin", "admin ", kPasswordMessage, "admin");
        refused("empty password typed", none, "admin", "", kPasswordMessage, "admin");

        const QStringList emptyPwd{"update OTV set PWD='' where ID=8"};
        const QStringList nullPwd{"update OTV set PWD=NULL where ID=8"};
        ok("stored empty, typed empty", emptyPwd, "guest", "", false);
        refused("stored empty, typed text", emptyPwd, "guest", "guest", kPasswordMessage, "guest");
        ok("stored null, typed empty", nullPwd, "guest", "", false);
        refused("stored null, typed text", nullPwd, "guest", "x", kPasswordMessage, "guest");

        ok("group edit", {"update OTV set GR='edit' where ID=1"}, "admin", "admin", false);
        ok("group EDIT blank", {"update OTV set GR='EDIT ' where ID=1"}, "admin", "admin", false);
        ok("group empty", {"update OTV set GR='' where ID=1"}, "admin", "admin", false);
        ok("group EDIT on a viewer", {"update OTV set GR='EDIT' where ID=8"}, "guest", "guest", true);

        refused("injection 1 as login", none, inject1, "admin", kLoginMessage, "");
        refused("injection 2 as login", none, inject2, "admin", kLoginMessage, "");
        refused("injection 1 as password", none, "admin", inject1, kPasswordMessage, "admin");
        refused("injection 2 as password", none, "admin", inject2, kPasswordMessage, "admin");
        ok("apostrophe in a stored login", {"update OTV set LOGIN='o''neil' where ID=8"}, "o'neil", "guest", false);
    }

    void signIn()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(bool, rights);
        QFETCH(QString, serverFound);

        // A failure must leave the flag as it was, whichever way it was.
        for (const bool before : {false, true}) {
            TestDb db;
            for (const QString& s : setup)
                db.exec(s);
            TDM& dm = db.installDM();
            DialogRecorder dialogs;
            TForm6 form;
            form.cb->setChecked(before);
            const QStringList accounts = db.rows(kAccounts);

            attempt(form, login, password);

            QCOMPARE(db.rows(kAccounts), accounts);
            // The filter stays on the login typed, whatever the outcome.
            QVERIFY(dm.tabIm.filtered());
            QCOMPARE(dm.tabIm.filter(), data::sql::loginFilter(login));
            if (message.isEmpty()) {
                QCOMPARE(dialogs.count(), 0);
                QCOMPARE(form.editRights(), rights);
                QCOMPARE(form.cb->isChecked(), rights);
                QVERIFY(!form.isVisible());
                QVERIFY(!dm.tabIm.isOpen());
            } else {
                QCOMPARE(dialogs.count(), 1);
                QCOMPARE(dialogs.last().caption, QString("Ошибка"));
                QCOMPARE(dialogs.last().text, message);
                QCOMPARE(dialogs.last().icon, platform::MsgIcon::Question);
                QCOMPARE(dialogs.last().buttons, int(platform::Ok));
                QCOMPARE(form.editRights(), before);
                QVERIFY(form.isVisible());
                QVERIFY(dm.tabIm.isOpen());
                QCOMPARE(dm.tabIm.text("LOGIN"), serverFound);
                QCOMPARE(form.Edit1->text(), login);
                QCOMPARE(form.Edit2->text(), password);
                // The login message sends the user back to the login; the password one leaves the focus.
                QCOMPARE(form.focusWidget(), message == kLoginMessage ? form.Edit1 : form.Edit2);
            }
        }
    }

    void emptyLoginSwitchesTheFilterOff()
    {
        TestDb db;
        TDM& dm = db.installDM();
        DialogRecorder dialogs;
        TForm6 form;
        form.cb->setChecked(true);
        attempt(form, "petrov", "wrong");
        QCOMPARE(dm.tabIm.recordCount(), 1);
        dialogs.clear();

        attempt(form, "", "2222");
        QCOMPARE(dialogs.count(), 0);
        QVERIFY(form.isVisible());
        QVERIFY(form.editRights());
        QCOMPARE(form.focusWidget(), form.Edit1);
        QVERIFY(!dm.tabIm.filtered());
        QVERIFY(dm.tabIm.isOpen());
        QCOMPARE(dm.tabIm.recordCount(), 8);
    }

    void showingEmptiesTheFieldsAndOpensTheAccounts()
    {
        TestDb db;
        TDM& dm = db.installDM();
        TForm6 form;
        form.Edit1->setText("left");
        form.Edit2->setText("over");
        QVERIFY(!dm.tIm.active());
        form.show();
        QVERIFY(dm.tIm.active());
        QVERIFY(dm.tabIm.isOpen());
        QCOMPARE(form.Edit1->text(), QString());
        QCOMPARE(form.Edit2->text(), QString());
        QCOMPARE(form.focusWidget(), form.Edit1);
    }

    void rightsFollowTheLastSignIn()
    {
        TestDb db;
        db.installDM();
        DialogRecorder dialogs;
        TForm6 form;
        struct Step {
            const char* login;
            const char* password;
            bool rights;
        };
        const Step steps[] = {
            {"admin", "admin", true}, {"guest", "guest", false}, // a viewer clears what an editor had
            {"admin", "bad", false},                             // a failed attempt leaves it
            {"petrov", "2222", true}, {"nobody", "x", true},     {"", "", true},
        };
        for (const Step& s : steps) {
            attempt(form, s.login, s.password);
            QVERIFY2(form.editRights() == s.rights, s.login);
        }
        QCOMPARE(dialogs.count(), 2);
    }

    void enterSignsInLikeTheButton()
    {
        TestDb db;
        TDM& dm = db.installDM();
        DialogRecorder dialogs;
        TForm6 form;
        QStringList seen;
        Modal::whenModalNamed("Form6", [&](QWidget* w) {
            Modal::typeInto(w, "Edit1", "ivanova");
            Modal::typeInto(w, "Edit2", "1112");
            QTest::keyClick(form.Edit2, Qt::Key_Return);
            // Refused once, not twice: no default button took the key as well.
            seen << QString::number(dialogs.count()) << dialogs.last().text << form.Edit2->text()
                 << (w->isVisible() ? "open" : "closed");
            Modal::typeInto(w, "Edit2", "1111");
            QTest::keyClick(form.Edit1, Qt::Key_Enter);
        });
        QVERIFY(execEndsByItself(form));
        MODAL_VERIFY();
        QCOMPARE(seen, (QStringList{"1", kPasswordMessage, "1112", "open"}));
        QCOMPARE(dialogs.count(), 1);
        QVERIFY(form.editRights());
        QVERIFY(!dm.tabIm.isOpen());
        QCOMPARE(dm.tabIm.filter(), data::sql::loginFilter("ivanova"));
        QVERIFY(!app::endRequested());
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    void otherKeysReachTheFields()
    {
        TestDb db;
        db.installDM();
        TForm6 form;
        form.show();
        QTest::keyClicks(form.Edit1, "ab c");
        QCOMPARE(form.Edit1->text(), QString("ab c"));
        QChar key('x');
        form.Edit1KeyPress(key);
        QCOMPARE(key, QChar('x'));
        QVERIFY(form.isVisible());
    }

    void closingLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close box") << false;
        QTest::newRow("escape") << true;
    }

    void closingLeavesEverythingAsItWas()
    {
        QFETCH(bool, escape);
        TestDb db;
        TDM& dm = db.installDM();
        DialogRecorder dialogs;
        TForm6 form;
        attempt(form, "admin", "admin");
        QVERIFY(form.editRights());

        // Shown again from the menu: typed, then closed without ВХОД.
        Modal::whenModalNamed("Form6", [&](QWidget* w) {
            Modal::typeInto(w, "Edit1", "guest");
            Modal::typeInto(w, "Edit2", "guest");
            if (escape)
                Modal::pressEscape(w);
            else
                w->close();
        });
        QVERIFY(execEndsByItself(form));
        MODAL_VERIFY();
        QVERIFY(form.editRights());
        QVERIFY(dm.tabIm.isOpen());
        QVERIFY(dm.tabIm.filtered());
        QCOMPARE(dm.tabIm.filter(), data::sql::loginFilter("admin"));
        QCOMPARE(dm.tabIm.text("LOGIN"), QString("admin"));
        QCOMPARE(dialogs.count(), 0);
        QVERIFY(!app::endRequested());
    }

    void cancelEndsTheProgram()
    {
        TestDb db;
        TDM& dm = db.installDM();
        TForm6 form;
        attempt(form, "admin", "admin");
        QVERIFY(!app::endRequested());
        Modal::whenModalNamed("Form6", [](QWidget* w) { Modal::clickButton(w, "Отмена"); });
        QVERIFY(execEndsByItself(form));
        MODAL_VERIFY();
        QVERIFY(app::endRequested());
        QVERIFY(form.editRights());
        QVERIFY(!form.isVisible());
        QVERIFY(dm.DB.isOpen());
    }

    void showingWithoutConnectionEndsTheProgram()
    {
        TestDb db;
        TDM& dm = db.installDM(false);
        DialogRecorder dialogs;
        TForm6 form;
        form.cb->setChecked(true);
        QVERIFY(execEndsByItself(form));
        QVERIFY(app::endRequested());
        QCOMPARE(dialogs.count(), 0);
        QVERIFY(!form.isVisible());
        QVERIFY(form.editRights());
        QVERIFY(!dm.DB.isOpen());
        QVERIFY(!dm.tIm.active());
        QVERIFY(!dm.tabIm.isOpen());
    }
};

QTEST_MAIN(SignInTest)
#include "SignInTest.moc"
