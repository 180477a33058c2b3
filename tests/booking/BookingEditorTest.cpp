#include "EditorFixture.h"
#include "Modal.h"
#include "Typing.h"

#include "booking/Unit4.h"
#include "data/Statements.h"
#include "platform/ExeDir.h"
#include "platform/Regional.h"
#include "staff/Unit5.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

namespace {

const QDate kArrival(2013, 11, 8);
const QDate kDeparture(2013, 11, 10);

const QStringList kManagers = {"Иванова Марина", "Петров Сергей",  "Сидорова Елена",
                               "Кузнецов Андрей", "Смирнова Ольга", "Фёдорова Анна"};

QStringList entries(const QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

struct Typed {
    QString client, tel, corp, turag, adults, under6, under12;
    int roomIndex; // in the room list; -1 leaves no room
    QString price, discount, guarantee;
    int managerIndex;
};

} // namespace

Q_DECLARE_METATYPE(Typed)

class BookingEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EditorFixture> fx;
    TForm4& f() { return fx->form(); }
    data::TDM& dm() { return fx->dm(); }

    // "Добавить", then every field typed the way a user does.
    void enter(const Typed& in)
    {
        f().Button1->click();
        typeText(f().Edit1, in.client);
        typeText(f().Edit3, in.tel);
        typeText(f().Edit5, in.corp);
        typeText(f().Edit8, in.turag);
        retype(f().Edit9, in.adults);
        retype(f().Edit10, in.under6);
        retype(f().Edit11, in.under12);
        for (int i = 0; i <= in.roomIndex; ++i)
            QTest::keyClick(f().Edit6, Qt::Key_Down);
        f().Edit2->setDate(kArrival);
        f().Edit4->setDate(kDeparture);
        retype(f().Edit12, in.price);
        retype(f().Edit13, in.discount);
        typeText(f().Edit16, in.guarantee);
        f().Edit7->setCurrentIndex(in.managerIndex);
    }

    static Typed plain()
    {
        return {"Гость", "123-45-67", "", "", "2", "0", "0", 4, "5000", "10", "", 1};
    }

private slots:
    void init()
    {
        fx = std::make_unique<EditorFixture>();
        QVERIFY(fx->db().ok());
    }

    void cleanup() { fx.reset(); }

    void window()
    {
        QCOMPARE(f().objectName(), QStringLiteral("Form4"));
        QCOMPARE(f().windowTitle(), QStringLiteral("Бронь"));
        const Qt::WindowFlags flags = f().windowFlags();
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f().minimumSize(), f().maximumSize());
        QCOMPARE(f().pos(), QPoint(488, 55));
        QCOMPARE(f().font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(f().font().pointSize(), 8);

        auto* bar = f().findChild<QMenuBar*>();
        QVERIFY(bar);
        QCOMPARE(bar->actions(), (QList<QAction*>{f().N1, f().N3}));
        QCOMPARE(f().N1->objectName(), QStringLiteral("N1"));
        QCOMPARE(f().N1->text(), QStringLiteral("Закрыть"));
        QCOMPARE(f().N3->objectName(), QStringLiteral("N3"));
        QCOMPARE(f().N3->text(), QStringLiteral("Менеджер"));
        QVERIFY(!f().N1->menu() && !f().N3->menu());

        // The client area lies below the menu bar and is 362 x 516.
        QWidget* client = f().Edit1->parentWidget();
        QCOMPARE(client->geometry(), QRect(0, bar->height(), 362, 516));
        QCOMPARE(f().size(), QSize(362, bar->height() + 516));

        const std::tuple<QPushButton*, const char*, QString, QPoint> buttons[] = {
            {f().Button1, "Button1", "Добавить", {20, 8}},   {f().Button4, "Button4", "Изменить", {145, 8}},
            {f().Button5, "Button5", "Удалить", {226, 8}},   {f().Button2, "Button2", "Сохранить", {73, 478}},
            {f().Button3, "Button3", "Отмена", {177, 478}}};
        for (const auto& [button, name, text, at] : buttons) {
            QCOMPARE(button->objectName(), QLatin1String(name));
            QCOMPARE(button->text(), text);
            QCOMPARE(button->pos(), at);
        }
        QVERIFY(f().Button4->isHidden());
        QVERIFY(f().Button5->isHidden());
        QVERIFY(f().Button1->isEnabled());
        QVERIFY(!f().Button2->isEnabled());
        QVERIFY(!f().Button3->isEnabled());

        QVERIFY(f().M->isHidden());
        QVERIFY(f().M->x() >= 362);
        QVERIFY(f().t->isHidden());
        QCOMPARE(f().M->objectName(), QStringLiteral("M"));
        QCOMPARE(f().t->objectName(), QStringLiteral("t"));

        for (QLineEdit* zero : {static_cast<QLineEdit*>(f().Edit9), static_cast<QLineEdit*>(f().Edit10),
                                static_cast<QLineEdit*>(f().Edit11), static_cast<QLineEdit*>(f().Edit14)})
            QCOMPARE(zero->text(), QStringLiteral("0"));
        QCOMPARE(f().Edit6->maxVisibleItems(), 12);
        QVERIFY(f().Edit7->isEditable());
    }

