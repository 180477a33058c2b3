#include "booking/Unit4.h"

#include "app/ErrorReport.h"
#include "booking/DBLookupComboBox.h"
#include "booking/DatePicker.h"
#include "booking/DigitsEdit.h"
#include "booking/DiscountedPrice.h"
#include "data/RoomCheck.h"
#include "data/Statements.h"
#include "data/UnDM.h"
#include "data/WriteStatement.h"
#include "platform/AppError.h"
#include "platform/Dialogs.h"
#include "platform/Regional.h"
#include "staff/Unit5.h"
#include "platform/ui/MenuDialog.h"
#include "platform/ui/TextHolder.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextBlock>

bool NewBooking = false;
TForm4* Form4 = nullptr;

namespace {

constexpr int kClientWidth = 362;
constexpr int kClientHeight = 516;
constexpr int kFieldLeft = 116;
constexpr int kFieldWidth = 225;
constexpr int kDateWidth = 106;
constexpr int kFieldHeight = 21;
constexpr int kFirstFieldTop = 58;
constexpr int kFieldStep = 27;
constexpr int kLabelLeft = 8;

int fieldTop(int row)
{
    return kFirstFieldTop + row * kFieldStep;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, top, 75, 25);
    // Enter in a field must not press a button behind the user's back.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

template <class Field>
Field* place(Field* field, const char* name, int row, int width = kFieldWidth)
{
    field->setObjectName(QLatin1String(name));
    field->setGeometry(kFieldLeft, fieldTop(row), width, kFieldHeight);
    return field;
}

void makeLabel(QWidget* parent, int number, const QString& text, QWidget* buddy, int row)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Label%1").arg(number));
    label->setGeometry(kLabelLeft, fieldTop(row), kFieldLeft - kLabelLeft - 4, kFieldHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setBuddy(buddy);
}

// What a change compares with the booking as it is now, under the editor's labels.
const std::pair<const char*, const char*> kCompared[] = {
    {"CLIENT", "Клиент"},          {"TEL", "Телефон"},           {"CORP", "Компания"},
    {"TURAG", "Турагенство"},      {"VZROS", "Кол-во взрослых"},  {"REB6", "Детей до 6 лет"},
    {"REB12", "Детей до 12 лет"},  {"ZALS_ID", "Комната"},        {"DATE1", "Дата заезда"},
    {"DATE2", "Дата выезда"},      {"PRICE", "Цена"},             {"SKIDKA", "Скидка %"},
    {"OPLATA", "С учетом скидки"}, {"GARANTY", "Гарантия"},       {"OTV_ID", "Ответственный"}};

const char* const kLoadedColumns[] = {"ID",    "CLIENT", "TEL",    "CORP",   "TURAG",   "VZROS",
                                      "REB6",  "REB12",  "ZALS_ID", "DATE1", "DATE2",   "PRICE",
                                      "SKIDKA", "OPLATA", "GARANTY", "OTV_ID", "NAME"};

bool askToSave(const QString& text)
{
    return platform::showMessage({QStringLiteral("Бронь"), text, platform::MsgIcon::Warning,
                                  platform::Yes | platform::No, platform::No}) == platform::Yes;
}

QString stayLine(const data::Stay& stay)
{
    return QStringLiteral("%1, %2 – %3")
        .arg(stay.client, platform::fixedDateText(stay.arrival), platform::fixedDateText(stay.departure));
}

} // namespace

