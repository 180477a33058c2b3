#include "signin/Login.h"

#include "app/ErrorReport.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

TForm6* Form6 = nullptr;

namespace {

QFont windowFont(int pointSize)
{
    return QFont(QStringLiteral("Tahoma"), pointSize);
}

void signInError(const QString& text)
{
    platform::showMessage({QStringLiteral("Ошибка"), text, platform::MsgIcon::Question, platform::Ok, platform::Ok});
}

} // namespace

TForm6::TForm6(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Идентификация"));
    setFont(windowFont(8));
    setFixedSize(463, 77);
    move(390, 329);

    Label1 = new QLabel(QStringLiteral("Пользователь"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 16);
    Label1->adjustSize();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(94, 13, 121, 21);
    Edit1->installEventFilter(this);

    Label2 = new QLabel(QStringLiteral("Пароль"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(51, 43);
    Label2->adjustSize();

    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(94, 40, 121, 21);
    Edit2->setEchoMode(QLineEdit::Password);
    // The style's own bullet would hide what the users know as the mask.
    Edit2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Edit2->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("ВХОД"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(232, 13, 98, 48);
    Button1->setFont(windowFont(12));

    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(344, 13, 105, 48);
    Button2->setFont(windowFont(12));

    // Enter belongs to the two fields; no button may take it as the dialog's default.
    for (QPushButton* button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    cb = new QCheckBox(this);
    cb->setObjectName(QStringLiteral("cb"));
    cb->setGeometry(8, 64, 97, 17);
    cb->setChecked(false);
    cb->setFocusPolicy(Qt::NoFocus);
    cb->hide();

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, app::guardedSlot(this, &TForm6::Button1Click));
    connect(Button2, &QPushButton::clicked, this, app::guardedSlot(this, &TForm6::Button2Click));

    if (!Form6)
        Form6 = this;
}

TForm6::~TForm6()
{
    if (Form6 == this)
        Form6 = nullptr;
}

bool TForm6::editRights() const
{
    return cb->isChecked();
}

void TForm6::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Restoring the window from the task bar is not a new showing.
    if (!event->spontaneous())
        app::guarded([this] { FormShow(); });
}

void TForm6::FormShow()
{
    data::TDM& dm = *data::DM;
    if (!dm.DB.isOpen()) {
        app::requestEnd();
        // exec() has not entered its loop yet while the dialog is being shown,
        // so ending it now would leave that loop waiting.
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                reject();
        });
        return;
    }
    // A fresh look at the accounts for every sign-in: an account deleted or
    // a password changed at another desk counts at once, not only after
    // this desk's snapshot of the staff table has been renewed.
    dm.tIm.end();
    dm.tIm.start();
    if (!dm.tabIm.isOpen())
        dm.tabIm.open();
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus();
}

void TForm6::Button1Click()
{
    data::Dataset& tabIm = data::DM->tabIm;
    tabIm.setFiltered(false);
    const QString login = Edit1->text();
    if (login.isEmpty()) {
        Edit1->setFocus();
        return;
    }
    tabIm.setFilter(data::sql::loginFilter(login));
    tabIm.setFiltered(true);
    // The server's comparison ignores trailing blanks and may ignore case; ours must not.
    if (login != tabIm.text(QStringLiteral("LOGIN"))) {
        signInError(QStringLiteral("Проверьте Ваш логин и пароль"));
        Edit1->setFocus();
        return;
    }
    if (Edit2->text() != tabIm.text(QStringLiteral("PWD"))) {
        signInError(QStringLiteral("Проверьте Ваш пароль"));
        return;
    }
    cb->setChecked(tabIm.text(QStringLiteral("GR")) == QLatin1String("EDIT"));
    // The dialog gives its caller no result; the flag is the answer.
    done(QDialog::Rejected);
    tabIm.close();
}

void TForm6::Button2Click()
{
    app::requestEnd();
    reject();
}

void TForm6::Edit1KeyPress(QChar& key)
{
    if (key == QChar(13)) {
        key = QChar();
        Button1->click();
    }
}

bool TForm6::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == Edit1 || watched == Edit2) && event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        QChar key;
        if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter)
            key = QChar(13);
        else if (keyEvent->text().size() == 1)
            key = keyEvent->text().at(0);
        if (!key.isNull()) {
            app::guarded([&] { Edit1KeyPress(key); });
            if (key.isNull())
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
