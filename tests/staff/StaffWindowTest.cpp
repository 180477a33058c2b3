#include "DialogRecorder.h"
#include "Modal.h"
#include "TestDb.h"

#include "data/Statements.h"
#include "data/UnDM.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using data::TDM;

namespace {

const QString kAccounts =
    QStringLiteral("select ID, NAME, DOLJN, GR, LOGIN, coalesce(PWD, '(null)') from OTV order by ID");

const QStringList kIvanova{"Иванова Марина", "Старший менеджер", "ivanova", "1111"};
const QStringList kPetrov{"Петров Сергей", "Менеджер", "petrov", "2222"};
const QStringList kNothing{"", "", "", ""};

// Key by key, as a user types; QTest's own typing knows only Latin-1.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The database, the sign-in that narrows the staff dataset, and the window.
struct Desk {
    TestDb db;
    TDM& dm;
    DialogRecorder dialogs;
    TForm6 signin;
    TForm2 form;

    Desk() : dm(db.installDM()) {}

    void signIn(const QString& login, const QString& password)
    {
        signin.show();
        signin.Edit1->setText(login);
        signin.Edit2->setText(password);
        signin.Button1Click();
    }

    QStringList fields() const
    {
        return {form.Edit1->text(), form.Edit2->text(), form.Edit3->text(), form.Edit4->text()};
    }

    QLineEdit* edit(int i) const { return QList<QLineEdit*>{form.Edit1, form.Edit2, form.Edit3, form.Edit4}.at(i); }

    // What a user does: replaces the field's text by typing.
    void type(int field, const QString& text) const
    {
        QLineEdit* e = edit(field);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        typeText(e, text);
    }

    void typeAll(const QStringList& texts) const
    {
        for (int i = 0; i < 4; ++i)
            type(i, texts.at(i));
    }

    QStringList accounts() const { return db.rows(kAccounts); }
};

QStringList linesOf(const QPlainTextEdit* holder)
{
    return holder->toPlainText().split(QLatin1Char('\n'));
}

// Browsing: the fields read-only, the three commands on, Сохранить and Отмена off.
bool browsing(const TForm2& form)
{
    bool ok = !form.editing();
    for (QLineEdit* e : {form.Edit1, form.Edit2, form.Edit3, form.Edit4})
        ok = ok && e->isReadOnly();
    for (QPushButton* b : {form.Button1, form.Button4, form.Button5})
        ok = ok && b->isEnabled();
    for (QPushButton* b : {form.Button2, form.Button3})
        ok = ok && !b->isEnabled();
    return ok;
}

bool editing(const TForm2& form)
{
    bool ok = form.editing();
    for (QLineEdit* e : {form.Edit1, form.Edit2, form.Edit3, form.Edit4})
        ok = ok && !e->isReadOnly();
    for (QPushButton* b : {form.Button1, form.Button4, form.Button5})
        ok = ok && !b->isEnabled();
    for (QPushButton* b : {form.Button2, form.Button3})
        ok = ok && b->isEnabled();
    return ok;
}

} // namespace

class StaffWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Modal::closeModals(); }

    void layout()
    {
        TestDb db;
        db.installDM();
        TForm2 form;
        QCOMPARE(Form2, &form);
        QCOMPARE(form.objectName(), QString("Form2"));
        QCOMPARE(form.windowTitle(), QString("Менеджер"));
        QCOMPARE(form.pos(), QPoint(488, 274));
        QCOMPARE(form.font().family(), QString("Tahoma"));
        QCOMPARE(form.font().pointSize(), 8);
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        auto* menu = form.findChild<QMenuBar*>("MainMenu1");
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first(), form.findChild<QAction*>("N1"));
        QCOMPARE(form.N1->text(), QString("Закрыть"));
        QVERIFY(!form.N1->menu());

        // The stated geometry is that of the client area below the menu bar.
        const int top = menu->height();
        QVERIFY(top > 0);
        QCOMPARE(form.size(), QSize(450, top + 210));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const auto at = [&](const char* name) {
            auto* w = form.findChild<QWidget*>(name);
            return w ? QRect(w->mapTo(&form, QPoint(0, 0)) - QPoint(0, top), w->size()) : QRect();
        };
        QCOMPARE(at("Button1"), QRect(8, 8, 75, 25));
        QCOMPARE(at("Button4"), QRect(89, 8, 75, 25));
        QCOMPARE(at("Button5"), QRect(170, 8, 78, 25));
        QCOMPARE(at("Edit1"), QRect(66, 61, 374, 21));
        QCOMPARE(at("Edit2"), QRect(66, 88, 374, 21));
        QCOMPARE(at("Edit3"), QRect(66, 115, 374, 21));
        QCOMPARE(at("Edit4"), QRect(66, 142, 374, 21));
        QCOMPARE(at("Button2"), QRect(8, 174, 75, 25));
        QCOMPARE(at("Button3"), QRect(89, 174, 75, 25));
        QCOMPARE(at("Label1").topLeft(), QPoint(8, 64));
        QCOMPARE(at("Label2").topLeft(), QPoint(8, 91));
        QCOMPARE(at("Label3").topLeft(), QPoint(8, 118));
        QCOMPARE(at("Label4").topLeft(), QPoint(8, 145));

        const QStringList labels{"Сотрудник", "Должность", "Логин", "Пароль"};
        const QStringList buttons{"Добавить", "Изменить", "Удалить", "Сохранить", "Отмена"};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(form.findChild<QLabel*>(QString("Label%1").arg(i + 1))->text(), labels.at(i));
        const QList<QPushButton*> inTabOrder{form.Button1, form.Button4, form.Button5, form.Button2, form.Button3};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(inTabOrder.at(i)->text(), buttons.at(i));
            QVERIFY(!inTabOrder.at(i)->autoDefault());
        }
        QCOMPARE(form.Edit1->maxLength(), 50);
        QCOMPARE(form.Edit2->maxLength(), 50);
        QCOMPARE(form.Edit3->maxLength(), 20);
        QCOMPARE(form.Edit4->maxLength(), 20);
        QCOMPARE(form.Edit4->echoMode(), QLineEdit::Password);

        form.show();
        QVERIFY(!form.m->isVisible());
        QVERIFY(!form.t->isVisible());
        form.EnabledEdit(true);
        QList<QWidget*> chain;
        QWidget* w = form.Button1;
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible())
                chain << w;
            w = w->nextInFocusChain();
        } while (w != form.Button1);
        QCOMPARE(chain, (QList<QWidget*>{form.Button1, form.Button4, form.Button5, form.Button2, form.Button3,
                                         form.Edit1, form.Edit2, form.Edit3, form.Edit4}));
    }

    void showsTheAccountOfTheLastLogin_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("signed in") << "ivanova" << "1111" << kIvanova;
        QTest::newRow("wrong password") << "petrov" << "x" << kPetrov;
        QTest::newRow("unknown login") << "nobody" << "x" << kNothing;
        QTest::newRow("login with apostrophe") << "o'neil" << "x" << kNothing;
    }

    void showsTheAccountOfTheLastLogin()
    {
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QStringList, shown);
        Desk d;
        d.signIn("ivanova", "1111");
        d.form.show();
        QCOMPARE(d.fields(), kIvanova);
        d.form.hide();

        d.signIn(login, password);
        d.form.show();
        QCOMPARE(d.fields(), shown);
        QVERIFY(browsing(d.form));
        QVERIFY(!d.form.AddMode);
        QCOMPARE(d.form.Edit4->displayText(), QString(shown.at(3).size(), QLatin1Char('*')));
    }

    void fieldsFollowTheAccountOnlyWhileNotTyping()
    {
        Desk d;
        d.signIn("petrov", "2222");
        d.form.show();
        QCOMPARE(d.fields(), kPetrov);

        d.form.Button1Click();
        QVERIFY(d.form.AddMode);
        QVERIFY(editing(d.form));
        QCOMPARE(d.fields(), kNothing);
        QCOMPARE(d.form.focusWidget(), d.form.Edit1);
        d.dm.tabIm.close();
        d.dm.tabIm.open();
        QCOMPARE(d.fields(), kNothing);
        d.type(1, "Стажёр");
        d.dm.tabIm.moveTo(1);
        QCOMPARE(d.fields(), (QStringList{"", "Стажёр", "", ""}));

        d.form.Button3Click();
        QVERIFY(browsing(d.form));
        QCOMPARE(d.fields(), kPetrov);

        d.form.Button4Click();
        QVERIFY(!d.form.AddMode);
        QVERIFY(editing(d.form));
        QCOMPARE(d.fields(), kPetrov);
        QCOMPARE(d.form.focusWidget(), d.form.Edit1);
        d.type(0, "Петров С.");
        d.dm.tabIm.close();
        d.dm.tabIm.open();
        // What was typed stays; the rest still follows the row.
        QCOMPARE(d.fields(), (QStringList{"Петров С.", "Менеджер", "petrov", "2222"}));
        QCOMPARE(d.dialogs.count(), 0);
    }

    void addInsertsAnAccount_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::newRow("plain") << QStringList{"Орлова Ирина", "Администратор смены", "orlova", "7777"};
        QTest::newRow("apostrophes") << QStringList{"O'Brien", "д'Артаньян", "o'brien", "it's"};
        QTest::newRow("statement text")
            << QStringList{"x'); delete from OTV; --", "' or '1'='1", "');--", "x', 'EDIT"};
        QTest::newRow("blanks kept") << QStringList{" lead", "trail ", "a b", " "};
        QTest::newRow("all empty") << kNothing;
    }

    void addInsertsAnAccount()
    {
        QFETCH(QStringList, typed);
        Desk d;
        d.signIn("ivanova", "1111");
        d.form.show();
        const QStringList before = d.accounts();

        d.form.Button1Click();
        d.typeAll(typed);
        QCOMPARE(d.fields(), typed);
        d.form.Button2Click();

        QCOMPARE(d.dialogs.count(), 0);
        // The new row takes the generator's next value and the database's group.
        const QString added = QStringList{"9", typed[0], typed[1], "VIEW", typed[2], typed[3]}.join(QLatin1Char('|'));
        QCOMPARE(d.accounts(), before + QStringList{added});
        QCOMPARE(linesOf(d.form.m), data::sql::accountInsert(typed[0], typed[1], typed[2], typed[3]));
        QCOMPARE(linesOf(d.form.m).first(), QString("INSERT INTO OTV (ID, NAME, DOLJN, Login, pwd) "));
        // Both statements are built on every save.
        QCOMPARE(linesOf(d.form.t), data::sql::accountUpdate(typed[0], typed[1], typed[2], typed[3], "2"));
        // Back to browsing the filtered account, with the board's bookings read afresh.
        QVERIFY(browsing(d.form));
        QCOMPARE(d.fields(), kIvanova);
        QVERIFY(d.dm.tAll.active());
        QVERIFY(d.dm.qAll.isOpen());
        QVERIFY(!d.dm.tr1.active());
    }

    void changeUpdatesTheShownAccount_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("column"); // in kAccounts
        QTest::newRow("position") << 1 << "Старший менеджер" << 2;
        QTest::newRow("name with apostrophe") << 0 << "Петров-О'Нил" << 1;
        QTest::newRow("password as statement") << 3 << "'; drop table RES;--" << 5;
        QTest::newRow("empty name") << 0 << "" << 1;
        QTest::newRow("login") << 2 << "spetrov" << 4;
    }

    void changeUpdatesTheShownAccount()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(int, column);
        Desk d;
        // A booking of this manager on the board, read before the change.
        d.db.exec("insert into RES (ID, CLIENT, TEL, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, OTV_ID) "
                  "values (1, 'Guest', '1', 1, 0, 0, 2, '01.12.2026', '03.12.2026', 3)");
        d.dm.tAll.start();
        d.dm.qAll.open();
        d.signIn("petrov", "2222");
        d.form.show();
        QStringList expected = d.accounts();
        QStringList row = expected[2].split(QLatin1Char('|'));
        row[column] = text;
        expected[2] = row.join(QLatin1Char('|'));

        d.form.Button4Click();
        d.type(field, text);
        QStringList typed = kPetrov;
        typed[field] = text;
        QCOMPARE(d.fields(), typed);
        d.form.Button2Click();

        QCOMPARE(d.dialogs.count(), 0);
        QCOMPARE(d.accounts(), expected);
        QCOMPARE(linesOf(d.form.t), data::sql::accountUpdate(typed[0], typed[1], typed[2], typed[3], "3"));
        QVERIFY(browsing(d.form));
        // The board's bookings are read afresh, not from the old snapshot.
        QCOMPARE(d.dm.qAll.text("NAME"), typed[0]);
        if (field == 2) {
            // The filter still holds the old login: the account is gone from the window.
            QCOMPARE(d.fields(), kNothing);
            d.dialogs.clear();
            d.signIn("petrov", "2222");
            QCOMPARE(d.dialogs.last().text, QString("Проверьте Ваш логин и пароль"));
            d.signIn(text, "2222");
            QCOMPARE(d.dialogs.count(), 1);
            QVERIFY(!d.signin.isVisible());
        } else {
            QCOMPARE(d.fields(), typed);
        }
    }

    // A name pasted with its line breaks is stored as it stands in the field.
    void lineBreaksStayAsTheyAre_data()
    {
        QTest::addColumn<bool>("add");
        QTest::addColumn<QString>("name");
        QTest::newRow("new account, LF") << true << "Орлова\nИрина";
        QTest::newRow("change, CR LF") << false << "Петров\r\nСергей";
        QTest::newRow("change, CR alone") << false << "Петров\rСергей";
    }

    void lineBreaksStayAsTheyAre()
    {
        QFETCH(bool, add);
        QFETCH(QString, name);
        Desk d;
        d.signIn("petrov", "2222");
        d.form.show();
        if (add) {
            d.form.Button1Click();
            d.typeAll({"", "Менеджер", "orlova", "7777"});
        } else {
            d.form.Button4Click();
        }
        QApplication::clipboard()->setText(name);
        d.form.Edit1->selectAll();
        d.form.Edit1->paste();
        QCOMPARE(d.form.Edit1->text(), name);
        d.form.Button2Click();

        QCOMPARE(d.dialogs.count(), 0);
        QCOMPARE(d.db.rows(QString("select NAME, octet_length(NAME) from OTV where ID=%1").arg(add ? 9 : 3)),
                 QStringList{name + "|" + QString::number(name.size())});
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void deleteAsksFirst()
    {
        QFETCH(bool, yes);
        Desk d;
        d.signIn("petrov", "2222");
        d.form.show();
        QStringList expected = d.accounts();
        const quint64 generation = d.dm.tabIm.generation();
        d.dialogs.answerNext(yes ? platform::Yes : platform::No);

        d.form.Button5Click();

        QCOMPARE(d.dialogs.count(), 1);
        const platform::MessageRequest ask = d.dialogs.last();
        QCOMPARE(ask.caption, QString("Удаление"));
        QCOMPARE(ask.text, QString("Продолжить удаление?"));
        QCOMPARE(ask.buttons, platform::Yes | platform::No);
        QVERIFY(browsing(d.form));
        if (yes) {
            expected.removeAt(2);
            QCOMPARE(d.accounts(), expected);
            QCOMPARE(d.fields(), kNothing);
            d.signIn("petrov", "2222");
            QCOMPARE(d.dialogs.last().text, QString("Проверьте Ваш логин и пароль"));
        } else {
            QCOMPARE(d.accounts(), expected);
            QCOMPARE(d.fields(), kPetrov);
            // Nothing was sent and nothing read again.
            QCOMPARE(d.dm.tabIm.generation(), generation);
            QVERIFY(!d.dm.tr1.active());
        }
    }

    void cancelShowsTheStoredAccount_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::newRow("after Добавить") << true;
        QTest::newRow("after Изменить") << false;
    }

    void cancelShowsTheStoredAccount()
    {
        QFETCH(bool, adding);
        Desk d;
        d.signIn("ivanova", "1111");
        d.form.show();
        const QStringList before = d.accounts();
        if (adding)
            d.form.Button1Click();
        else
            d.form.Button4Click();
        d.typeAll({"Новая", "Никто", "nobody", "0"});

        d.form.Button3Click();

        QVERIFY(browsing(d.form));
        QCOMPARE(d.fields(), kIvanova);
        QCOMPARE(d.form.AddMode, adding);
        QCOMPARE(d.accounts(), before);
        QCOMPARE(d.dialogs.count(), 0);
        // Read again in the same snapshot: not a restart.
        QVERIFY(d.dm.tIm.active());
        QVERIFY(d.dm.tabIm.isOpen());
    }

    void failedWritesEndInBrowsing()
    {
        Desk d;
        d.signIn("petrov", "2222");
        d.form.show();
        d.dialogs.answerNext(platform::Yes);
        d.form.Button5Click();
        QCOMPARE(d.fields(), kNothing);
        const QStringList before = d.accounts();
        d.dialogs.clear();

        // No row shown: the statements end in an empty identifier and the server rejects them.
        d.form.Button4Click();
        d.typeAll({"Петров Сергей", "Менеджер", "petrov", "2222"});
        d.form.Button2Click();
        QCOMPARE(d.dialogs.count(), 1);
        QCOMPARE(d.dialogs.last().caption, QString("Ошибка"));
        QCOMPARE(d.dialogs.last().icon, platform::MsgIcon::Error);
        QVERIFY(linesOf(d.form.t).first().endsWith("where id="));
        QVERIFY(browsing(d.form));
        QCOMPARE(d.fields(), kNothing);
        QVERIFY(!d.dm.tr1.active());

        d.dialogs.answerNext(platform::Yes);
        d.form.Button5Click();
        QCOMPARE(d.dialogs.count(), 3);
        QCOMPARE(d.dialogs.last().caption, QString("Ошибка"));
        QVERIFY(browsing(d.form));
        QCOMPARE(d.accounts(), before);
    }

    void refusedNewAccountIsGone()
    {
        Desk d;
        // Without the default the database cannot supply the group, and refuses the row.
        d.db.exec("ALTER TABLE OTV ALTER COLUMN GR DROP DEFAULT");
        d.signIn("ivanova", "1111");
        d.form.show();
        const QStringList before = d.accounts();
        d.form.Button1Click();
        d.typeAll({"Орлова Ирина", "Менеджер", "orlova", "7777"});
        d.form.Button2Click();
        QCOMPARE(d.dialogs.count(), 1);
        QCOMPARE(d.dialogs.last().caption, QString("Ошибка"));
        QVERIFY2(d.dialogs.last().text.contains("GR"), qPrintable(d.dialogs.last().text));
        QCOMPARE(d.accounts(), before);
        QVERIFY(browsing(d.form));
        QCOMPARE(d.fields(), kIvanova);
        QVERIFY(!d.dm.tr1.active());
    }

    void closingHidesAndTheNextShowBrowses_data()
    {
        QTest::addColumn<bool>("menu");
        QTest::newRow("Закрыть") << true;
        QTest::newRow("close box") << false;
    }

    void closingHidesAndTheNextShowBrowses()
    {
        QFETCH(bool, menu);
        Desk d;
        d.signIn("ivanova", "1111");
        const QStringList before = d.accounts();

        Modal::whenModalNamed("Form2", [&](QWidget* w) {
            Modal::clickButton(w, "Добавить");
            Modal::typeInto(w, "Edit1", "not to be saved");
            if (menu)
                d.form.N1->trigger();
            else
                w->close();
        });
        d.form.exec();
        MODAL_VERIFY();
        QCOMPARE(d.accounts(), before);
        QVERIFY(d.form.AddMode);

        bool wasBrowsing = false;
        QStringList shown;
        Modal::whenModalNamed("Form2", [&](QWidget* w) {
            wasBrowsing = browsing(d.form) && !d.form.AddMode;
            shown = d.fields();
            QTest::mouseClick(d.form.MainMenu1, Qt::LeftButton, {},
                              d.form.MainMenu1->actionGeometry(d.form.N1).center());
            if (w->isVisible())
                Modal::fail("Закрыть did not close the window");
        });
        d.form.exec();
        MODAL_VERIFY();
        QVERIFY(wasBrowsing);
        QCOMPARE(shown, kIvanova);
        QCOMPARE(d.dialogs.count(), 0);
    }
};

QTEST_MAIN(StaffWindowTest)
#include "StaffWindowTest.moc"