TForm4::TForm4(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Бронь"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    N1 = platform::namedAction(this, "N1", QStringLiteral("Закрыть"));
    N3 = platform::namedAction(this, "N3", QStringLiteral("Менеджер"));
    const platform::MenuDialogFrame frame = platform::buildMenuDialog(this, {N1, N3}, QSize(kClientWidth, kClientHeight));
    MainMenu1 = frame.menuBar;
    QWidget* client = frame.client;
    move(488, 55);

    Button1 = makeButton(client, "Button1", QStringLiteral("Добавить"), 20, 8);
    Button4 = makeButton(client, "Button4", QStringLiteral("Изменить"), 145, 8);
    Button5 = makeButton(client, "Button5", QStringLiteral("Удалить"), 226, 8);
    Button4->hide();
    Button5->hide();

    Edit1 = place(new QLineEdit(client), "Edit1", 0);
    Edit3 = place(new QLineEdit(client), "Edit3", 1);
    Edit5 = place(new QLineEdit(client), "Edit5", 2);
    Edit8 = place(new QLineEdit(client), "Edit8", 3);
    Edit9 = place(new booking::DigitsEdit(client), "Edit9", 4);
    Edit10 = place(new booking::DigitsEdit(client), "Edit10", 5);
    Edit11 = place(new booking::DigitsEdit(client), "Edit11", 6);
    Edit6 = place(new booking::DBLookupComboBox(client), "Edit6", 7);
    Edit2 = place(new booking::DatePicker(client), "Edit2", 8, kDateWidth);
    Edit4 = place(new booking::DatePicker(client), "Edit4", 9, kDateWidth);
    Edit12 = place(new booking::DigitsEdit(client), "Edit12", 10);
    Edit13 = place(new booking::DigitsEdit(client), "Edit13", 11);
    Edit14 = place(new booking::DigitsEdit(client), "Edit14", 12);
    Edit16 = place(new QLineEdit(client), "Edit16", 13);
    Edit7 = place(new QComboBox(client), "Edit7", 14);

    for (booking::DigitsEdit* count : {Edit9, Edit10, Edit11, Edit14})
        count->setText(QStringLiteral("0"));
    Edit6->setMaxVisibleItems(12);
    for (QDateEdit* date : {Edit2, Edit4}) {
        date->setDisplayFormat(platform::shortDateFormat());
        date->setCalendarPopup(true);
    }
    Edit7->setEditable(true);
    // Only the chosen entry counts; typed text never becomes an entry.
    Edit7->setInsertPolicy(QComboBox::NoInsert);

    const std::pair<QWidget*, const char*> labels[] = {
        {Edit1, "Клиент"},          {Edit3, "Телефон"},        {Edit5, "Компания"},
        {Edit8, "Турагенство"},     {Edit9, "Кол-во взрослых"}, {Edit10, "Детей до 6 лет"},
        {Edit11, "Детей до 12 лет"}, {Edit6, "Комната"},        {Edit2, "Дата заезда"},
        {Edit4, "Дата выезда"},     {Edit12, "Цена"},          {Edit13, "Скидка %"},
        {Edit14, "С учетом скидки"}, {Edit16, "Гарантия"},      {Edit7, "Ответственный"}};
    int row = 0;
    for (const auto& [field, text] : labels) {
        makeLabel(client, row + 1, QString::fromUtf8(text), field, row);
        ++row;
    }

    Button2 = makeButton(client, "Button2", QStringLiteral("Сохранить"), 73, 478);
    Button3 = makeButton(client, "Button3", QStringLiteral("Отмена"), 177, 478);

    M = platform::makeTextHolder(client, "M");
    M->setGeometry(kClientWidth + 40, 8, 185, 89);
    t = platform::makeTextHolder(client, "t");

    QWidget* order[] = {Button1, Edit1,  Edit3,  Edit5,  Edit8,  Edit9,  Edit10, Edit11, Edit6,
                        Edit2,   Edit4,  Edit12, Edit13, Edit14, Edit16, Edit7,  Button2, Button3};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(Button1, &QPushButton::clicked, this, app::guardedSlot(this, &TForm4::Button1Click));
    connect(Button2, &QPushButton::clicked, this, app::guardedSlot(this, &TForm4::Button2Click));
    connect(Button3, &QPushButton::clicked, this, app::guardedSlot(this, &TForm4::Button3Click));
    connect(Button4, &QPushButton::clicked, this, app::guardedSlot(this, &TForm4::Button4Click));
    connect(Button5, &QPushButton::clicked, this, app::guardedSlot(this, &TForm4::Button5Click));
    connect(N1, &QAction::triggered, this, app::guardedSlot(this, &TForm4::N1Click));
    connect(N3, &QAction::triggered, this, app::guardedSlot(this, &TForm4::N3Click));

    for (QWidget* field : {Edit9, Edit10, Edit11, Edit12, Edit13})
        field->installEventFilter(this);

    if (data::DM)
        Edit6->setListSource(&data::DM->Zals_ds, QStringLiteral("NAME"), QStringLiteral("ID"));

    EnabledEdit(false);

    if (!Form4)
        Form4 = this;
}