    void fieldPlacement_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("label");
        const std::tuple<const char*, int, const char*> fields[] = {
            {"Edit1", 225, "Клиент"},          {"Edit3", 225, "Телефон"},        {"Edit5", 225, "Компания"},
            {"Edit8", 225, "Турагенство"},     {"Edit9", 225, "Кол-во взрослых"}, {"Edit10", 225, "Детей до 6 лет"},
            {"Edit11", 225, "Детей до 12 лет"}, {"Edit6", 225, "Комната"},        {"Edit2", 106, "Дата заезда"},
            {"Edit4", 106, "Дата выезда"},     {"Edit12", 225, "Цена"},          {"Edit13", 225, "Скидка %"},
            {"Edit14", 225, "С учетом скидки"}, {"Edit16", 225, "Гарантия"},      {"Edit7", 225, "Ответственный"}};
        int row = 0;
        for (const auto& [name, width, label] : fields) {
            QTest::newRow(name) << name << row << width << QString::fromUtf8(label);
            ++row;
        }
    }

    void fieldPlacement()
    {
        QFETCH(QString, name);
        QFETCH(int, row);
        QFETCH(int, width);
        QFETCH(QString, label);
        auto* field = f().findChild<QWidget*>(name);
        QVERIFY(field);
        QCOMPARE(field->x(), 116);
        QCOMPARE(field->y(), 58 + 27 * row);
        QCOMPARE(field->width(), width);

        const QList<QLabel*> labels = f().findChildren<QLabel*>();
        const auto it = std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->buddy() == field; });
        QVERIFY(it != labels.end());
        QCOMPARE((*it)->text(), label);
        QVERIFY((*it)->geometry().right() < 116);
        QCOMPARE((*it)->y(), field->y());
    }

    void tabOrderTopToBottom()
    {
        f().EnabledEdit(true);
        QVERIFY(fx->show());
        f().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f()));
        const QList<QWidget*> order = {f().Edit1,  f().Edit3,  f().Edit5,  f().Edit8,  f().Edit9,
                                       f().Edit10, f().Edit11, f().Edit6,  f().Edit2,  f().Edit4,
                                       f().Edit12, f().Edit13, f().Edit14, f().Edit16, f().Edit7};
        f().Edit1->setFocus();
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            QVERIFY2(now == order[i] || order[i]->isAncestorOf(now),
                     qPrintable(QStringLiteral("after %1 came %2").arg(order[i - 1]->objectName(),
                                                                        now ? now->objectName() : "nothing")));
        }
    }

    void addStartsAnEmptyBooking()
    {
        // Leftovers of an earlier use.
        f().Edit1->setText("старый");
        f().Edit12->setText("77");
        f().Edit16->setText("есть");
        f().Edit6->setKeyValue(3);

        f().Button1->click();

        QCOMPARE(fx->boxes().count(), 0);
        QVERIFY(NewBooking);
        QVERIFY(f().editing());
        QVERIFY(!f().Button1->isEnabled());
        QVERIFY(f().Button2->isEnabled() && f().Button3->isEnabled());
        for (QLineEdit* e : {f().Edit1, f().Edit3, f().Edit5, f().Edit8, f().Edit16}) {
            QVERIFY(e->isEnabled());
            QCOMPARE(e->text(), QString());
        }
        for (QLineEdit* e : {static_cast<QLineEdit*>(f().Edit9), static_cast<QLineEdit*>(f().Edit10),
                             static_cast<QLineEdit*>(f().Edit11), static_cast<QLineEdit*>(f().Edit12),
                             static_cast<QLineEdit*>(f().Edit13), static_cast<QLineEdit*>(f().Edit14)}) {
            QVERIFY(e->isEnabled());
            QCOMPARE(e->text(), QStringLiteral("0"));
        }
        QVERIFY(f().Edit6->keyValue().isNull());
        QCOMPARE(f().Edit6->currentIndex(), -1);
        QCOMPARE(f().Edit2->date(), QDate(2013, 11, 14));
        QCOMPARE(f().Edit4->date(), QDate(2013, 11, 14));
        QCOMPARE(entries(f().Edit7), kManagers);
        QCOMPARE(f().Edit7->currentIndex(), -1);
        QCOMPARE(f().Edit7->currentText(), QString());

        QVERIFY(dm().tZals.active() && dm().tabZals.isOpen());
        QVERIFY(dm().tOtv.active() && dm().tabOtv.isOpen());
        QCOMPARE(f().Edit6->count(), 12);
        QCOMPARE(f().Edit6->itemText(4), QStringLiteral("201"));
        QCOMPARE(f().Edit6->itemText(11), QStringLiteral("Семейный"));
    }

    void addFailureChangesNothing()
    {
        f().Edit1->setText("прежний");
        dm().DB.close();
        dm().DB.setDatabaseName(fx->db().file() + QStringLiteral(".missing"));

        f().Button1->click();

        QCOMPARE(fx->boxes().count(), 1);
        QCOMPARE(fx->boxes().last().caption, platform::programTitle());
        QVERIFY(!NewBooking);
        QVERIFY(!f().editing());
        QCOMPARE(f().Edit1->text(), QStringLiteral("прежний"));
    }

    void cancelKeepsValuesUntilNextAdd()
    {
        f().Button1->click();
        typeText(f().Edit1, "Иванов");
        f().Edit7->setCurrentIndex(2);
        f().Button3->click();

        QVERIFY(!f().editing());
        QVERIFY(!f().Edit1->isEnabled());
        QCOMPARE(f().Edit1->text(), QStringLiteral("Иванов"));
        QCOMPARE(f().Edit7->currentIndex(), 2);
        QVERIFY(NewBooking);

        f().Button1->click();
        QCOMPARE(f().Edit1->text(), QString());
        QCOMPARE(entries(f().Edit7), kManagers);
        QCOMPARE(f().Edit7->currentIndex(), -1);
    }

    void guestCountsNeverStayEmpty_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("adults") << "Edit9" << "0";
        QTest::newRow("children under 6") << "Edit10" << "0";
        QTest::newRow("children under 12") << "Edit11" << "0";
        QTest::newRow("price stays empty") << "Edit12" << "";
        QTest::newRow("discount stays empty") << "Edit13" << "";
        QTest::newRow("discounted price stays empty") << "Edit14" << "";
    }

    void guestCountsNeverStayEmpty()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        f().Button1->click();
        auto* field = f().findChild<QLineEdit*>(name);
        QVERIFY(field);
        retype(field, "3");
        QCOMPARE(field->text(), QStringLiteral("3"));
        retype(field, "");
        QCOMPARE(field->text(), expected);
        QCOMPARE(fx->boxes().count(), 0);
    }

    void discountedPriceFollowsEveryKeyRelease()
    {
        f().Button1->click();
        // The discount reads "0", so the price is copied at once.
        retype(f().Edit12, "999");
        QCOMPARE(f().Edit14->text(), QStringLiteral("999"));
        retype(f().Edit13, "15");
        QCOMPARE(f().Edit14->text(), QStringLiteral("849,15"));

        // Typed by hand, it stays until the next release in price or discount...
        retype(f().Edit14, "800");
        QCOMPARE(f().Edit14->text(), QStringLiteral("800"));
        // ...even of a key that changes nothing.
        QTest::keyClick(f().Edit12, Qt::Key_Left);
        QCOMPARE(f().Edit14->text(), QStringLiteral("849,15"));
        f().Edit14->setText("1");
        QTest::keyClick(f().Edit13, Qt::Key_Shift);
        QCOMPARE(f().Edit14->text(), QStringLiteral("849,15"));

        // An empty price leaves it alone.
        retype(f().Edit12, "");
        QCOMPARE(f().Edit12->text(), QString());
        QCOMPARE(f().Edit14->text(), QStringLiteral("849,15"));
        QCOMPARE(fx->boxes().count(), 0);
    }

    void badDiscountIsReportedEvenAtPriceZero()
    {
        f().Button1->click();
        retype(f().Edit13, "2147483648");
        QCOMPARE(fx->boxes().count(), 1);
        const platform::MessageRequest box = fx->boxes().last();
        QCOMPARE(box.caption, platform::programTitle());
        QCOMPARE(box.text, QStringLiteral("'2147483648' is not a valid integer value."));
        QCOMPARE(box.icon, platform::MsgIcon::Error);
        QCOMPARE(f().Edit14->text(), QStringLiteral("0"));
    }

    void newBookingSaved_data()
    {
        QTest::addColumn<Typed>("typed");
        QTest::addColumn<QString>("expected");

        QTest::newRow("Cyrillic, second manager")
            << Typed{"Гость Иванов", "123-45-67", "ООО «Ромашка»", "", "2", "1", "0", 4, "999", "15", "", 1}
            << "1|Гость Иванов|123-45-67|ООО «Ромашка»||2|1|0|5|08.11.2013|10.11.2013|999|15|849.15||3";
        QTest::newRow("apostrophes, no manager")
            << Typed{"O'Brien", "8 (495) 1'2", "Smith's & Co", "Интурист", "1", "0", "2", 11, "5000", "10",
                     "карта", -1}
            << "1|O'Brien|8 (495) 1'2|Smith's & Co|Интурист|1|0|2|12|08.11.2013|10.11.2013|5000|10|4500.00|карта|1";
        QTest::newRow("last manager, first room")
            << Typed{"Фёдоров", "1", "", "", "3", "0", "0", 0, "1234", "33", "нет", 5}
            << "1|Фёдоров|1|||3|0|0|1|08.11.2013|10.11.2013|1234|33|826.78|нет|7";
    }

    void newBookingSaved()
    {
        QFETCH(Typed, typed);
        QFETCH(QString, expected);
        QVERIFY(fx->show());
        enter(typed);
        const quint64 before = dm().qAll.generation();
        f().Button2->click();

        QCOMPARE(fx->boxes().count(), 0);
        const QStringList rows = fx->bookings();
        QCOMPARE(rows.size(), 1);
        const QStringList got = rows.first().split('|');
        const QStringList want = expected.split('|');
        const QStringList columns = {"ID",      "CLIENT", "TEL",   "CORP",    "TURAG",  "VZROS",
                                     "REB6",    "REB12",  "ZALS_ID", "DATE1", "DATE2",  "PRICE",
                                     "SKIDKA",  "OPLATA", "GARANTY", "OTV_ID"};
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < want.size(); ++i)
            QVERIFY2(got[i] == want[i], qPrintable(QStringLiteral("%1: %2, expected %3").arg(columns[i], got[i], want[i])));

        // Viewing the values just saved; the mode is left as it was.
        QVERIFY(!f().editing());
        QVERIFY(!f().Button2->isEnabled());
        QVERIFY(NewBooking);
        QCOMPARE(f().Edit1->text(), typed.client);
        // Both statements were composed; the board sees the new row.
        QCOMPARE(f().insertLines(), data::sql::bookingInsert(f().bookingTexts()));
        QCOMPARE(f().updateLines(), data::sql::bookingUpdate(f().bookingTexts(), QString()));
        QVERIFY(dm().qAll.isOpen());
        QVERIFY(dm().qAll.generation() > before);
        QCOMPARE(dm().qAll.recordCount(), 1);
    }

    void roomLookupKeepsItsValue()
    {
        f().Button1->click();
        f().Edit6->setKeyValue(5);
        QCOMPARE(f().Edit6->currentText(), QStringLiteral("201"));

        // The list follows its dataset; the value stays.
        dm().tabZals.close();
        QCOMPARE(f().Edit6->count(), 0);
        QCOMPARE(f().Edit6->keyValue(), QVariant(5));
        dm().tabZals.open();
        QCOMPARE(f().Edit6->currentText(), QStringLiteral("201"));

        QTest::keyClick(f().Edit6, Qt::Key_Down);
        QCOMPARE(f().Edit6->keyValue().toInt(), 6);

        // A room that does not exist shows nothing and is saved as it is.
        f().Edit6->setKeyValue(99);
        QCOMPARE(f().Edit6->currentIndex(), -1);
        QCOMPARE(f().Edit6->currentText(), QString());
        retype(f().Edit1, "Никто");
        retype(f().Edit3, "0");
        f().Button2->click();
        QCOMPARE(fx->boxes().count(), 0);
        QCOMPARE(fx->db().value("select ZALS_ID from RES"), QStringLiteral("99"));
        QCOMPARE(f().Edit6->keyValue(), QVariant(99));
    }

    void changeSavedAsUpdate_data()
    {
        QTest::addColumn<bool>("afterNewBooking");
        QTest::newRow("loaded from the board") << false;
        QTest::newRow("right after a new booking") << true;
    }

    void changeSavedAsUpdate()
    {
        QFETCH(bool, afterNewBooking);
        fx->insertBooking(40, "Сосед", 2, kArrival, kDeparture, 4);
        int id = 41;
        if (afterNewBooking) {
            fx->db().exec("set generator GEN_RES_ID to 40");
            enter(plain());
            f().Button2->click();
            QCOMPARE(fx->boxes().count(), 0);
        } else {
            fx->insertBooking(41, "Гость", 5, kArrival, kDeparture, 6);
        }
        const QString neighbour = fx->bookings().first();

        fx->loadLikeBoard(kArrival, 5);
        QVERIFY(!NewBooking);
        QCOMPARE(f().Edit1->text(), QStringLiteral("Гость"));
        QCOMPARE(f().Edit7->currentIndex(), afterNewBooking ? 1 : 4);

        retype(f().Edit1, "Петров");
        retype(f().Edit12, "2000");
        retype(f().Edit13, "50");
        QCOMPARE(f().Edit14->text(), QStringLiteral("1000"));
        f().Edit7->setCurrentIndex(0);
        f().Button2->click();

        QCOMPARE(fx->boxes().count(), 0);
        const QStringList rows = fx->bookings();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], neighbour);
        const QStringList changed = rows[1].split('|');
        QCOMPARE(changed[0], QString::number(id));
        QCOMPARE(changed[1], QStringLiteral("Петров"));
        QCOMPARE(changed[11], QStringLiteral("2000"));
        QCOMPARE(changed[13], QStringLiteral("1000.00"));
        QCOMPARE(changed[15], QStringLiteral("2"));
        QCOMPARE(f().updateLines().value(1), QStringLiteral("WHERE RES.ID=%1").arg(id));

        QVERIFY(!NewBooking);
        QVERIFY(!f().editing());
        QVERIFY(!dm().Quk.isOpen());
        QVERIFY(!dm().Tran1.active());
        QVERIFY(dm().qAll.isOpen());
    }

    void rejectedSave_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("byProgram"); // the general error report rather than the error box
        QTest::addColumn<QString>("message");

        const QString tooLong = QString(31, QChar(u'Я'));
        QTest::newRow("client longer than its column") << false << "Edit1" << tooLong << false << "truncation";
        QTest::newRow("empty price") << false << "Edit12" << "" << false << "Token unknown";
        QTest::newRow("empty discount") << false << "Edit13" << "" << false << "Token unknown";
        QTest::newRow("character outside Windows-1251") << false << "Edit1" << "王小明" << false
                                                         << "Windows-1251";
        QTest::newRow("no room") << false << "room" << "" << true << "Не выбрана комната.";
        QTest::newRow("departure the day before arrival") << false << "dates" << "" << true
                                                          << "Дата выезда раньше даты заезда.";
        QTest::newRow("change: departure before arrival") << true << "dates" << "" << true
                                                          << "Дата выезда раньше даты заезда.";
        QTest::newRow("change: telephone longer than its column")
            << true << "Edit3" << "1234567890123456" << false << "truncation";
        QTest::newRow("change with nothing loaded") << true << "nothing loaded" << "" << false
                                                    << "Dynamic SQL Error";
    }

    void rejectedSave()
    {
        QFETCH(bool, change);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(bool, byProgram);
        QFETCH(QString, message);

        // A new booking goes into room 5; the stored one is elsewhere, so that no overlap is asked about.
        fx->insertBooking(7, "Гость", change ? 5 : 6, kArrival, kDeparture, 3);
        const QStringList before = fx->bookings();
        if (change) {
            fx->loadLikeBoard(kArrival, 5);
        } else {
            enter(plain());
        }
        if (field == "room") {
            f().Edit6->setKeyValue(QVariant());
        } else if (field == "dates") {
            f().Edit4->setDate(f().Edit2->date().addDays(-1));
        } else if (field == "nothing loaded") {
            dm().Quk.close();
        } else {
            auto* edit = f().findChild<QLineEdit*>(field);
            QVERIFY(edit);
            retype(edit, value);
        }
        QCOMPARE(fx->boxes().count(), 0);
        auto values = [this] {
            return QStringList{f().Edit1->text(), f().Edit3->text(), f().Edit12->text(), f().Edit13->text(),
                               f().Edit2->date().toString(Qt::ISODate), f().Edit4->date().toString(Qt::ISODate)};
        };
        const QStringList shown = values();
        const quint64 qAllBefore = dm().qAll.generation();

        f().Button2->click();

        QCOMPARE(fx->boxes().count(), 1);
        const platform::MessageRequest box = fx->boxes().last();
        QCOMPARE(box.caption, byProgram ? platform::programTitle() : QStringLiteral("Ошибка"));
        QCOMPARE(box.icon, platform::MsgIcon::Error);
        QVERIFY2(box.text.contains(message), qPrintable(box.text));
        QCOMPARE(fx->bookings(), before);
        QCOMPARE(values(), shown);
        // A failed statement ends in viewing; a statement never composed leaves everything as it was.
        QCOMPARE(f().editing(), byProgram);
        QCOMPARE(f().Button2->isEnabled(), byProgram);
        QVERIFY(!dm().tr1.active());
        if (byProgram) {
            QCOMPARE(dm().qAll.generation(), qAllBefore);
            QCOMPARE(dm().Quk.isOpen(), change);
        }
    }

    // Room 5 holds 08.11-12.11 (nights 8 to 11) and a one-day stay on 20.11
    // whose manager has no account and no colour; room 6 holds 08.11-12.11.
    void overlapAskedBeforeSave_data()
    {
        QTest::addColumn<int>("load");        // 0: a new booking; else the booking changed
        QTest::addColumn<int>("room");
        QTest::addColumn<QDate>("arrival");
        QTest::addColumn<QDate>("departure");
        QTest::addColumn<QStringList>("named"); // the bookings the question names, empty: no question

        const QString stay7 = QStringLiteral("Гость, 08.11.2013 – 12.11.2013");
        const QString stay8 = QStringLiteral("Сосед, 08.11.2013 – 12.11.2013");
        const QString stay9 = QStringLiteral("Проездом, 20.11.2013 – 20.11.2013");
        auto d = [](int day) { return QDate(2013, 11, day); };
        struct Case {
            const char* name;
            int load, room, from, to;
            QStringList named;
        };
        const Case cases[] = {
            {"nested", 0, 5, 9, 11, {stay7}},
            {"enclosing", 0, 5, 6, 14, {stay7}},
            {"partial, before", 0, 5, 6, 9, {stay7}},
            {"partial, after", 0, 5, 11, 14, {stay7}},
            {"arrives the day the other leaves", 0, 5, 12, 14, {}},
            {"leaves the day the other arrives", 0, 5, 5, 8, {}},
            {"one-day stay inside", 0, 5, 10, 10, {stay7}},
            {"one-day stay on the other's arrival", 0, 5, 8, 8, {stay7}},
            {"one-day stay on the other's departure", 0, 5, 12, 12, {}},
            {"the same one-day stay", 0, 5, 20, 20, {stay9}},
            {"over a one-day stay", 0, 5, 19, 21, {stay9}},
            {"arrives on a one-day stay", 0, 5, 20, 22, {stay9}},
            {"leaves on a one-day stay", 0, 5, 18, 20, {}},
            {"two at once, by arrival", 0, 5, 6, 21, {stay7, stay9}},
            {"other room", 0, 7, 8, 12, {}},
            {"change onto its own old nights", 7, 5, 9, 11, {}},
            {"change keeps room and dates", 7, 5, 8, 12, {}},
            {"change moves onto another booking", 8, 5, 9, 10, {stay7}},
            {"change moves into another room", 7, 6, 11, 13, {stay8}},
            {"change reaches the next booking", 7, 5, 8, 21, {stay9}},
        };
        for (const Case& c : cases)
            QTest::newRow(c.name) << c.load << c.room << d(c.from) << d(c.to) << c.named;
    }

    void overlapAskedBeforeSave()
    {
        QFETCH(int, load);
        QFETCH(int, room);
        QFETCH(QDate, arrival);
        QFETCH(QDate, departure);
        QFETCH(QStringList, named);

        for (platform::MsgButton answer : {platform::No, platform::Yes}) {
            fx.reset();
            fx = std::make_unique<EditorFixture>();
            fx->insertBooking(7, "Гость", 5, QDate(2013, 11, 8), QDate(2013, 11, 12), 3);
            fx->insertBooking(8, "Сосед", 6, QDate(2013, 11, 8), QDate(2013, 11, 12), 4);
            fx->insertBooking(9, "Проездом", 5, QDate(2013, 11, 20), QDate(2013, 11, 20), 99);
            fx->db().exec("set generator GEN_RES_ID to 100");
            const QStringList before = fx->bookings();
            if (load) {
                const QStringList row = fx->db().rows(QStringLiteral("select DATE1, ZALS_ID from RES where ID=%1").arg(load));
                fx->loadLikeBoard(platform::textToDate(row[0].section('|', 0, 0)), row[0].section('|', 1).toInt());
            } else {
                enter(plain());
            }
            retype(f().Edit1, "Новый");
            f().Edit6->setKeyValue(room);
            f().Edit2->setDate(arrival);
            f().Edit4->setDate(departure);
            fx->boxes().answerNext(answer);

            f().Button2->click();

            const QString why = QStringLiteral("answer %1").arg(answer == platform::Yes ? "Да" : "Нет");
            // The IDs of the rows holding what was typed.
            auto storedIds = [&] {
                return fx->db().rows(
                    QStringLiteral("select ID from RES where CLIENT='Новый' and ZALS_ID=%1 and DATE1='%2' and "
                                   "DATE2='%3'")
                        .arg(room)
                        .arg(platform::fixedDateText(arrival), platform::fixedDateText(departure)));
            };
            const QStringList savedAs = {load ? QString::number(load) : QStringLiteral("101")};
            const QString stored = storedIds() == savedAs ? QStringLiteral("1") : storedIds().join(',');
            if (named.isEmpty()) {
                QVERIFY2(fx->boxes().count() == 0, qPrintable(fx->boxes().last().text));
                QCOMPARE(stored, QStringLiteral("1"));
                QVERIFY(!f().editing());
                break; // nothing asked: the answer plays no part
            }
            QCOMPARE(fx->boxes().count(), 1);
            const platform::MessageRequest box = fx->boxes().last();
            QCOMPARE(box.caption, QStringLiteral("Бронь"));
            QCOMPARE(box.icon, platform::MsgIcon::Warning);
            QCOMPARE(box.buttons, platform::Yes | platform::No);
            QCOMPARE(box.defaultButton, platform::No);
            QCOMPARE(box.text, QStringLiteral("Комната в эти дни занята:\n") + named.join('\n') +
                                   QStringLiteral("\nВсё равно сохранить?"));
            if (answer == platform::No) {
                QVERIFY2(fx->bookings() == before, qPrintable(why));
                QVERIFY(f().editing());
                QCOMPARE(f().Edit1->text(), QStringLiteral("Новый"));
                QCOMPARE(f().Edit2->date(), arrival);
                QCOMPARE(f().Edit4->date(), departure);
                QVERIFY(!dm().tr1.active());
                // The board can paint meanwhile.
                QVERIFY(dm().qAll.isOpen());
                // Still the same save to make: asked again, and "Да" writes it.
                fx->boxes().answerNext(platform::Yes);
                f().Button2->click();
                QCOMPARE(fx->boxes().count(), 2);
                QCOMPARE(fx->boxes().last().text, box.text);
                QCOMPARE(storedIds(), savedAs);
                QVERIFY(!f().editing());
            } else {
                QVERIFY2(stored == QStringLiteral("1"), qPrintable(why));
                // A change writes its own row, a new booking adds one; nothing else moves.
                QCOMPARE(fx->bookings().size(), before.size() + (load ? 0 : 1));
                QVERIFY(!f().editing());
            }
        }
    }

    void closing_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("editing");
        for (const char* way : {"Закрыть", "close box", "Escape"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 while editing").arg(way))) << way << true;
            QTest::newRow(qPrintable(QStringLiteral("%1 while viewing").arg(way))) << way << false;
        }
    }

    void closing()
    {
        QFETCH(QString, way);
        QFETCH(bool, editing);
        fx->insertBooking(7, "Гость", 5, kArrival, kDeparture, 3);
        const QStringList before = fx->bookings();
        fx->loadLikeBoard(kArrival, 5);
        if (!editing)
            f().EnabledEdit(false); // the board's "Бронь"
        QVERIFY(dm().Quk.isOpen() && dm().tabZals.isOpen() && dm().tabOtv.isOpen());
        const quint64 qAllBefore = dm().qAll.generation();

        Modal::whenModalNamed("Form4", [&](QWidget* modal) {
            if (editing) {
                f().Edit1->end(false);
                typeText(f().Edit1, " изменено");
            }
            if (way == "Закрыть")
                f().N1->trigger();
            else if (way == "close box")
                modal->close();
            else
                Modal::pressEscape(modal);
        });
        f().exec();
        MODAL_VERIFY();

        QVERIFY(!f().isVisible());
        QCOMPARE(fx->boxes().count(), 0);
        QVERIFY(!f().editing());
        // Run once: the one restart of qAll.
        QCOMPARE(dm().qAll.generation(), qAllBefore + 1);
        QVERIFY(dm().qAll.isOpen());
        QVERIFY(!dm().Quk.isOpen() && !dm().Tran1.active());
        QVERIFY(!dm().tabZals.isOpen() && !dm().tZals.active());
        QVERIFY(!dm().tabOtv.isOpen() && !dm().tOtv.active());
        QVERIFY(!dm().tr1.active());
        QCOMPARE(fx->bookings(), before);
        QCOMPARE(f().Edit1->text(), editing ? QStringLiteral("Гость изменено") : QStringLiteral("Гость"));
        QVERIFY(!NewBooking);
    }

    void managerList_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("six") << QStringList() << kManagers;
        QTest::newRow("four") << QStringList{"update OTV set GR='VIEW' where ID in (6, 7)"}
                              << QStringList{kManagers[0], kManagers[1], kManagers[2], kManagers[3], kManagers[3],
                                             kManagers[3]};
        QTest::newRow("eight") << QStringList{"insert into OTV (ID, NAME, DOLJN, GR, LOGIN, PWD) values (9, "
                                              "'Яковлев Пётр', 'Менеджер', 'EDIT', 'yak', '1')",
                                              "insert into OTV (ID, NAME, DOLJN, GR, LOGIN, PWD) values (10, "
                                              "'Юрьева Ирина', 'Менеджер', 'EDIT', 'yur', '1')"}
                               << kManagers;
        QTest::newRow("none") << QStringList{"update OTV set GR='VIEW' where ID > 1"}
                              << QStringList{"", "", "", "", "", ""};
    }

    void managerList()
    {
        QFETCH(QStringList, setup);
        QFETCH(QStringList, expected);
        if (!setup.isEmpty())
            fx->db().exec(setup);
        f().Button1->click();
        QCOMPARE(entries(f().Edit7), expected);
        QCOMPARE(f().Edit7->currentIndex(), -1);
        QCOMPARE(f().selectedManager(), 1);
        f().Edit7->setCurrentIndex(3);
        QCOMPARE(f().selectedManager(), 5);

        // Typed text is no choice and never becomes an entry.
        f().Edit7->setCurrentIndex(-1);
        typeText(f().Edit7->lineEdit(), "Новый Менеджер");
        QTest::keyClick(f().Edit7->lineEdit(), Qt::Key_Return);
        QCOMPARE(f().Edit7->count(), 6);
        QCOMPARE(f().selectedManager(), 1);
    }

    void showSelectsManagerOfQuk_data()
    {
        QTest::addColumn<int>("otvId");  // 0: Quk closed; -1: Quk without a row
        QTest::addColumn<int>("index");
        QTest::newRow("first manager") << 2 << 0;
        QTest::newRow("fourth manager") << 5 << 3;
        QTest::newRow("last manager") << 7 << 5;
        QTest::newRow("admin") << 1 << -1;
        QTest::newRow("account beyond the list") << 8 << -1;
        QTest::newRow("Quk closed") << 0 << -1;
        QTest::newRow("Quk without a row") << -1 << -1;
    }

    void showSelectsManagerOfQuk()
    {
        QFETCH(int, otvId);
        QFETCH(int, index);
        f().Button1->click();
        f().Edit7->setCurrentIndex(2);
        if (otvId > 0) {
            fx->insertBooking(7, "Гость", 5, kArrival, kDeparture, otvId);
            dm().Quk.setSql(data::sql::bookingAt(platform::fixedDateText(kArrival), 5));
            dm().Quk.open();
        } else if (otvId < 0) {
            dm().Quk.setSql(data::sql::bookingAt(platform::fixedDateText(kArrival), 6));
            dm().Quk.open();
        }

        QVERIFY(fx->show());
        QCOMPARE(f().Edit7->currentIndex(), index);
        f().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f()));
        QCOMPARE(QApplication::focusWidget(), f().Edit1);
    }

    void managerMenuShowsStaffWindow_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::newRow("editing") << true;
        QTest::newRow("viewing") << false;
    }

    void managerMenuShowsStaffWindow()
    {
        QFETCH(bool, editing);
        TForm2 staff;
        Form2 = &staff;
        f().Button1->click();
        f().EnabledEdit(editing);
        QVERIFY(fx->show());
        bool shown = false;
        Modal::whenModalNamed("Form2", [&](QWidget* modal) {
            shown = true;
            static_cast<QDialog*>(modal)->reject();
        });
        f().N3->trigger();
        Form2 = nullptr;
        MODAL_VERIFY();
        QVERIFY(shown);
        QCOMPARE(f().editing(), editing);
        QVERIFY(f().isVisible());
        QCOMPARE(entries(f().Edit7), kManagers);
    }

    // A pasted text of several lines reaches the database as it stands in its field.
    void lineBreaksStayAsTheyAre_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("client");
        QTest::newRow("new booking, LF") << false << "Иванов\nПётр";
        QTest::newRow("new booking, CR LF") << false << "Иванов\r\nПётр";
        QTest::newRow("new booking, CR alone") << false << "Иванов\rПётр";
        QTest::newRow("change, empty line between") << true << "Иванов\n\nПётр";
        QTest::newRow("change, break at the end") << true << "Иванов\n";
    }

    void lineBreaksStayAsTheyAre()
    {
        QFETCH(bool, change);
        QFETCH(QString, client);
        if (change) {
            fx->insertBooking(7, "Гость", 5, kArrival, kDeparture, 3);
            fx->loadLikeBoard(kArrival, 5);
        } else {
            enter(plain());
        }
        QApplication::clipboard()->setText(client);
        f().Edit1->selectAll();
        f().Edit1->paste();
        QCOMPARE(f().Edit1->text(), client);
        f().Button2->click();

        QCOMPARE(fx->boxes().count(), 0);
        const QStringList stored = fx->db().rows("select CLIENT, octet_length(CLIENT) from RES");
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored.first(), client + "|" + QString::number(client.size()));
        // The statement still has its own two lines.
        QCOMPARE((change ? f().updateLines() : f().insertLines()).size(), 2);
    }

    // The staff window opened from the editor while a booking from the board is
    // loaded: the account is saved, and the booking stays the one the editor changes.
    void staffWindowSavesWhileABookingIsLoaded_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("change the account") << "Изменить";
        QTest::newRow("add an account") << "Добавить";
        QTest::newRow("delete an account") << "Удалить";
    }

    void staffWindowSavesWhileABookingIsLoaded()
    {
        QFETCH(QString, command);
        fx->insertBooking(7, "Гость", 5, kArrival, kDeparture, 3);
        // An account without bookings, shown in the staff window.
        fx->db().exec("insert into OTV (ID, NAME, DOLJN, GR, LOGIN, PWD) values (20, 'Стажёр', 'Стажёр', 'VIEW', "
                      "'trainee', '1')");
        dm().tabIm.setFilter(data::sql::loginFilter("trainee"));
        dm().tabIm.setFiltered(true);
        TForm2 staff;
        Form2 = &staff;
        fx->loadLikeBoard(kArrival, 5);
        QVERIFY(fx->show());
        QVERIFY(dm().Tran1.active());

        Modal::whenModalNamed("Form2", [&](QWidget* modal) {
            if (command == "Удалить") {
                fx->boxes().answerNext(platform::Yes);
                staff.Button5->click();
            } else {
                Modal::clickButton(modal, command);
                Modal::typeInto(modal, "Edit1", "Стажёр Петров");
                Modal::typeInto(modal, "Edit3", "trainee");
                Modal::clickButton(modal, "Сохранить");
            }
            static_cast<QDialog*>(modal)->reject();
        });
        f().N3->trigger();
        Form2 = nullptr;
        MODAL_VERIFY();

        const QStringList errors = [&] {
            QStringList texts;
            for (const auto& m : fx->boxes().messages())
                if (m.icon == platform::MsgIcon::Error)
                    texts << m.text;
            return texts;
        }();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        const QString accounts = fx->db().rows("select NAME from OTV where LOGIN='trainee' order by NAME").join(',');
        if (command == "Изменить")
            QCOMPARE(accounts, QString("Стажёр Петров"));
        else if (command == "Добавить")
            QCOMPARE(accounts, QString("Стажёр,Стажёр Петров"));
        else
            QCOMPARE(accounts, QString());

        // Back in the editor the booking is held again, and its save changes it.
        QVERIFY(dm().Quk.isOpen() && dm().Tran1.active());
        QCOMPARE(dm().Quk.text("ID"), QString("7"));
        retype(f().Edit3, "765-43-21");
        f().Button2->click();
        QCOMPARE(fx->boxes().count(), command == "Удалить" ? 1 : 0);
        QCOMPARE(fx->db().value("select TEL from RES where ID=7"), QString("765-43-21"));
        QCOMPARE(fx->db().value("select count(*) from RES"), QString("1"));
    }
};

QTEST_MAIN(BookingEditorTest)
#include "BookingEditorTest.moc"
