#include "BoardFixture.h"

#include "app/ErrorReport.h"
#include "board/Main.h"
#include "data/UnDM.h"
#include "platform/Regional.h"
#include "platform/ui/BoardGrid.h"
#include "signin/Login.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace {

const QDate kToday(2026, 11, 25);

QStringList bookings(BoardFixture& f)
{
    return f.db().rows("select ID, ZALS_ID, DATE1 from RES order by ID");
}

} // namespace

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setTodayForTests(kToday);
    }

    void menusCarryTheirItems()
    {
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        QCOMPARE(b->N1->title(), QString("Меню"));
        QCOMPARE(b->N1->actions(), (QList<QAction*>{b->N8, b->N9}));
        QCOMPARE(b->N8->text(), QString("Печать"));
        QCOMPARE(b->N9->text(), QString("Выход"));
        QStringList bar;
        for (QAction* a : b->MainMenu1->actions())
            bar << a->text();
        QCOMPARE(bar, (QStringList{"Меню", "Бронь", "Менеджер", "Обновить", "Логин"}));
        QCOMPARE(b->PopupMenu1->actions(), (QList<QAction*>{b->N3, b->N5}));
        QCOMPARE(b->N3->text(), QString("Обновить"));
        QCOMPARE(b->N5->text(), QString("Удалить"));
    }

    void deleteActsOnTheCurrentCell()
    {
        BoardFixture f;
        f.addBooking(1, 3, kToday, kToday.addDays(2), 2);          // starts in the current cell
        f.addBooking(2, 5, kToday.addDays(1), kToday.addDays(1), 3); // the right-clicked cell
        f.addBooking(3, 3, kToday, kToday.addDays(1), 4);           // starts in the same cell
        f.addBooking(4, 4, kToday.addDays(-1), kToday.addDays(1), 2); // current cell is its second day
        QVERIFY(f.start());
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        g->setRow(3);
        QCOMPARE(g->col(), 62);

        // A right click elsewhere opens the menu and leaves the current cell.
        QTest::mouseClick(g->viewport(), Qt::RightButton, {}, g->cellRect(63, 5).center());
        QCOMPARE(g->col(), 62);
        QCOMPARE(g->row(), 3);
        QTRY_VERIFY(b->PopupMenu1->isVisible());
        b->PopupMenu1->hide();

        // No: nothing is sent and nothing is refreshed.
        const QStringList before = bookings(f);
        const quint64 generation = data::DM->qAll.generation();
        f.dialogs().answerNext(platform::No);
        b->N5->trigger();
        QCOMPARE(f.dialogs().count(), 1);
        QCOMPARE(f.dialogs().last().text, QString("Продолжить удаление?"));
        QCOMPARE(bookings(f), before);
        QCOMPARE(data::DM->qAll.generation(), generation);

        // Yes: both bookings starting in the cell go, the others stay.
        f.dialogs().answerNext(platform::Yes);
        b->N5->trigger();
        QCOMPARE(f.dialogs().count(), 2);
        QCOMPARE(bookings(f), (QStringList{"2|5|26.11.2026", "4|4|24.11.2026"}));
        QVERIFY(data::DM->qAll.isOpen());
        QCOMPARE(data::DM->qAll.recordCount(), 2);

        // On the second day of a stay: nothing deleted, no error.
        g->setRow(4);
        f.dialogs().answerNext(platform::Yes);
        b->N5->trigger();
        QCOMPARE(f.dialogs().count(), 3);
        QCOMPARE(bookings(f), (QStringList{"2|5|26.11.2026", "4|4|24.11.2026"}));
    }

    void refreshGoesToToday()
    {
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        auto* g = b->StringGrid1;
        g->setCol(20);
        f.addBooking(1, 2, kToday, kToday, 2); // another desk
        const quint64 generation = data::DM->qAll.generation();
        b->N7->trigger();
        QCOMPARE(g->col(), 62);
        QCOMPARE(g->leftCol(), 62);
        QVERIFY(data::DM->qAll.generation() > generation);
        QCOMPARE(data::DM->qAll.recordCount(), 1);

        // After a range without today it changes nothing and refreshes nothing.
        b->DT1->setDate(kToday.addDays(10));
        b->DT2->setDate(kToday.addDays(20));
        b->Button1->click();
        g->setCol(4);
        f.addBooking(2, 2, kToday.addDays(12), kToday.addDays(12), 2);
        const quint64 unchanged = data::DM->qAll.generation();
        b->N3->trigger();
        QCOMPARE(g->col(), 4);
        QCOMPARE(data::DM->qAll.generation(), unchanged);
        QCOMPARE(data::DM->qAll.recordCount(), 1);
    }

    void signInAgainSetsTheRights()
    {
        BoardFixture::Options o;
        o.login = "guest";
        o.password = "guest";
        BoardFixture f(o);
        QVERIFY(f.start());
        TForm1* b = f.board();
        QVERIFY(!b->N5->isEnabled() && !b->N2->isEnabled());

        auto signIn = [&](const QString& login, const QString& password) {
            Modal::whenModalNamed("Form6", [=](QWidget* w) {
                Modal::typeInto(w, "Edit1", login);
                Modal::typeInto(w, "Edit2", password);
                Modal::clickButton(w, "Button1");
            });
            b->N6->trigger();
        };
        signIn("ivanova", "1111");
        MODAL_VERIFY();
        QVERIFY(b->N5->isEnabled() && b->N2->isEnabled());

        // Closed by its close box: the rights of the last sign-in stay.
        Modal::whenModalNamed("Form6", [](QWidget* w) { w->close(); });
        b->N6->trigger();
        MODAL_VERIFY();
        QVERIFY(b->N5->isEnabled() && b->N2->isEnabled());

        signIn("guest", "guest");
        MODAL_VERIFY();
        QVERIFY(!b->N5->isEnabled() && !b->N2->isEnabled());
        QVERIFY(!app::endRequested());
    }

    void exitCommitsAndCloses()
    {
        BoardFixture f;
        QVERIFY(f.start());
        TForm1* b = f.board();
        // A write left open in tr1 stands for any active transaction.
        data::DM->tr1.begin();
        data::DM->IBQuery2.setSql({"update OTV set DOLJN='at exit' where ID=1"});
        data::DM->IBQuery2.execute();
        b->N9->trigger();
        QVERIFY(!b->isVisible());
        QVERIFY(!data::DM->DB.isOpen());
        QCOMPARE(f.db().value("select DOLJN from OTV where ID=1"), QString("at exit"));
        QCOMPARE(f.dialogs().count(), 0);
        app::resetEndRequestForTests();
    }
};

QTEST_MAIN(MenuTest)
#include "MenuTest.moc"