TForm4::~TForm4()
{
    if (Form4 == this)
        Form4 = nullptr;
}

bool TForm4::editing() const
{
    return !Button1->isEnabled();
}

void TForm4::EnabledEdit(bool AValue)
{
    m_loaded.reset();
    QWidget* const fields[] = {Edit1, Edit2, Edit3, Edit4,  Edit5,  Edit6,  Edit7, Edit8,
                               Edit9, Edit10, Edit11, Edit12, Edit13, Edit14, Edit16};
    for (QWidget* field : fields)
        field->setEnabled(AValue);
    Button2->setEnabled(AValue);
    Button3->setEnabled(AValue);
    Button1->setEnabled(!AValue);
    Button4->setEnabled(!AValue);
    Button5->setEnabled(!AValue);
}

void TForm4::Button1Click()
{
    data::TDM& dm = *data::DM;
    dm.tZals.start();
    dm.tabZals.open();
    dm.tOtv.start();
    dm.tabOtv.open();

    NewBooking = true;

    for (QLineEdit* text : {Edit1, Edit3, Edit5, Edit8})
        text->clear();
    for (booking::DigitsEdit* number : {Edit9, Edit10, Edit11, Edit12, Edit13, Edit14})
        number->setText(QStringLiteral("0"));
    Edit16->clear();

    Edit6->setKeyValue(QVariant());
    Edit7->clearEditText();

    Edit2->setDate(platform::today());
    Edit4->setDate(platform::today());

    EnabledEdit(true);
    fillManagers();
}

data::sql::BookingTexts TForm4::bookingTexts() const
{
    const QVariant room = Edit6->keyValue();
    bool isNumber = false;
    const qlonglong roomId = room.toLongLong(&isNumber);
    if (room.isNull() || !isNumber)
        throw platform::AppError(QStringLiteral("Не выбрана комната"));

    data::sql::BookingTexts b;
    b.client = Edit1->text();
    b.tel = Edit3->text();
    b.corp = Edit5->text();
    b.turag = Edit8->text();
    b.vzros = Edit9->text();
    b.reb6 = Edit10->text();
    b.reb12 = Edit11->text();
    b.zalsId = int(roomId);
    b.date1 = platform::dateToText(Edit2->date());
    b.date2 = platform::dateToText(Edit4->date());
    b.price = Edit12->text();
    b.skidka = Edit13->text();
    b.oplata = Edit14->text();
    b.garanty = Edit16->text();
    b.otvId = selectedManager();
    return b;
}

QStringList TForm4::insertLines() const
{
    return platform::holderLines(M);
}

QStringList TForm4::updateLines() const
{
    return platform::holderLines(t);
}

QStringList TForm4::changeLines(const BookingRow& loaded, const BookingRow& current) const
{
    QStringList lines;
    for (const auto& [column, label] : kCompared) {
        const QString key = QLatin1String(column);
        QString was = loaded.value(key);
        QString is = current.value(key);
        if (was == is)
            continue;
        if (key == QLatin1String("ZALS_ID")) {
            was = data::roomName(*data::DM, was.toInt());
            is = data::roomName(*data::DM, is.toInt());
        } else if (key == QLatin1String("OTV_ID")) {
            was = loaded.value(QStringLiteral("NAME"));
            is = current.value(QStringLiteral("NAME"));
        }
        lines << QStringLiteral("%1: «%2» → «%3»").arg(QString::fromUtf8(label), was, is);
    }
    return lines;
}

