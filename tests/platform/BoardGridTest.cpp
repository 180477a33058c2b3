#include "platform/ui/BoardGrid.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <memory>

using platform::BoardGrid;

Q_DECLARE_METATYPE(platform::BoardGrid::Notify)

namespace {

// The board's cell size.
constexpr int kW = 100;
constexpr int kH = 40;

// Axis columns of the data tables.
constexpr int kCols = 0;
constexpr int kRows = 1;

QString axisName(int axis)
{
    return axis == kCols ? QStringLiteral("col") : QStringLiteral("row");
}

} // namespace

class BoardGridTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<BoardGrid> g;

    // A shown 800x600 grid with the board's cell size.
    bool setUpGrid(int cols, int rows)
    {
        g = std::make_unique<BoardGrid>();
        g->setDefaultColWidth(kW);
        g->setDefaultRowHeight(kH);
        g->setColCount(cols);
        g->setRowCount(rows);
        g->resize(800, 600);
        g->show();
        return QTest::qWaitForWindowExposed(g.get());
    }

    bool focusGrid()
    {
        g->activateWindow();
        if (!QTest::qWaitForWindowActive(g.get()))
            return false;
        g->setFocus();
        return QTest::qWaitFor([&] { return g->hasFocus(); });
    }

    int current(int axis) const { return axis == kCols ? g->col() : g->row(); }
    bool setCurrent(int axis, int v, BoardGrid::Notify notify = BoardGrid::Notify::Clicked)
    {
        return axis == kCols ? g->setCol(v, notify) : g->setRow(v, notify);
    }
    int first(int axis) const { return axis == kCols ? g->leftCol() : g->topRow(); }
    void setFirst(int axis, int v) { axis == kCols ? g->setLeftCol(v) : g->setTopRow(v); }
    void setCount(int axis, int n) { axis == kCols ? g->setColCount(n) : g->setRowCount(n); }
    int fixedSize(int axis) const { return axis == kCols ? kW : kH; }
    int extent(int axis) const
    {
        return axis == kCols ? g->viewport()->width() : g->viewport()->height();
    }
    // Fully visible scrolling cells the viewport holds, from its size alone.
    int page(int axis) const { return (extent(axis) - fixedSize(axis)) / fixedSize(axis); }
    // The interior along one axis of the given column/row, on the first visible other.
    QRect rectOf(int axis, int v) const
    {
        return axis == kCols ? g->cellRect(v, g->topRow()) : g->cellRect(g->leftCol(), v);
    }
    int lo(int axis, const QRect& r) const { return axis == kCols ? r.left() : r.top(); }
    int hi(int axis, const QRect& r) const { return axis == kCols ? r.right() : r.bottom(); }
    bool fullyVisible(int axis, int v) const
    {
        const QRect r = rectOf(axis, v);
        // The grid line after the interior has to be on screen as well.
        return !r.isNull() && lo(axis, r) >= fixedSize(axis) && hi(axis, r) + 1 < extent(axis);
    }
    bool currentFullyVisible() const
    {
        const QRect r = g->cellRect(g->col(), g->row());
        return !r.isNull() && r.left() >= kW && r.top() >= kH
            && r.right() + 1 < g->viewport()->width() && r.bottom() + 1 < g->viewport()->height();
    }
    // Where a visible cell lies, from leftCol/topRow and the cell size alone.
    QRect expectedOuter(int col, int row) const
    {
        const int i = col == 0 ? 0 : 1 + col - g->leftCol();
        const int j = row == 0 ? 0 : 1 + row - g->topRow();
        return QRect(i * kW, j * kH, kW, kH);
    }
    QPoint centre(int col, int row) const { return g->cellRect(col, row).center(); }

