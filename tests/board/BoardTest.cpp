#include "BoardFixture.h"

#include "board/Main.h"
#include "app/ErrorReport.h"
#include "data/ChangeEvents.h"
#include "data/UnDM.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QTest>

namespace {

const QDate kToday(2026, 11, 25);

int columnOf(TForm1* board, const QDate& day)
{
    const QString text = platform::fixedDateText(day);
    for (int c = 1; c < board->StringGrid1->colCount(); ++c)
        if (board->StringGrid1->cell(c, 0) == text)
            return c;
    return -1;
}

// The colour the double-click reads: 4 pixels into the cell.
QColor probe(TForm1* board, int col, int row)
{
    const QRect r = board->StringGrid1->cellRect(col, row);
    if (r.isEmpty())
        return QColor();
    return board->StringGrid1->pixelAt(r.topLeft() + QPoint(4, 4));
}

// Pixels of the cell that are neither the fill at (4,4) nor white: drawn text.
int inkPixels(TForm1* board, int col, int row)
{
    const QRect r = board->StringGrid1->cellRect(col, row);
    const QImage img = board->StringGrid1->viewport()->grab(r).toImage();
    const QRgb fill = img.pixel(4, 4);
    int ink = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != fill)
                ++ink;
    return ink;
}

// Typed character by character, Cyrillic included (QTest::keyClicks takes ASCII only).
void typeText(QWidget* w, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(w, &release);
    }
}

void showColumn(TForm1* board, int col)
{
    board->StringGrid1->setLeftCol(col);
    QCoreApplication::processEvents();
}

} // namespace

class BoardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setTodayForTests(kToday);
    }

    void startBuildsTheBoard()
    {
        BoardFixture f;
        QVERIFY(f.start());
        MODAL_VERIFY();
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        QCOMPARE(b->windowTitle(), QString("Бронирование номеров"));
        QCOMPARE(g->colCount(), 125);
        QCOMPARE(g->cell(62, 0), platform::fixedDateText(kToday));
        QCOMPARE(g->cell(1, 0), platform::fixedDateText(kToday.addDays(-61)));
        QCOMPARE(g->cell(124, 0), platform::fixedDateText(kToday.addDays(62)));
        QCOMPARE(g->col(), 62);
        QCOMPARE(g->leftCol(), 62);
        QCOMPARE(g->row(), 1);
        QCOMPARE(g->rowCount(), 13);
        QCOMPARE(g->cell(0, 1), QString("101"));
        QCOMPARE(g->cell(0, 12), QString("Семейный"));
        QCOMPARE(b->Box->count(), 12);
        QCOMPARE(b->Box->itemText(8), QString("Люкс 1"));
        QVERIFY(b->N5->isEnabled() && b->N2->isEnabled());
        QCOMPARE(b->MC->selectedDate(), kToday);
        QCOMPARE(b->Panel2->width(), 164);
        QCOMPARE(g->defaultColWidth(), 100);
        QCOMPARE(g->defaultRowHeight(), 40);
        QCOMPARE(g->font().pixelSize(), 16);
        QCOMPARE(f.dialogs().count(), 0);
    }

    void rightsFollowTheAccount()
    {
        BoardFixture::Options o;
        o.login = "guest";
        o.password = "guest";
        BoardFixture f(o);
        QVERIFY(f.start());
        MODAL_VERIFY();
        QVERIFY(!f.board()->N5->isEnabled());
        QVERIFY(!f.board()->N2->isEnabled());
    }

    // "Отмена" at start-up: the first show runs to its end, then the program
    // ends without the board's close handler (the connection stays for the
    // data module's destruction).
    void cancelAtStartEndsTheProgram()
    {
        BoardFixture::Options o;
        o.login = QString(); // the fixture does not sign in
        BoardFixture f(o);
        Modal::whenModalNamed("Form6", [](QWidget* w) { Modal::clickButton(w, "Button2"); });
        f.start();
        MODAL_VERIFY();
        QVERIFY(app::endRequested());
        TForm1* b = f.board();
        QCOMPARE(b->StringGrid1->rowCount(), 13);
        QCOMPARE(b->Box->count(), 12);
        QVERIFY(!b->N5->isEnabled() && !b->N2->isEnabled());
        QVERIFY(data::DM->DB.isOpen());
    }

    void surplusRowsRepeatTheLastRoom()
    {
        BoardFixture::Options o;
        o.rows = 14;
        BoardFixture f(o);
        QVERIFY(f.start());
        TForm1* b = f.board();
        QCOMPARE(b->StringGrid1->rowCount(), 15);
        QCOMPARE(b->StringGrid1->cell(0, 13), QString("Семейный"));
        QCOMPARE(b->StringGrid1->cell(0, 14), QString("Семейный"));
        // The search goes to the last row carrying the name.
        b->Box->setFocus();
        typeText(b->Box->lineEdit(), "Сем");
        QCOMPARE(b->Box->currentText(), QString("Семейный"));
        QCOMPARE(b->StringGrid1->row(), 14);
        // Completion of a prefix; a text that selects no item leaves the row.
        b->Box->lineEdit()->clear();
        QTest::keyClicks(b->Box->lineEdit(), "20");
        QCOMPARE(b->Box->currentText(), QString("201"));
        QCOMPARE(b->StringGrid1->row(), 5);
        b->Box->lineEdit()->clear();
        QTest::keyClicks(b->Box->lineEdit(), "xyz");
        QCOMPARE(b->StringGrid1->row(), 5);
    }

    // Backspace and Delete shorten the text; only typed characters complete it.
    void roomSearchEditsWithBackspaceAndDelete_data()
    {
        QTest::addColumn<QStringList>("keys"); // "<BS>" and "<DEL>" for the keys, anything else typed
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected"); // the completion, selected after the typed text
        QTest::addColumn<int>("row");
        QTest::newRow("completion taken back") << QStringList{"Л", "<BS>"} << "Л" << "" << 9;
        QTest::newRow("down to nothing") << QStringList{"Л", "<BS>", "<BS>"} << "" << "" << 9;
        QTest::newRow("typing completes again") << QStringList{"Л", "<BS>", "ю"} << "Люкс 1" << "кс 1" << 9;
        QTest::newRow("whole name shortened") << QStringList{"Люкс 2", "<BS>"} << "Люкс " << "" << 10;
        QTest::newRow("Delete takes the completion") << QStringList{"Сем", "<DEL>"} << "Сем" << "" << 12;
        QTest::newRow("Delete then Backspace") << QStringList{"20", "<DEL>", "<BS>"} << "2" << "" << 5;
    }

    void roomSearchEditsWithBackspaceAndDelete()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, text);
        QFETCH(QString, selected);
        QFETCH(int, row);
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        QLineEdit* edit = b->Box->lineEdit();
        b->Box->setFocus();
        for (const QString& key : keys) {
            if (key == "<BS>")
                QTest::keyClick(edit, Qt::Key_Backspace);
            else if (key == "<DEL>")
                QTest::keyClick(edit, Qt::Key_Delete);
            else
                typeText(edit, key);
        }
        QCOMPARE(b->Box->currentText(), text);
        QCOMPARE(edit->selectedText(), selected);
        QCOMPARE(b->StringGrid1->row(), row);
        QCOMPARE(f.dialogs().count(), 0);
    }

    // The rights of the account hold whatever becomes of the room set-up.
    void rightsAppliedWhateverTheRooms_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("rights");
        QTest::newRow("no rights, Count not a number") << "guest" << "twelve" << false;
        QTest::newRow("no rights, Count missing") << "guest" << QString() << false;
        QTest::newRow("rights, Count not a number") << "admin" << "twelve" << true;
        QTest::newRow("no rights, rooms table gone") << "guest" << "12" << false;
    }

    void rightsAppliedWhateverTheRooms()
    {
        QFETCH(QString, login);
        QFETCH(QString, count);
        QFETCH(bool, rights);
        BoardFixture::Options o;
        o.login = login;
        o.password = login;
        BoardFixture f(o);
        f.writeConf(QString("[Base]\nPath=%1\n%2").arg(f.db().path(), count.isNull() ? "" : "[Rows]\nCount=" + count + "\n"));
        if (QTest::currentDataTag() == QByteArray("no rights, rooms table gone"))
            f.db().exec("drop table ZALS");
        QVERIFY(f.start());
        QCOMPARE(f.dialogs().count(), 1); // the set-up's failure, reported
        QCOMPARE(f.board()->N5->isEnabled(), rights);
        QCOMPARE(f.board()->N2->isEnabled(), rights);
    }

    void countFailureSkipsTheRest()
    {
        BoardFixture::Options o;
        o.rows = 0;
        BoardFixture f(o);
        f.writeConf(QString("[Base]\nPath=%1\n[Rows]\nCount=twelve\n").arg(f.db().path()));
        QVERIFY(f.start());
        QCOMPARE(f.dialogs().count(), 1);
        QCOMPARE(f.dialogs().last().text, QString("'twelve' is not a valid integer value."));
        QCOMPARE(f.board()->Box->count(), 0);
    }

    void dateRangeRebuild()
    {
        BoardFixture f;
        f.addBooking(1, 3, kToday, kToday.addDays(2), 2, "Иванов");
        QVERIFY(f.start());
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        g->setRow(3); // today's column is current: the details show the booking
        QCOMPARE(b->Edit1->text(), QString("Иванов"));

        b->DT1->setDate(QDate(2026, 12, 1));
        b->DT2->setDate(QDate(2026, 11, 30));
        b->Button1->click();
        QCOMPARE(g->colCount(), 125); // last day before the first: unchanged

        b->DT2->setDate(QDate(2026, 12, 1));
        b->Button1->click();
        QCOMPARE(g->colCount(), 2);
        QCOMPARE(g->cell(1, 0), QString("01.12.2026"));
        QCOMPARE(g->col(), 1);
        QCOMPARE(b->Edit1->text(), QString("Иванов")); // the click handler did not run
        QCOMPARE(b->MC->selectedDate(), kToday);

        // Enter in either picker does the same.
        b->DT2->setDate(QDate(2026, 12, 10));
        QTest::keyClick(b->DT1, Qt::Key_Return);
        QCOMPARE(g->colCount(), 11);
        QCOMPARE(g->cell(10, 0), QString("10.12.2026"));
        QCOMPARE(g->leftCol(), 1);
    }

    void calendarMovesTheBoard()
    {
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        b->MC->setSelectedDate(kToday.addDays(-30));
        b->MCClick();
        QCOMPARE(g->col(), 32);
        QCOMPARE(g->leftCol(), 32);
        QCOMPARE(b->MC->selectedDate(), kToday.addDays(-30));
        // within the last screenful the view stays at the end
        b->MC->setSelectedDate(kToday.addDays(61));
        b->MCClick();
        QCOMPARE(g->col(), 123);
        QVERIFY(g->leftCol() < 123);
        QCOMPARE(g->leftCol() + g->visibleColCount() - 1, 124);
        // outside the range nothing happens
        const int left = g->leftCol();
        b->MC->setSelectedDate(kToday.addDays(100));
        b->MCClick();
        QCOMPARE(g->col(), 123);
        QCOMPARE(g->leftCol(), left);
    }

    void paintsBandsInManagersColours()
    {
        BoardFixture f;
        f.addBooking(1, 2, QDate(2026, 11, 30), QDate(2026, 12, 2), 3, "Месяц", "111");
        f.addBooking(2, 4, kToday.addDays(-70), kToday.addDays(-59), 2, "Раньше");
        f.addBooking(3, 5, kToday.addDays(60), kToday.addDays(90), 7, "Позже");
        f.addBooking(4, 6, kToday, kToday, 8, "Чужой");       // no colour: manager 8 > Otv
        f.addBooking(5, 13, kToday, kToday.addDays(3), 2, "Без строки");
        f.addBooking(6, 7, kToday, kToday.addDays(4), 2, "Первый");
        f.addBooking(7, 7, kToday.addDays(2), kToday.addDays(3), 3, "Второй");
        f.addBooking(8, 1, kToday.addDays(1), kToday.addDays(1), 1, "Один день");
        QVERIFY(f.start());
        TForm1* b = f.board();
        const QColor white(255, 255, 255), blue(0, 0, 255), green(0, 255, 0), silver(192, 192, 192), red(255, 0, 0);

        // a stay across the month's end: three cells, text in the first only
        const int c30 = columnOf(b, QDate(2026, 11, 30));
        showColumn(b, c30 - 1);
        QCOMPARE(probe(b, c30 - 1, 2), white);
        QCOMPARE(probe(b, c30, 2), blue);
        QCOMPARE(probe(b, c30 + 1, 2), blue);
        QCOMPARE(probe(b, c30 + 2, 2), blue); // departure day filled
        QCOMPARE(probe(b, c30 + 3, 2), white);
        QVERIFY(inkPixels(b, c30, 2) > 20);
        QCOMPARE(inkPixels(b, c30 + 1, 2), 0);
        QCOMPARE(inkPixels(b, c30 + 2, 2), 0);

        // one-day stay, c1 given as a colour name
        showColumn(b, 62);
        QCOMPARE(probe(b, 63, 1), red);
        QVERIFY(inkPixels(b, 63, 1) > 20);
        // later rows of qAll drawn over earlier ones
        QCOMPARE(probe(b, 62, 7), green);
        QCOMPARE(probe(b, 64, 7), blue);
        QCOMPARE(probe(b, 66, 7), green);
        // no colour for manager 8; nothing for a room without a row
        QCOMPARE(probe(b, 62, 6), white);
        for (int r = 1; r <= 12; ++r)
            if (r != 1 && r != 7 && r != 2)
                QCOMPARE(probe(b, 62, r), white);

        // clipped at the board's edges: filled, no text
        showColumn(b, 1);
        QCOMPARE(probe(b, 1, 4), green);
        QCOMPARE(probe(b, 3, 4), green);
        QCOMPARE(probe(b, 4, 4), white);
        QCOMPARE(inkPixels(b, 1, 4), 0);
        showColumn(b, 124);
        QCOMPARE(probe(b, 124, 5), silver); // c7 in decimal
        QCOMPARE(inkPixels(b, 124, 5), 0);
        QCOMPARE(f.dialogs().count(), 0);
    }

    void coloursFollowConfIniWhileRunning()
    {
        BoardFixture f;
        f.addBooking(1, 2, kToday, kToday.addDays(1), 3);
        f.addBooking(2, 3, kToday, kToday.addDays(1), 4);
        QVERIFY(f.start());
        TForm1* b = f.board();
        QCOMPARE(probe(b, 62, 2), QColor(0, 0, 255));
        QCOMPARE(probe(b, 62, 3), QColor(255, 255, 0));
        const QString base = QString("[Base]\nPath=%1\n[Rows]\nCount=12\n").arg(f.db().path());

        f.writeConf(base + "[COLOR]\notv=4\nC3=0x0000ff\nc4=x00FF00\n");
        b->StringGrid1->viewport()->update();
        QCOMPARE(probe(b, 62, 2), QColor(255, 0, 0));
        QCOMPARE(probe(b, 62, 3), QColor(0, 255, 0));

        f.writeConf(base + "[Color]\nOtv=3\nc3=$FF0000\nc4=clRed\n");
        QCOMPARE(probe(b, 62, 2), QColor(0, 0, 255));
        QCOMPARE(probe(b, 62, 3), QColor(255, 255, 255)); // manager 4 > Otv: not drawn although c4 exists

        // A colour that cannot be read: one report, queued, not repeated on repaint.
        f.writeConf(base + "[Color]\nOtv=3\nc3=red\n");
        QCOMPARE(probe(b, 62, 2), QColor(255, 255, 255)); // the cell stays unfinished
        QCOMPARE(f.dialogs().count(), 0);                  // never from inside the paint
        QTRY_COMPARE(f.dialogs().count(), 1);
        QCOMPARE(f.dialogs().last().text, QString("'red' is not a valid integer value."));
        QCOMPARE(f.dialogs().last().icon, platform::MsgIcon::Error);
        probe(b, 62, 2);
        probe(b, 63, 2);
        QTest::qWait(50);
        QCOMPARE(f.dialogs().count(), 1);
    }

    void selectionShowsTheBookingThatStartsThere()
    {
        BoardFixture f;
        f.addBooking(1, 3, kToday, kToday.addDays(2), 4, "Сидоров");
        QVERIFY(f.start());
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        g->setRow(3);
        QCOMPARE(b->Edit1->text(), QString("Сидоров"));
        QVERIFY(!b->Edit2->text().isEmpty());
        QCOMPARE(b->Edit3->text(), platform::fixedDateText(kToday));
        QCOMPARE(b->Edit4->text(), platform::fixedDateText(kToday.addDays(2)));
        QVERIFY(!data::DM->Quk.isOpen()); // the selection leaves it closed

        // arrow keys: calendar and details at every step
        g->setFocus();
        QTest::keyClick(g, Qt::Key_Right);
        QCOMPARE(g->col(), 63);
        QCOMPARE(b->MC->selectedDate(), kToday.addDays(1));
        QCOMPARE(b->Edit1->text(), QString()); // second day of the stay
        QCOMPARE(b->Edit3->text(), QString());
        QTest::keyClick(g, Qt::Key_Left);
        QCOMPARE(b->Edit1->text(), QString("Сидоров"));
        QTest::keyClick(g, Qt::Key_Down);
        QCOMPARE(g->row(), 4);
        QCOMPARE(b->Edit1->text(), QString());

        // a click on a cell
        const QRect r = g->cellRect(62, 3);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(g->row(), 3);
        QCOMPARE(b->Edit1->text(), QString("Сидоров"));
    }

    // The headers keep their fixed pattern; reading one back follows the
    // regional settings, so a desk set to another date form gets the failure.
    void headerNotInTheRegionalForm()
    {
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        platform::setRegionalLocaleForTests(QLocale(QLocale::English, QLocale::UnitedStates));
        b->StringGrid1->setRow(2);
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(f.dialogs().count(), 1);
        QCOMPARE(f.dialogs().last().text, QString("'%1' is not a valid date.").arg(platform::fixedDateText(kToday)));
        QCOMPARE(b->StringGrid1->cell(62, 0), platform::fixedDateText(kToday));
    }

    // Another attachment's booking: with the change events the board shows it
    // by itself; on a database without them only after the next selection,
    // which reads all bookings again, as every selection there does.
    void otherDesksBookingsShow_data()
    {
        QTest::addColumn<bool>("events");
        QTest::newRow("by itself") << true;
        QTest::newRow("without the events: after the next selection") << false;
    }
    void otherDesksBookingsShow()
    {
        QFETCH(bool, events);
        BoardFixture f;
        if (!events)
            f.db().exec({"drop trigger RES_POST_CHANGE", "drop trigger OTV_POST_CHANGE"});
        QVERIFY(f.start());
        TForm1* b = f.board();
        const QColor white(255, 255, 255), green(0, 255, 0);
        QCOMPARE(probe(b, 62, 2), white);
        if (events) {
            QTRY_VERIFY(data::DM->DB.changes().alive());
            f.addBooking(1, 2, kToday, kToday, 2);
            QTRY_COMPARE_WITH_TIMEOUT(probe(b, 62, 2), green, 1000);
            QCOMPARE(b->StringGrid1->row(), 1);
            return;
        }
        QVERIFY(!data::DM->DB.changes().alive());
        f.addBooking(1, 2, kToday, kToday, 2);
        QTest::qWait(300);
        QCOMPARE(probe(b, 62, 2), white); // the rows read before
        const quint64 read = data::DM->qAll.generation();
        b->StringGrid1->setRow(3);
        QCOMPARE(probe(b, 62, 2), green);
        b->StringGrid1->setCol(63);
        b->StringGrid1->setCol(62);
        QCOMPARE(data::DM->qAll.generation(), read + 3); // every selection read them again
    }
};

QTEST_MAIN(BoardTest)
#include "BoardTest.moc"
