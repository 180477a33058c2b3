#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>

class QPainter;

namespace platform {

// A plain string grid for the occupancy board: row 0 and column 0 are fixed
// headers, the rest scrolls in whole cells. All columns share one width and
// all rows one height, which keeps hit-testing and painting arithmetic.
//
// Geometry: a cell owns a width x height block; its last pixel column and row
// are the grid line. cellRect() and the rect handed to the draw hook are the
// interior without that line (99 x 39 for 100 x 40 cells).
//
// The current cell always lies in the scrolling area (col >= 1, row >= 1)
// when there is one; with a count of 1 it is 0 on that axis.
//
// clicked() is the owner's click handler: it follows every move of the
// current cell made by setCol/setRow (unless moved Quietly) or the keyboard,
// and every release of a left click on a data cell (also on the current one).
// A press only moves the cell silently. A double-click arrives as press, release (clicked), then the
// double-click event and another release: the double-click event emits
// doubleClicked() only for the current cell that already got its clicked(),
// and the release after it emits nothing.
class BoardGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    using DrawCell = std::function<void(QPainter& painter, int col, int row, const QRect& rect)>;

    explicit BoardGrid(QWidget* parent = nullptr);
    ~BoardGrid() override;

    int colCount() const { return m_colCount; }
    int rowCount() const { return m_rowCount; }
    // Counts below 1 are taken as 1. Shrinking below the current cell moves it
    // onto the last remaining column/row without clicked().
    void setColCount(int count);
    void setRowCount(int count);

    int defaultColWidth() const { return m_colWidth; }
    int defaultRowHeight() const { return m_rowHeight; }
    void setDefaultColWidth(int width);
    void setDefaultRowHeight(int height);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    // Drops every text (cheaper than clearing cell by cell).
    void clearCells();

    int col() const { return m_col; }
    int row() const { return m_row; }
    // Out-of-range values are clamped into the scrolling area; a value equal
    // to the current one (after clamping) does nothing at all. True when the
    // current cell moved; clicked() follows then, except for a Quietly move,
    // after which the owner runs its click handler itself.
    enum class Notify { Clicked, Quietly };
    bool setCol(int col, Notify notify = Notify::Clicked);
    bool setRow(int row, Notify notify = Notify::Clicked);

    // First visible scrolling column/row. Clamped so that the grid never
    // scrolls past the point where its last column/row is fully visible.
    int leftCol() const { return m_leftCol; }
    int topRow() const { return m_topRow; }
    void setLeftCol(int col);
    void setTopRow(int row);
    // Fully visible scrolling columns/rows from leftCol/topRow on.
    int visibleColCount() const;
    int visibleRowCount() const;

    // Interior of a cell in viewport pixels; empty when the cell is out of view
    // or does not exist. A partly visible cell gives its whole interior.
    QRect cellRect(int col, int row) const;
    // The cell under a viewport point (its grid line included), or (-1, -1).
    QPoint cellAt(const QPoint& viewportPos) const;

    // The range being dragged, x = columns and y = rows; a single cell (the
    // current one) when nothing is dragged.
    QRect selection() const;

    // Called after the grid's own drawing of every painted cell, fixed ones
    // included, with the painter clipped to the cell's interior.
    void setDrawCell(DrawCell hook);

    // What the viewport shows at a point, rendered afresh.
    QColor pixelAt(const QPoint& viewportPos);

signals:
    void clicked();
    void doubleClicked();
    void contextMenuRequested(const QPoint& globalPos);
    // leftCol or topRow changed, by whatever means.
    void topLeftChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int firstDataCol() const { return m_colCount > 1 ? 1 : 0; }
    int firstDataRow() const { return m_rowCount > 1 ? 1 : 0; }
    // Fully visible scrolling columns/rows the viewport holds, at least 1.
    int colPage() const;
    int rowPage() const;
    int maxLeftCol() const;
    int maxTopRow() const;
    bool isDataCell(int col, int row) const;
    QRect outerRect(int col, int row) const;

    // Moves the current cell and scrolls it into view; true when it moved.
    bool moveCurrent(int col, int row);
    void countChanged(bool cols, bool shrinks);
    void scrollIntoView();
    void setTopLeft(int leftCol, int topRow);
    void updateScrollBars();
    void syncFromScrollBars();
    void setSelectionEnd(const QPoint& end);
    void updateCell(int col, int row);
    void updateRange(const QRect& cells);
    void emitClicked();
    // After a move by setCol/setRow.
    void moved(Notify notify);

    static quint64 key(int col, int row)
    {
        return (quint64(quint32(col)) << 32) | quint32(row);
    }

    int m_colCount = 5;
    int m_rowCount = 5;
    int m_colWidth = 64;
    int m_rowHeight = 24;
    int m_col = 1;
    int m_row = 1;
    int m_leftCol = 1;
    int m_topRow = 1;
    QPoint m_selEnd{1, 1};
    QHash<quint64, QString> m_text;
    DrawCell m_drawCell;

    // A left press on a data cell that its release has to answer.
    bool m_pressed = false;
    // The cell clicked() was last emitted for, so a double-click can tell its
    // first click was handled.
    QPoint m_handled{-1, -1};
    bool m_syncing = false;
};

} // namespace platform