private slots:
    void cleanup() { g.reset(); }

    void defaults()
    {
        BoardGrid grid;
        QCOMPARE(grid.colCount(), 5);
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(grid.col(), 1);
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.leftCol(), 1);
        QCOMPARE(grid.topRow(), 1);
    }

    void settingTheSameValueDoesNothing_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("value");
        QTest::addColumn<BoardGrid::Notify>("notify");
        // The current cell (1) is scrolled out of view first: a grid that
        // scrolled on every call would bring it back.
        for (const auto notify : {BoardGrid::Notify::Clicked, BoardGrid::Notify::Quietly}) {
            const char* how = notify == BoardGrid::Notify::Clicked ? "" : ", quietly";
            QTest::addRow("col, same%s", how) << kCols << 1 << notify;
            QTest::addRow("row, same%s", how) << kRows << 1 << notify;
            QTest::addRow("col, clamped onto the same%s", how) << kCols << 0 << notify;
            QTest::addRow("row, clamped onto the same%s", how) << kRows << -5 << notify;
        }
    }
    void settingTheSameValueDoesNothing()
    {
        QFETCH(int, axis);
        QFETCH(int, value);
        QFETCH(BoardGrid::Notify, notify);
        QVERIFY(setUpGrid(60, 60));
        setFirst(axis, 20);
        QCOMPARE(first(axis), 20);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);
        QSignalSpy scrolled(g.get(), &BoardGrid::topLeftChanged);

        QVERIFY(!setCurrent(axis, value, notify));

        QCOMPARE(current(axis), 1);
        QCOMPARE(first(axis), 20);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(scrolled.count(), 0);
    }

    void settingANewValueEmitsOnceAfterTheMove_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("col in view") << kCols << 3 << 3;
        QTest::newRow("col out of view") << kCols << 40 << 40;
        QTest::newRow("row in view") << kRows << 4 << 4;
        QTest::newRow("row out of view") << kRows << 55 << 55;
        QTest::newRow("col past the end is clamped") << kCols << 500 << 59;
    }
    void settingANewValueEmitsOnceAfterTheMove()
    {
        QFETCH(int, axis);
        QFETCH(int, value);
        QFETCH(int, expected);
        QVERIFY(setUpGrid(60, 60));
        QList<int> seen;
        QList<bool> visibleAtSignal;
        connect(g.get(), &BoardGrid::clicked, this, [&] {
            seen.append(current(axis));
            visibleAtSignal.append(fullyVisible(axis, current(axis)));
        });

        QVERIFY(setCurrent(axis, value));

        QCOMPARE(seen, QList<int>{expected});
        QCOMPARE(visibleAtSignal, QList<bool>{true});
        QCOMPARE(current(axis), expected);
        // The other axis stays.
        QCOMPARE(current(1 - axis), 1);
    }

    // The owner that moves quietly runs its click handler itself: the move is
    // made and scrolled into view all the same, and a double-click on the
    // cell then counts as one on a cell whose click was handled.
    void aQuietMoveReportsItWithoutClicked_data() { settingANewValueEmitsOnceAfterTheMove_data(); }
    void aQuietMoveReportsItWithoutClicked()
    {
        QFETCH(int, axis);
        QFETCH(int, value);
        QFETCH(int, expected);
        QVERIFY(setUpGrid(60, 60));
        QStringList events;
        connect(g.get(), &BoardGrid::clicked, this, [&] { events << "click"; });
        connect(g.get(), &BoardGrid::doubleClicked, this, [&] { events << "double"; });

        QVERIFY(setCurrent(axis, value, BoardGrid::Notify::Quietly));

        QCOMPARE(events, QStringList());
        QCOMPARE(current(axis), expected);
        QCOMPARE(current(1 - axis), 1);
        QVERIFY(currentFullyVisible());
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, centre(g->col(), g->row()));
        QCOMPARE(events, QStringList{"double"});
    }

    void scrollsTheCurrentCellIntoView_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("startFirst");
        // target = fromLastVisible ? last fully visible + offset : offset
        QTest::addColumn<bool>("fromLastVisible");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("expect"); // left, right, none

        for (int axis : {kCols, kRows}) {
            const QString a = axisName(axis);
            auto row = [&](const char* what) -> QTestData& {
                return QTest::newRow(qPrintable(a + QStringLiteral(": ") + QLatin1String(what)));
            };
            row("left of view becomes the first visible") << axis << 20 << false << 5 << "left";
            row("just left of view") << axis << 20 << false << 19 << "left";
            row("right of view becomes the last fully visible") << axis << 1 << false << 40 << "right";
            row("partly visible one becomes the last fully visible") << axis << 10 << true << 1 << "right";
            row("first visible: no scrolling") << axis << 20 << false << 20 << "none";
            row("inside the view: no scrolling") << axis << 20 << false << 21 << "none";
            row("last fully visible: no scrolling") << axis << 20 << true << 0 << "none";
        }
    }
    void scrollsTheCurrentCellIntoView()
    {
        QFETCH(int, axis);
        QFETCH(int, startFirst);
        QFETCH(bool, fromLastVisible);
        QFETCH(int, offset);
        QFETCH(QString, expect);
        QVERIFY(setUpGrid(60, 60));
        QVERIFY2(page(axis) >= 3, "the view must hold a few cells");
        setFirst(axis, startFirst);
        QCOMPARE(first(axis), startFirst);
        const int visible = axis == kCols ? g->visibleColCount() : g->visibleRowCount();
        QCOMPARE(visible, page(axis));
        const int target = fromLastVisible ? startFirst + visible - 1 + offset : offset;

        setCurrent(axis, target);

        QCOMPARE(current(axis), target);
        QVERIFY(fullyVisible(axis, target));
        if (expect == QLatin1String("left")) {
            QCOMPARE(first(axis), target);
            QCOMPARE(lo(axis, rectOf(axis, target)), fixedSize(axis));
        } else if (expect == QLatin1String("right")) {
            QVERIFY(first(axis) > startFirst);
            // The next one no longer fits entirely.
            QVERIFY(!fullyVisible(axis, target + 1));
            QCOMPARE(first(axis), target - page(axis) + 1);
        } else {
            QCOMPARE(first(axis), startFirst);
        }
    }

    void jumpingBackFromTheLastCell_data()
    {
        QTest::addColumn<int>("axis");
        // target = first visible after the jump to the last + delta (at least 1)
        QTest::addColumn<int>("delta");
        QTest::addColumn<bool>("atLeftEdge");
        for (int axis : {kCols, kRows}) {
            const QString a = axisName(axis) + QStringLiteral(": ");
            QTest::newRow(qPrintable(a + "back to the first")) << axis << -1000 << true;
            QTest::newRow(qPrintable(a + "far left of the last screenful")) << axis << -7 << true;
            QTest::newRow(qPrintable(a + "just before the last screenful")) << axis << -1 << true;
            QTest::newRow(qPrintable(a + "first of the last screenful")) << axis << 0 << false;
            QTest::newRow(qPrintable(a + "inside the last screenful")) << axis << 2 << false;
        }
    }
    void jumpingBackFromTheLastCell()
    {
        QFETCH(int, axis);
        QFETCH(int, delta);
        QFETCH(bool, atLeftEdge);
        QVERIFY(setUpGrid(60, 60));
        const int last = 59;
        setCurrent(axis, last);
        QVERIFY(fullyVisible(axis, last));
        const int firstAfterJump = first(axis);
        QCOMPARE(firstAfterJump, last - page(axis) + 1);
        const int target = std::max(1, firstAfterJump + delta);

        setCurrent(axis, target);

        QVERIFY(fullyVisible(axis, target));
        if (atLeftEdge) {
            QCOMPARE(first(axis), target);
            QCOMPARE(lo(axis, rectOf(axis, target)), fixedSize(axis));
        } else {
            QCOMPARE(first(axis), firstAfterJump);
        }
    }

    void changingTheCountKeepsTheCurrentCellInside_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("newCount");
        QTest::addColumn<int>("expected");
        for (int axis : {kCols, kRows}) {
            const QString a = axisName(axis) + QStringLiteral(": ");
            QTest::newRow(qPrintable(a + "shrink below the current")) << axis << 40 << 8 << 7;
            QTest::newRow(qPrintable(a + "shrink onto the current's own")) << axis << 40 << 40 << 39;
            QTest::newRow(qPrintable(a + "shrink, current still inside")) << axis << 5 << 8 << 5;
            QTest::newRow(qPrintable(a + "grow")) << axis << 40 << 100 << 40;
            QTest::newRow(qPrintable(a + "down to the minimum")) << axis << 40 << 2 << 1;
        }
    }
    void changingTheCountKeepsTheCurrentCellInside()
    {
        QFETCH(int, axis);
        QFETCH(int, start);
        QFETCH(int, newCount);
        QFETCH(int, expected);
        QVERIFY(setUpGrid(60, 60));
        setCurrent(axis, start);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);

        setCount(axis, newCount);

        QCOMPARE(current(axis), expected);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(fullyVisible(axis, expected));
        QVERIFY(first(axis) + (axis == kCols ? g->visibleColCount() : g->visibleRowCount())
                <= newCount);
    }

    void aSingleColumnOrRowLeavesNoCurrentCell()
    {
        QVERIFY(setUpGrid(5, 5));
        g->setCol(3);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);
        g->setColCount(1);
        QCOMPARE(g->col(), 0);
        g->setCol(2);
        QCOMPARE(g->col(), 0);
        QCOMPARE(g->pixelAt(QPoint(kW + 10, 10)), g->palette().color(QPalette::Window));
        g->setColCount(4);
        QCOMPARE(g->col(), 1);
        QCOMPARE(clicked.count(), 0);
    }

    void leftClickEmitsOnceOnRelease_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("another cell") << 3 << 4;
        QTest::newRow("the current cell") << 1 << 1;
        // The press scrolls it in; the release still answers that press once.
        QTest::newRow("partly visible cell") << -1 << 2;
    }
    void leftClickEmitsOnceOnRelease()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QVERIFY(setUpGrid(30, 30));
        if (col < 0) {
            col = g->leftCol() + g->visibleColCount();
            QVERIFY(!g->cellRect(col, row).isNull());
            QVERIFY(!fullyVisible(kCols, col));
        }
        const QPoint at = centre(col, row);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);

        QTest::mousePress(g->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(g->col(), col);
        QCOMPARE(g->row(), row);
        QVERIFY(currentFullyVisible());
        QCOMPARE(clicked.count(), 0);

        QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(g->col(), col);
        QCOMPARE(g->row(), row);
    }

    void clickOnFixedCellsDoesNothing_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("header row") << 3 << 0;
        QTest::newRow("fixed column") << 0 << 3;
        QTest::newRow("corner") << 0 << 0;
    }
    void clickOnFixedCellsDoesNothing()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QVERIFY(setUpGrid(30, 30));
        g->setCol(2);
        g->setRow(2);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);
        QSignalSpy doubled(g.get(), &BoardGrid::doubleClicked);

        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, centre(col, row));
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, centre(col, row));

        QCOMPARE(g->col(), 2);
        QCOMPARE(g->row(), 2);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(doubled.count(), 0);
    }

    void doubleClick_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("secondPress");
        QTest::addColumn<QStringList>("expected");
        // Qt widgets see press, release, double-click, release; a second
        // press before the double-click must not change the outcome.
        QTest::newRow("data cell") << 3 << false << QStringList{"click", "double"};
        QTest::newRow("data cell, second press") << 3 << true << QStringList{"click", "double"};
        QTest::newRow("current cell") << 1 << false << QStringList{"click", "double"};
        // The first press scrolls another cell under the mouse: no double-click
        // on a cell whose click was never seen, it counts as a click of its own.
        QTest::newRow("partly visible cell") << -1 << false << QStringList{"click", "click"};
    }
    void doubleClick()
    {
        QFETCH(int, col);
        QFETCH(bool, secondPress);
        QFETCH(QStringList, expected);
        QVERIFY(setUpGrid(30, 30));
        if (col < 0)
            col = g->leftCol() + g->visibleColCount();
        const QPoint at = centre(col, 2);
        QStringList events;
        connect(g.get(), &BoardGrid::clicked, this, [&] { events << "click"; });
        connect(g.get(), &BoardGrid::doubleClicked, this, [&] { events << "double"; });
        QWidget* vp = g->viewport();

        QTest::mousePress(vp, Qt::LeftButton, {}, at);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, at);
        QCOMPARE(events, QStringList{"click"});
        const QPoint afterFirst(g->col(), g->row());
        QCOMPARE(afterFirst, QPoint(col, 2));
        const QPoint underMouse = g->cellAt(at);
        if (secondPress)
            QTest::mousePress(vp, Qt::LeftButton, {}, at);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, at);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, at);

        QCOMPARE(events, expected);
        QCOMPARE(QPoint(g->col(), g->row()), underMouse);
    }

    void rightClickRequestsAMenuWithoutMoving_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("data cell") << 4 << 3;
        QTest::newRow("header") << 4 << 0;
    }
    void rightClickRequestsAMenuWithoutMoving()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QVERIFY(setUpGrid(30, 30));
        g->setCol(2);
        g->setRow(2);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);
        QSignalSpy menu(g.get(), &BoardGrid::contextMenuRequested);
        const QPoint at = centre(col, row);

        QTest::mouseClick(g->viewport(), Qt::RightButton, {}, at);

        QCOMPARE(g->col(), 2);
        QCOMPARE(g->row(), 2);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(menu.count(), 1);
        QCOMPARE(menu.at(0).at(0).toPoint(), g->viewport()->mapToGlobal(at));
    }

    void dragSelectsARange()
    {
        QVERIFY(setUpGrid(30, 30));
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);
        QWidget* vp = g->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, centre(2, 2));
        QTest::mouseMove(vp, centre(3, 3));
        QTest::mouseMove(vp, centre(4, 3));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, centre(4, 3));

        QCOMPARE(g->selection(), QRect(QPoint(2, 2), QPoint(4, 3)));
        QCOMPARE(QPoint(g->col(), g->row()), QPoint(2, 2));
        QCOMPARE(clicked.count(), 1);
        const QColor highlight = g->palette().color(QPalette::Highlight);
        QCOMPARE(g->pixelAt(g->cellRect(3, 3).topLeft() + QPoint(4, 4)), highlight);
        QCOMPARE(g->pixelAt(g->cellRect(4, 2).topLeft() + QPoint(4, 4)), highlight);
        QCOMPARE(g->pixelAt(g->cellRect(2, 2).topLeft() + QPoint(4, 4)), QColor(255, 255, 255));
        QCOMPARE(g->pixelAt(g->cellRect(5, 3).topLeft() + QPoint(4, 4)), QColor(255, 255, 255));

        // Any move of the current cell drops the range.
        g->setCol(6);
        QCOMPARE(g->selection(), QRect(QPoint(6, 2), QPoint(6, 2)));
        QCOMPARE(g->pixelAt(g->cellRect(3, 3).topLeft() + QPoint(4, 4)), QColor(255, 255, 255));
    }

    void keyboardMovesAndEmitsAtEachStep_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<int>("times");
        QTest::addColumn<QPoint>("end");
        QTest::addColumn<int>("emitted");
        const int ctrl = int(Qt::ControlModifier);
        QTest::newRow("right x3") << int(Qt::Key_Right) << 0 << QPoint(1, 1) << 3 << QPoint(4, 1) << 3;
        QTest::newRow("left") << int(Qt::Key_Left) << 0 << QPoint(3, 2) << 1 << QPoint(2, 2) << 1;
        QTest::newRow("down x2") << int(Qt::Key_Down) << 0 << QPoint(3, 2) << 2 << QPoint(3, 4) << 2;
        QTest::newRow("up") << int(Qt::Key_Up) << 0 << QPoint(3, 2) << 1 << QPoint(3, 1) << 1;
        QTest::newRow("left stops at the data area") << int(Qt::Key_Left) << 0 << QPoint(2, 2) << 3 << QPoint(1, 2) << 1;
        QTest::newRow("up stops at the data area") << int(Qt::Key_Up) << 0 << QPoint(2, 1) << 2 << QPoint(2, 1) << 0;
        QTest::newRow("right stops at the end") << int(Qt::Key_Right) << 0 << QPoint(28, 1) << 3 << QPoint(29, 1) << 1;
        QTest::newRow("right scrolls along") << int(Qt::Key_Right) << 0 << QPoint(1, 1) << 12 << QPoint(13, 1) << 12;
        QTest::newRow("home") << int(Qt::Key_Home) << 0 << QPoint(9, 5) << 1 << QPoint(1, 5) << 1;
        QTest::newRow("end") << int(Qt::Key_End) << 0 << QPoint(3, 5) << 1 << QPoint(29, 5) << 1;
        QTest::newRow("ctrl+home") << int(Qt::Key_Home) << ctrl << QPoint(9, 5) << 1 << QPoint(1, 1) << 1;
        QTest::newRow("ctrl+end") << int(Qt::Key_End) << ctrl << QPoint(3, 5) << 1 << QPoint(29, 29) << 1;
    }
    void keyboardMovesAndEmitsAtEachStep()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QPoint, start);
        QFETCH(int, times);
        QFETCH(QPoint, end);
        QFETCH(int, emitted);
        QVERIFY(setUpGrid(30, 30));
        g->setCol(start.x());
        g->setRow(start.y());
        QList<QPoint> seen;
        connect(g.get(), &BoardGrid::clicked, this, [&] { seen.append(QPoint(g->col(), g->row())); });

        for (int i = 0; i < times; ++i)
            QTest::keyClick(g.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QCOMPARE(QPoint(g->col(), g->row()), end);
        QCOMPARE(seen.size(), emitted);
        // Each signal follows its own step: all positions differ.
        for (int i = 1; i < seen.size(); ++i)
            QVERIFY(seen[i] != seen[i - 1]);
        if (!seen.isEmpty())
            QCOMPARE(seen.last(), end);
        QVERIFY(currentFullyVisible());
    }

    void pageKeysMoveByAScreenful()
    {
        QVERIFY(setUpGrid(10, 100));
        g->setRow(2);
        const int step = page(kRows);
        QVERIFY(step >= 3);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);

        QTest::keyClick(g.get(), Qt::Key_PageDown);
        QCOMPARE(g->row(), 2 + step);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(currentFullyVisible());

        QTest::keyClick(g.get(), Qt::Key_PageUp);
        QCOMPARE(g->row(), 2);
        QCOMPARE(clicked.count(), 2);
        QVERIFY(currentFullyVisible());

        QTest::keyClick(g.get(), Qt::Key_PageUp);
        QCOMPARE(g->row(), 1);
        QCOMPARE(g->topRow(), 1);
        QCOMPARE(clicked.count(), 3);
    }

    void scrollBarsAndWheelLeaveTheCurrentCell()
    {
        QVERIFY(setUpGrid(30, 30));
        g->setCol(2);
        g->setRow(2);
        QSignalSpy clicked(g.get(), &BoardGrid::clicked);

        g->horizontalScrollBar()->setValue(5);
        QCOMPARE(g->leftCol(), 6);
        QCOMPARE(g->cellRect(6, 0).left(), kW);
        g->verticalScrollBar()->setValue(7);
        QCOMPARE(g->topRow(), 8);

        const QPoint at = centre(8, 10);
        QWheelEvent wheel(at, g->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g->viewport(), &wheel);
        QVERIFY(g->topRow() > 8);
        QCOMPARE(g->topRow() - 1, g->verticalScrollBar()->value());

        QCOMPARE(QPoint(g->col(), g->row()), QPoint(2, 2));
        QCOMPARE(clicked.count(), 0);

        // Bars and setters stop where the last cell is fully visible.
        g->horizontalScrollBar()->setValue(g->horizontalScrollBar()->maximum());
        QVERIFY(fullyVisible(kCols, 29));
        QVERIFY(!fullyVisible(kCols, g->leftCol() - 1));
        g->setLeftCol(1);
        g->setLeftCol(1000);
        QCOMPARE(g->leftCol(), 30 - page(kCols));
        g->setTopRow(1000);
        QCOMPARE(g->topRow(), 30 - page(kRows));
        QVERIFY(fullyVisible(kRows, 29));
    }

    void cellGeometry_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("shown");
        QTest::newRow("corner") << 0 << 0 << true;
        QTest::newRow("header of the first visible") << 10 << 0 << true;
        QTest::newRow("fixed column") << 0 << 12 << true;
        QTest::newRow("data") << 11 << 13 << true;
        QTest::newRow("scrolled off to the left") << 9 << 13 << false;
        QTest::newRow("scrolled off to the top") << 11 << 9 << false;
        QTest::newRow("beyond the right edge") << 10 + 8 << 13 << false;
        QTest::newRow("no such column") << 30 << 13 << false;
    }
    void cellGeometry()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(bool, shown);
        QVERIFY(setUpGrid(30, 30));
        QVERIFY(page(kCols) < 8);
        g->setLeftCol(10);
        g->setTopRow(10);

        const QRect r = g->cellRect(col, row);
        if (!shown) {
            QVERIFY(r.isNull());
            return;
        }
        // The interior: the grid line is the cell's last pixel column and row.
        QCOMPARE(r, expectedOuter(col, row).adjusted(0, 0, -1, -1));
        QCOMPARE(r.size(), QSize(kW - 1, kH - 1));
        QCOMPARE(g->cellAt(r.topLeft()), QPoint(col, row));
        QCOMPARE(g->cellAt(r.bottomRight() + QPoint(1, 1)), QPoint(col, row));
    }

    void paintsItsOwnCells_data()
    {
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QString>("colour"); // white, button, line
        QTest::newRow("data cell") << QPoint(3, 3) << QPoint(4, 4) << true << "white";
        QTest::newRow("current cell, focused") << QPoint(2, 2) << QPoint(4, 4) << true << "white";
        QTest::newRow("current cell, focused, middle") << QPoint(2, 2) << QPoint(50, 20) << true << "white";
        QTest::newRow("current cell, unfocused") << QPoint(2, 2) << QPoint(4, 4) << false << "white";
        QTest::newRow("cell with text, clear of it") << QPoint(4, 1) << QPoint(90, 4) << true << "white";
        QTest::newRow("header") << QPoint(3, 0) << QPoint(4, 4) << true << "button";
        QTest::newRow("fixed column") << QPoint(0, 3) << QPoint(4, 4) << true << "button";
        QTest::newRow("header grid line") << QPoint(3, 0) << QPoint(kW - 1, 10) << true << "line";
        QTest::newRow("data grid line") << QPoint(3, 3) << QPoint(10, kH - 1) << true << "line";
    }
    void paintsItsOwnCells()
    {
        QFETCH(QPoint, cell);
        QFETCH(QPoint, offset);
        QFETCH(bool, focused);
        QFETCH(QString, colour);
        QVERIFY(setUpGrid(10, 10));
        g->setCell(4, 1, QStringLiteral("Иванов"));
        g->setCell(3, 0, QStringLiteral("01.02.2024"));
        g->setCol(2);
        g->setRow(2);
        if (focused)
            QVERIFY(focusGrid());
        else
            g->clearFocus();
        QCOMPARE(g->hasFocus(), focused);

        const QColor seen = g->pixelAt(expectedOuter(cell.x(), cell.y()).topLeft() + offset);

        const QColor white(255, 255, 255);
        const QColor button = g->palette().color(QPalette::Button);
        if (colour == QLatin1String("white")) {
            QCOMPARE(seen, white);
        } else if (colour == QLatin1String("button")) {
            QCOMPARE(seen, button);
        } else {
            const QColor fill = cell.x() == 0 || cell.y() == 0 ? button : white;
            QVERIFY2(seen.lightness() < fill.lightness(), qPrintable(seen.name()));
        }
    }

    void drawsTexts()
    {
        QVERIFY(setUpGrid(10, 10));
        const QRect header = g->cellRect(3, 0);
        const QRect data = g->cellRect(4, 2);
        auto inked = [&](const QRect& r, const QColor& background) {
            const QImage img = g->viewport()->grab(r).toImage();
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    n += img.pixelColor(x, y) != background;
            return n;
        };
        const QColor button = g->palette().color(QPalette::Button);
        QCOMPARE(inked(header, button), 0);
        QCOMPARE(inked(data, QColor(255, 255, 255)), 0);

        g->setCell(3, 0, QStringLiteral("01.02"));
        g->setCell(4, 2, QStringLiteral("101"));
        QCOMPARE(g->cell(3, 0), QStringLiteral("01.02"));
        QVERIFY(inked(header, button) > 0);
        QVERIFY(inked(data, QColor(255, 255, 255)) > 0);
        // Left-aligned with a small margin: the right half stays clear.
        QCOMPARE(inked(header.adjusted(header.width() / 2, 0, 0, 0), button), 0);
        QCOMPARE(inked(QRect(header.topLeft(), QSize(2, header.height())), button), 0);

        g->setCell(4, 2, QString());
        QCOMPARE(inked(data, QColor(255, 255, 255)), 0);
    }

    void drawHookGetsEveryPaintedCell_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::newRow("whole viewport") << QRect();
        QTest::newRow("a corner of four cells") << QRect(150, 50, 100, 40);
        QTest::newRow("header strip") << QRect(0, 0, 800, 10);
        QTest::newRow("one cell's interior") << QRect(305, 125, 20, 10);
    }
    void drawHookGetsEveryPaintedCell()
    {
        QFETCH(QRect, area);
        QVERIFY(setUpGrid(30, 30));
        g->setLeftCol(4);
        g->setTopRow(6);
        if (area.isNull())
            area = g->viewport()->rect();
        struct Call {
            int col, row;
            QRect rect, clip;
        };
        QList<Call> calls;
        g->setDrawCell([&](QPainter& p, int col, int row, const QRect& rect) {
            calls.append({col, row, rect, p.clipBoundingRect().toAlignedRect()});
        });

        g->viewport()->grab(area);

        QSet<QPair<int, int>> expected;
        auto consider = [&](int col, int row) {
            const QRect outer = expectedOuter(col, row);
            if (outer.intersects(area) && outer.intersects(g->viewport()->rect()))
                expected.insert({col, row});
        };
        for (int row = 0; row < 30; ++row) {
            if (row != 0 && row < g->topRow())
                continue;
            for (int col = 0; col < 30; ++col) {
                if (col != 0 && col < g->leftCol())
                    continue;
                consider(col, row);
            }
        }
        QSet<QPair<int, int>> got;
        for (const Call& c : std::as_const(calls)) {
            QVERIFY2(!got.contains({c.col, c.row}), "a cell drawn twice");
            got.insert({c.col, c.row});
            const QRect interior = expectedOuter(c.col, c.row).adjusted(0, 0, -1, -1);
            QCOMPARE(c.rect, interior);
            QCOMPARE(c.rect, g->cellRect(c.col, c.row));
            QCOMPARE(c.clip, interior);
        }
        QCOMPARE(got, expected);
        QVERIFY(!got.isEmpty());
    }

    void drawHookIsClippedToTheCell()
    {
        QVERIFY(setUpGrid(10, 10));
        const QColor red(255, 0, 0);
        g->setDrawCell([&](QPainter& p, int col, int row, const QRect& rect) {
            if (col == 3 && row == 2)
                p.fillRect(rect.adjusted(-10, -10, 10, 10), red);
        });
        const QRect r = g->cellRect(3, 2);
        QCOMPARE(g->pixelAt(r.topLeft()), red);
        QCOMPARE(g->pixelAt(r.bottomRight()), red);
        QVERIFY(g->pixelAt(r.topRight() + QPoint(1, 0)) != red);
        QVERIFY(g->pixelAt(r.bottomLeft() + QPoint(0, 1)) != red);
        QVERIFY(g->pixelAt(r.topLeft() - QPoint(1, 1)) != red);
        QCOMPARE(g->pixelAt(g->cellRect(4, 2).topLeft() + QPoint(4, 4)), QColor(255, 255, 255));
    }
};

QTEST_MAIN(BoardGridTest)
#include "BoardGridTest.moc"
