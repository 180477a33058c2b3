// What the board tells without a click: double bookings marked, the bookings
// of a cell on hover, today's and the weekend days' headers, whose colour is
// whose.
#include "BoardFixture.h"

#include "board/Legend.h"
#include "board/Main.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"

#include <QHelpEvent>
#include <QSplitter>
#include <QTest>
#include <QToolTip>

namespace {

const QDate kToday(2026, 11, 25); // a Wednesday, column 62
constexpr int kTodayCol = 62;

const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 255, 0);  // manager 2
const QColor kBlue(0, 0, 255);   // manager 3
const QColor kYellow(255, 255, 0); // manager 4
const QColor kMarkRed(255, 0, 0);
const QColor kMarkEdge(0, 0, 0);

QImage cellImage(TForm1* b, int col, int row)
{
    const QRect r = b->StringGrid1->cellRect(col, row);
    return b->StringGrid1->viewport()->grab(r).toImage();
}

QColor at(const QImage& cell, int x, int y)
{
    return QColor(cell.pixel(x < 0 ? cell.width() + x : x, y));
}

} // namespace

class BoardMarksTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setTodayForTests(kToday);
    }

    void doubleBookingMarked_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("day"); // days after today
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QColor>("fill"); // at (Left + 4, Top + 4): the booking drawn last

        // Room 3: 25-28 (green) and 27-30 (blue) share the night of the 27th only.
        QTest::newRow("alone before") << 3 << 1 << false << kGreen;
        QTest::newRow("shared night, blue on top") << 3 << 2 << true << kBlue;
        QTest::newRow("first one's departure day") << 3 << 3 << false << kBlue;
        // Room 4: 25-27 (green) and 27-29 (yellow): a change-over.
        QTest::newRow("change-over day") << 4 << 2 << false << kYellow;
        // Room 5: 25-28 (yellow) with a one-day stay on the 26th (green) drawn over it.
        QTest::newRow("one-day stay inside") << 5 << 1 << true << kGreen;
        QTest::newRow("next to the one-day stay") << 5 << 2 << false << kYellow;
        // Room 6: a booking of a manager without a colour (8) under a green one.
        QTest::newRow("other one without colour") << 6 << 1 << true << kGreen;
        QTest::newRow("free cell") << 7 << 1 << false << kWhite;
    }

    void doubleBookingMarked()
    {
        QFETCH(int, row);
        QFETCH(int, day);
        QFETCH(bool, marked);
        QFETCH(QColor, fill);
        BoardFixture f;
        f.addBooking(1, 3, kToday, kToday.addDays(3), 2, "Первый");
        f.addBooking(2, 3, kToday.addDays(2), kToday.addDays(5), 3, "Второй");
        f.addBooking(3, 4, kToday, kToday.addDays(2), 2, "Уезжает");
        f.addBooking(4, 4, kToday.addDays(2), kToday.addDays(4), 4, "Приезжает");
        f.addBooking(5, 5, kToday, kToday.addDays(3), 4, "Долгий");
        f.addBooking(6, 5, kToday.addDays(1), kToday.addDays(1), 2, "На день");
        f.addBooking(7, 6, kToday, kToday.addDays(2), 8, "Без цвета");
        f.addBooking(8, 6, kToday.addDays(1), kToday.addDays(3), 2, "Цветной");
        QVERIFY(f.start());
        TForm1* b = f.board();
        QCOMPARE(b->StringGrid1->leftCol(), kTodayCol);

        const QImage cell = cellImage(b, kTodayCol + day, row);
        // The free-cell test reads what it always read.
        QCOMPARE(b->StringGrid1->pixelAt(b->StringGrid1->cellRect(kTodayCol + day, row).topLeft() + QPoint(4, 4)),
                 fill);
        QCOMPARE(at(cell, 4, 4), fill);
        // The corner: red in a black edge, or the cell's own fill.
        QCOMPARE(at(cell, -3, 2), marked ? kMarkRed : fill);
        QCOMPARE(at(cell, -14, 0), marked ? kMarkEdge : fill);
        QCOMPARE(at(cell, -2, 13), marked ? kMarkEdge : fill);
        // Nothing of it further in.
        QCOMPARE(at(cell, -20, 2), fill);
        QCOMPARE(at(cell, -2, 20), fill);
        QCOMPARE(f.dialogs().count(), 0);
    }

    void hoverShowsEveryBooking()
    {
        BoardFixture f;
        f.db().exec("insert into RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, "
                    "PRICE, SKIDKA, OPLATA, GARANTY, OTV_ID) values (1, 'Иванов', '111-11-11', 'Ромашка', "
                    "'Интурист', 2, 1, 0, 3, '25.11.2026', '28.11.2026', 5000, 10, 4500, 'карта', 2)");
        f.db().exec("insert into RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, DATE2, "
                    "PRICE, SKIDKA, OPLATA, GARANTY, OTV_ID) values (2, 'Петров', '222', null, null, 1, 0, 0, 3, "
                    "'27.11.2026', '27.11.2026', 999, 15, 849.15, null, 3)");
        QVERIFY(f.start());
        TForm1* b = f.board();
        const QString ivanov = "Иванов, тел. 111-11-11\n25.11.2026 – 28.11.2026\nМенеджер: Иванова Марина\n"
                               "Компания: Ромашка\nТурагенство: Интурист\nГарантия: карта\n"
                               "Гостей: взрослых 2, детей до 6 лет 1, до 12 лет 0\n"
                               "Цена: 5000, с учетом скидки: 4500";
        const QString petrov = "Петров, тел. 222\n27.11.2026 – 27.11.2026\nМенеджер: Петров Сергей\n"
                               "Компания: \nТурагенство: \nГарантия: \n"
                               "Гостей: взрослых 1, детей до 6 лет 0, до 12 лет 0\n"
                               "Цена: 999, с учетом скидки: 849,15";
        struct Case {
            int col, row;
            QString tip;
        } cases[] = {
            {kTodayCol, 3, ivanov},
            {kTodayCol + 3, 3, ivanov},                                    // the departure day
            {kTodayCol + 2, 3, "Двойная бронь\n\n" + ivanov + "\n\n" + petrov}, // in qAll's order
            {kTodayCol + 4, 3, ""},                                        // free
            {kTodayCol, 4, ""},
            {kTodayCol, 0, ""},                                            // a header
            {0, 3, ""},
        };
        for (const Case& c : cases)
            QCOMPARE(b->cellToolTip(c.col, c.row), c.tip);

        // Hovering shows it; a free cell shows none.
        auto hover = [&](int col, int row) {
            QWidget* vp = b->StringGrid1->viewport();
            const QPoint pos = b->StringGrid1->cellRect(col, row).center();
            QHelpEvent help(QEvent::ToolTip, pos, vp->mapToGlobal(pos));
            QCoreApplication::sendEvent(vp, &help);
        };
        hover(kTodayCol + 2, 3);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), "Двойная бронь\n\n" + ivanov + "\n\n" + petrov);
        hover(kTodayCol + 4, 3);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void todayAndWeekendHeaders()
    {
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        const QColor plain = cellImage(b, kTodayCol + 1, 0).pixelColor(50, 3); // Thursday
        struct Case {
            int col;
            QColor top, bottom; // a pixel near the top, one near the bottom
        } cases[] = {
            {kTodayCol, QColor(255, 232, 150), QColor(200, 0, 0)}, // today, a bar along its foot
            {kTodayCol + 1, plain, plain},
            {kTodayCol + 2, plain, plain},                         // Friday
            {kTodayCol + 3, QColor(255, 214, 214), QColor(255, 214, 214)}, // Saturday
            {kTodayCol + 4, QColor(255, 214, 214), QColor(255, 214, 214)}, // Sunday
            {kTodayCol + 5, plain, plain},                         // Monday
        };
        QVERIFY(plain != QColor(255, 232, 150) && plain != QColor(255, 214, 214));
        for (const Case& c : cases) {
            const QImage header = cellImage(b, c.col, 0);
            const QString day = platform::fixedDateText(kToday.addDays(c.col - kTodayCol));
            QCOMPARE(g->cell(c.col, 0), day); // the text the board reads its days from
            QCOMPARE(header.pixelColor(60, 3), c.top);
            QCOMPARE(header.pixelColor(60, header.height() - 2), c.bottom);
            // The date is still written on it.
            int ink = 0;
            for (int y = 0; y < header.height(); ++y)
                for (int x = 0; x < header.width(); ++x) {
                    const QColor p = header.pixelColor(x, y);
                    ink += p.lightness() < 100 ? 1 : 0;
                }
            QVERIFY2(ink > 30, qPrintable(day));
        }
        // Row 0 of the date columns only: the room names' column is untouched.
        QCOMPARE(cellImage(b, 0, 0).pixelColor(60, 3), plain);
    }

    void legendSaysWhoseColour()
    {
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        QCoreApplication::processEvents();
        auto* legend = b->Legend;
        // At the designed size the board keeps its 798 x 529 and the legend is in view.
        QCOMPARE(b->Splitter1->size(), QSize(798, 529));
        QVERIFY(legend->isVisible());
        const QStringList names = {"admin",          "Иванова Марина", "Петров Сергей", "Сидорова Елена",
                                   "Кузнецов Андрей", "Смирнова Ольга", "Фёдорова Анна"};
        const QColor colors[] = {QColor(255, 0, 0),   kGreen, kBlue, kYellow, QColor(0, 255, 255),
                                 QColor(255, 0, 255), QColor(192, 192, 192)};
        auto check = [&](int count, const QColor* expected) {
            QCOMPARE(int(legend->entries().size()), count);
            const QImage image = legend->grab().toImage();
            for (int i = 0; i < count; ++i) {
                const board::LegendEntry& e = legend->entries()[size_t(i)];
                QCOMPARE(board::ManagerLegend::entryText(e), QString("%1. %2").arg(i + 1).arg(names[i]));
                const QRect r = legend->entryRect(i);
                QVERIFY2(legend->rect().contains(r), qPrintable(names[i]));
                QCOMPARE(image.pixelColor(r.left() + 7, r.center().y()), expected[i]);
            }
        };
        check(7, colors);
        // Printed with the window.
        const QImage printed = b->clientAreaImage();
        const QPoint swatch = legend->mapTo(b->centralWidget(), legend->entryRect(2).topLeft()) +
                              QPoint(7, legend->entryRect(2).height() / 2);
        QCOMPARE(printed.pixelColor(swatch), kBlue);

        // conf.ini changed while running: followed at the next repaint, as the bands are.
        f.writeConf(QString("[Base]\nPath=%1\n[Rows]\nCount=12\n[Color]\nOtv=3\nc1=clRed\nc2=clBlue\nc3=clYellow\n")
                        .arg(f.db().path()));
        b->StringGrid1->viewport()->repaint();
        const QColor changed[] = {QColor(255, 0, 0), kBlue, kYellow};
        check(3, changed);
    }
};

QTEST_MAIN(BoardMarksTest)
#include "BoardMarksTest.moc"
