#include "staff/Unit5.h"

#include "app/ErrorReport.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "data/WriteStatement.h"
#include "platform/ui/MenuDialog.h"
#include "platform/ui/TextHolder.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextBlock>

TForm2* Form2 = nullptr;

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int left, int width)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, 0, width, 25);
    // Enter in a field must not press a button behind the user's back.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int top, int maxLength)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(66, top, 374, 21);
    edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Менеджер"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    N1 = platform::namedAction(this, "N1", QStringLiteral("Закрыть"));
    const platform::MenuDialogFrame frame = platform::buildMenuDialog(this, {N1}, QSize(450, 210));
    MainMenu1 = frame.menuBar;
    QWidget* client = frame.client;
    move(488, 274);

    Button1 = makeButton(client, "Button1", QStringLiteral("Добавить"), 8, 75);
    Button4 = makeButton(client, "Button4", QStringLiteral("Изменить"), 89, 75);
    Button5 = makeButton(client, "Button5", QStringLiteral("Удалить"), 170, 78);
    for (QPushButton* b : {Button1, Button4, Button5})
        b->move(b->x(), 8);

    Label1 = makeLabel(client, "Label1", QStringLiteral("Сотрудник"), 8, 64);
    Edit1 = makeEdit(client, "Edit1", 61, 50);
    Label2 = makeLabel(client, "Label2", QStringLiteral("Должность"), 8, 91);
    Edit2 = makeEdit(client, "Edit2", 88, 50);
    Label3 = makeLabel(client, "Label3", QStringLiteral("Логин"), 8, 118);
    Edit3 = makeEdit(client, "Edit3", 115, 20);
    Label4 = makeLabel(client, "Label4", QStringLiteral("Пароль"), 8, 145);
    Edit4 = makeEdit(client, "Edit4", 142, 20);
    Edit4->setEchoMode(QLineEdit::Password);
    Edit4->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    Label3->setBuddy(Edit3);
    Label4->setBuddy(Edit4);

    Button2 = makeButton(client, "Button2", QStringLiteral("Сохранить"), 8, 75);
    Button3 = makeButton(client, "Button3", QStringLiteral("Отмена"), 89, 75);
    for (QPushButton* b : {Button2, Button3})
        b->move(b->x(), 174);

    m = platform::makeTextHolder(client, "m");
    t = platform::makeTextHolder(client, "t");

    setTabOrder(Button1, Button4);
    setTabOrder(Button4, Button5);
    setTabOrder(Button5, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);

    connect(Button1, &QPushButton::clicked, this, app::guardedSlot(this, &TForm2::Button1Click));
    connect(Button4, &QPushButton::clicked, this, app::guardedSlot(this, &TForm2::Button4Click));
    connect(Button5, &QPushButton::clicked, this, app::guardedSlot(this, &TForm2::Button5Click));
    connect(Button2, &QPushButton::clicked, this, app::guardedSlot(this, &TForm2::Button2Click));
    connect(Button3, &QPushButton::clicked, this, app::guardedSlot(this, &TForm2::Button3Click));
    connect(N1, &QAction::triggered, this, app::guardedSlot(this, &TForm2::N1Click));

    EnabledEdit(false);
    bindFields();

    if (!Form2)
        Form2 = this;
}

TForm2::~TForm2()
{
    disconnect(m_binding);
    if (Form2 == this)
        Form2 = nullptr;
}

void TForm2::bindFields()
{
    data::Dataset* dataset = data::DM ? data::DM->Im_ds.dataSet : nullptr;
    if (m_bound == dataset && m_binding)
        return;
    disconnect(m_binding);
    m_bound = dataset;
    if (dataset)
        m_binding = connect(dataset, &data::Dataset::changed, this, &TForm2::refreshFields);
    refreshFields();
}

void TForm2::refreshFields()
{
    // A new account is free text until the window browses again.
    if (m_editing && AddMode)
        return;
    const std::pair<QLineEdit*, const char*> fields[] = {
        {Edit1, "NAME"}, {Edit2, "DOLJN"}, {Edit3, "LOGIN"}, {Edit4, "PWD"}};
    for (const auto& [edit, column] : fields) {
        // What the user has typed over the shown account stays until Сохранить or Отмена.
        if (m_editing && edit->isModified())
            continue;
        edit->setText(m_bound ? m_bound->text(QLatin1String(column)) : QString());
    }
}

void TForm2::EnabledEdit(bool editing)
{
    m_editing = editing;
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        edit->setReadOnly(!editing);
    for (QPushButton* button : {Button1, Button4, Button5})
        button->setEnabled(!editing);
    for (QPushButton* button : {Button2, Button3})
        button->setEnabled(editing);
    if (!editing)
        refreshFields();
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Restoring the minimized window is not a new showing.
    if (!event->spontaneous())
        app::guarded([this] { FormShow(); });
}

void TForm2::FormShow()
{
    bindFields();
    data::TDM& dm = *data::DM;
    AddMode = false;
    EnabledEdit(false);
    if (!dm.tIm.active())
        dm.tIm.start();
    if (!dm.tabIm.isOpen())
        dm.tabIm.open();
}

void TForm2::Button1Click()
{
    AddMode = true;
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        edit->clear();
    EnabledEdit(true);
    Edit1->setFocus();
}

void TForm2::Button4Click()
{
    AddMode = false;
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        edit->setModified(false);
    EnabledEdit(true);
    Edit1->setFocus();
}

void TForm2::Button2Click()
{
    data::TDM& dm = *data::DM;
    platform::setHolderLines(m, data::sql::accountInsert(Edit1->text(), Edit2->text(), Edit3->text(), Edit4->text()));
    platform::setHolderLines(t, data::sql::accountUpdate(Edit1->text(), Edit2->text(), Edit3->text(), Edit4->text(),
                                         dm.tabIm.text(QStringLiteral("ID"))));
    if (AddMode)
        data::RunWriteStatement(platform::holderLines(m), nullptr, {&dm.qAll});
    else
        data::RunWriteStatement(platform::holderLines(t), [&dm] { dm.tabIm.close(); }, {&dm.qAll});
    data::restartDataset(dm.tabIm);
    EnabledEdit(false);
    data::restartDataset(dm.qAll);
}

void TForm2::Button3Click()
{
    data::TDM& dm = *data::DM;
    EnabledEdit(false);
    if (dm.tabIm.isOpen())
        dm.tabIm.cancel();
    dm.tabIm.close();
    dm.tabIm.open();
    refreshFields();
}

void TForm2::Button5Click()
{
    data::TDM& dm = *data::DM;
    if (!data::ConfirmDeletion())
        return;
    data::RunWriteStatement({data::sql::accountDelete(dm.tabIm.text(QStringLiteral("ID")))}, nullptr,
                            {&dm.tabIm});
    data::restartDataset(dm.tabIm);
}

void TForm2::N1Click()
{
    reject();
}