void TForm4::Button2Click()
{
    data::TDM& dm = *data::DM;

    // Both texts, whatever the mode; the booking's ID is read before anything closes Quk.
    const data::sql::BookingTexts values = bookingTexts();
    const QDate arrival = Edit2->date();
    const QDate departure = Edit4->date();
    // Such a booking covers no day: nobody would ever see it on the board.
    if (departure < arrival)
        throw platform::AppError(QStringLiteral("Дата выезда раньше даты заезда"));
    if (!NewBooking && dm.Quk.hasCurrent()) {
        BookingRow row;
        for (const char* column : kLoadedColumns)
            row.insert(QLatin1String(column), dm.Quk.text(QLatin1String(column)));
        m_loaded = row;
    }
    const QString id = dm.Quk.isOpen() || !m_loaded ? dm.Quk.text(QStringLiteral("ID")) : m_loaded->value(QStringLiteral("ID"));
    const QStringList insert = data::sql::bookingInsert(values);
    const QStringList update = data::sql::bookingUpdate(values, id);
    platform::setHolderLines(M, insert);
    platform::setHolderLines(t, update);

    dm.tr1.end();

    auto ask = [&dm](const QString& text) {
        // The board behind the box paints from qAll, which a change has closed.
        if (!dm.qAll.isOpen())
            data::restartDataset(dm.qAll);
        return askToSave(text);
    };
    // Inside tr1, before the statement: the rooms are held first, so a desk
    // saving the same room at the same moment waits and then sees this save.
    auto check = [&](QStringList& statement) {
        QString self;
        bool stayMoves = true;
        if (NewBooking) {
            data::lockForSave(dm, {values.zalsId});
        } else if (!m_loaded) {
            // Nothing loaded: the statement fails on the server as it always has.
            return true;
        } else {
            data::lockForSave(dm, {values.zalsId, m_loaded->value(QStringLiteral("ZALS_ID")).toInt()}, id);
            const auto current = data::currentBooking(dm, id);
            if (!current) {
                if (!ask(QStringLiteral("Эту бронь удалили на другом рабочем месте.\n"
                                        "Сохранить введённое как новую бронь?")))
                    return false;
                statement = insert;
            } else {
                const QStringList changes = changeLines(*m_loaded, *current);
                if (!changes.isEmpty() &&
                    !ask(QStringLiteral("Эту бронь изменили на другом рабочем месте:\n") + changes.join('\n') +
                         QStringLiteral("\nЗаписать ваши данные вместо этих?")))
                    return false;
                self = id;
                stayMoves = current->value(QStringLiteral("ZALS_ID")) != QString::number(values.zalsId) ||
                            current->value(QStringLiteral("DATE1")) != values.date1 ||
                            current->value(QStringLiteral("DATE2")) != values.date2;
            }
        }
        if (!stayMoves)
            return true;
        const QList<data::Stay> stays = data::overlappingStays(dm, values.zalsId, arrival, departure, self);
        if (stays.isEmpty())
            return true;
        QStringList lines;
        for (const data::Stay& stay : stays)
            lines << stayLine(stay);
        return ask(QStringLiteral("Комната в эти дни занята:\n") + lines.join('\n') +
                   QStringLiteral("\nВсё равно сохранить?"));
    };

    bool sent;
    if (NewBooking) {
        sent = data::RunWriteStatement(insertLines(), nullptr, {&dm.qAll}, check);
    } else {
        sent = data::RunWriteStatement(
            updateLines(),
            [&dm] {
                dm.Tran1.end();
                dm.Quk.close();
                dm.tAll.end();
                dm.qAll.close();
            },
            {&dm.qAll}, check);
    }
    if (!sent) {
        // Declined: nothing written, the editor keeps editing what was typed.
        if (!dm.qAll.isOpen())
            data::restartDataset(dm.qAll);
        return;
    }
    EnabledEdit(false);
    data::restartDataset(dm.qAll);
}

void TForm4::Button3Click()
{
    data::DM->Quk.close();
    EnabledEdit(false);
}

void TForm4::Button4Click()
{
    NewBooking = false;
    EnabledEdit(true);
}

void TForm4::Button5Click()
{
}

void TForm4::N1Click()
{
    close();
}

void TForm4::N3Click()
{
    if (!Form2)
        return;
    // Quk's table-stability lock would make every account write of the staff
    // window fail on this very connection. The loaded booking is let go while
    // that window is open and read again afterwards, so a save here still
    // changes it.
    data::TDM& dm = *data::DM;
    const bool held = dm.Quk.isOpen();
    if (held)
        dm.Tran1.end();
    Form2->exec();
    if (held)
        dm.Quk.open();
}

void TForm4::FormShow()
{
    if (!Button1->isEnabled())
        Edit1->setFocus();
    selectManager(int(data::DM->Quk.asInteger(QStringLiteral("OTV_ID"))));
}

void TForm4::FormCloseQuery(QObject* /*Sender*/, bool& CanClose)
{
    CanClose = true;
    data::TDM& dm = *data::DM;
    if (editing()) {
        Button3Click();
        dm.tr1.end();
    }
    dm.Quk.close();
    dm.tZals.end();
    dm.tabZals.close();
    dm.tOtv.end();
    dm.tabOtv.close();
    data::restartDataset(dm.qAll);
}

void TForm4::Edit9KeyUp(QObject*, int, Qt::KeyboardModifiers)
{
    if (Edit9->text().isEmpty())
        Edit9->setText(QStringLiteral("0"));
}

void TForm4::Edit10KeyUp(QObject*, int, Qt::KeyboardModifiers)
{
    if (Edit10->text().isEmpty())
        Edit10->setText(QStringLiteral("0"));
}

void TForm4::Edit11KeyUp(QObject*, int, Qt::KeyboardModifiers)
{
    if (Edit11->text().isEmpty())
        Edit11->setText(QStringLiteral("0"));
}

void TForm4::Edit12KeyUp(QObject*, int, Qt::KeyboardModifiers)
{
    if (const auto text = booking::discountedPriceText(Edit12->text(), Edit13->text()))
        Edit14->setText(*text);
}

void TForm4::fillManagers()
{
    data::Dataset& managers = data::DM->tabOtv;
    Edit7->clear();
    // Moving past the last row stays on it, so a short list repeats its last name.
    for (int recNo = 1; recNo <= 6; ++recNo) {
        managers.moveTo(recNo);
        Edit7->addItem(managers.text(QStringLiteral("NAME")));
    }
    Edit7->setCurrentIndex(-1);
}

void TForm4::selectManager(int otvId)
{
    const int index = otvId - 2;
    Edit7->setCurrentIndex(index >= 0 && index < 6 && index < Edit7->count() ? index : -1);
}

int TForm4::selectedManager() const
{
    return Edit7->currentIndex() + 2;
}

void TForm4::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is not shown anew.
    if (!event->spontaneous())
        app::guarded([&] { FormShow(); });
}

void TForm4::done(int result)
{
    if (isVisible()) {
        bool canClose = true;
        app::guarded([&] { FormCloseQuery(this, canClose); });
    }
    QDialog::done(result);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    // Every real key release, also of keys that change nothing (arrows, Shift);
    // the releases of auto-repeat are not releases of the key.
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        void (TForm4::*handler)(QObject*, int, Qt::KeyboardModifiers) = nullptr;
        if (watched == Edit9)
            handler = &TForm4::Edit9KeyUp;
        else if (watched == Edit10)
            handler = &TForm4::Edit10KeyUp;
        else if (watched == Edit11)
            handler = &TForm4::Edit11KeyUp;
        else if (watched == Edit12 || watched == Edit13)
            handler = &TForm4::Edit12KeyUp;
        if (handler)
            app::guarded([&] { (this->*handler)(watched, key->key(), key->modifiers()); });
    }
    return QDialog::eventFilter(watched, event);
}
