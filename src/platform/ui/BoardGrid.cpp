#include "platform/ui/BoardGrid.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>

namespace platform {

BoardGrid::BoardGrid(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel of the viewport is painted by paintEvent; skipping Qt's own
    // background fill matters for the board's full-screen repaints.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    updateScrollBars();
}

BoardGrid::~BoardGrid() = default;

// ---- sizes -----------------------------------------------------------------

void BoardGrid::setColCount(int count)
{
    count = std::max(1, count);
    if (count == m_colCount)
        return;
    const bool shrinks = count < m_colCount;
    m_colCount = count;
    countChanged(true, shrinks);
}

void BoardGrid::setRowCount(int count)
{
    count = std::max(1, count);
    if (count == m_rowCount)
        return;
    const bool shrinks = count < m_rowCount;
    m_rowCount = count;
    countChanged(false, shrinks);
}

// After a change of the column count (cols) or the row count: texts beyond
// the grid go, and a current cell beyond it moves onto the last one left and
// into view, without clicked().
void BoardGrid::countChanged(bool cols, bool shrinks)
{
    const int count = cols ? m_colCount : m_rowCount;
    if (shrinks && !m_text.isEmpty()) {
        for (auto it = m_text.begin(); it != m_text.end();) {
            const int index = cols ? int(it.key() >> 32) : int(quint32(it.key()));
            if (index >= count)
                it = m_text.erase(it);
            else
                ++it;
        }
    }
    int& current = cols ? m_col : m_row;
    const int first = cols ? firstDataCol() : firstDataRow();
    const int wanted = std::clamp(current, first, count - 1);
    const bool moved = wanted != current;
    current = wanted;
    if (cols)
        m_selEnd.setX(std::clamp(m_selEnd.x(), first, count - 1));
    else
        m_selEnd.setY(std::clamp(m_selEnd.y(), first, count - 1));
    if (moved) {
        m_selEnd = QPoint(m_col, m_row);
        m_handled = QPoint(-1, -1);
    }
    updateScrollBars();
    if (moved)
        scrollIntoView();
    viewport()->update();
}

void BoardGrid::setDefaultColWidth(int width)
{
    // One pixel of grid line and at least one of interior.
    width = std::max(2, width);
    if (width == m_colWidth)
        return;
    m_colWidth = width;
    updateScrollBars();
    viewport()->update();
}

void BoardGrid::setDefaultRowHeight(int height)
{
    height = std::max(2, height);
    if (height == m_rowHeight)
        return;
    m_rowHeight = height;
    updateScrollBars();
    viewport()->update();
}

// ---- texts -----------------------------------------------------------------

QString BoardGrid::cell(int col, int row) const
{
    return m_text.value(key(col, row));
}

void BoardGrid::setCell(int col, int row, const QString& text)
{
    if (col < 0 || row < 0 || col >= m_colCount || row >= m_rowCount)
        return;
    if (text.isEmpty())
        m_text.remove(key(col, row));
    else
        m_text.insert(key(col, row), text);
    updateCell(col, row);
}

void BoardGrid::clearCells()
{
    if (m_text.isEmpty())
        return;
    m_text.clear();
    viewport()->update();
}

// ---- current cell and scrolling -----------------------------------------------

bool BoardGrid::setCol(int col, Notify notify)
{
    if (!moveCurrent(col, m_row))
        return false;
    moved(notify);
    return true;
}

bool BoardGrid::setRow(int row, Notify notify)
{
    if (!moveCurrent(m_col, row))
        return false;
    moved(notify);
    return true;
}

void BoardGrid::moved(Notify notify)
{
    if (notify == Notify::Clicked)
        emitClicked();
    else
        m_handled = QPoint(m_col, m_row); // the owner handles this cell itself
}

bool BoardGrid::moveCurrent(int col, int row)
{
    col = std::clamp(col, firstDataCol(), m_colCount - 1);
    row = std::clamp(row, firstDataRow(), m_rowCount - 1);
    const QRect oldSelection = selection();
    if (col == m_col && row == m_row) {
        if (oldSelection.width() > 1 || oldSelection.height() > 1)
            setSelectionEnd(QPoint(col, row));
        return false;
    }
    m_col = col;
    m_row = row;
    m_selEnd = QPoint(col, row);
    updateRange(oldSelection);
    updateCell(col, row);
    scrollIntoView();
    return true;
}

void BoardGrid::scrollIntoView()
{
    int left = m_leftCol;
    if (m_col >= 1) {
        if (m_col < left)
            left = m_col;
        else if (m_col > left + colPage() - 1)
            left = m_col - colPage() + 1;
    }
    int top = m_topRow;
    if (m_row >= 1) {
        if (m_row < top)
            top = m_row;
        else if (m_row > top + rowPage() - 1)
            top = m_row - rowPage() + 1;
    }
    setTopLeft(left, top);
}

void BoardGrid::setLeftCol(int col)
{
    setTopLeft(col, m_topRow);
}

void BoardGrid::setTopRow(int row)
{
    setTopLeft(m_leftCol, row);
}

void BoardGrid::setTopLeft(int leftCol, int topRow)
{
    leftCol = std::clamp(leftCol, 1, maxLeftCol());
    topRow = std::clamp(topRow, 1, maxTopRow());
    if (leftCol == m_leftCol && topRow == m_topRow)
        return;
    m_leftCol = leftCol;
    m_topRow = topRow;
    m_syncing = true;
    horizontalScrollBar()->setValue(m_leftCol - 1);
    verticalScrollBar()->setValue(m_topRow - 1);
    m_syncing = false;
    viewport()->update();
    emit topLeftChanged();
}

int BoardGrid::colPage() const
{
    return std::max(1, (viewport()->width() - m_colWidth) / m_colWidth);
}

int BoardGrid::rowPage() const
{
    return std::max(1, (viewport()->height() - m_rowHeight) / m_rowHeight);
}

int BoardGrid::maxLeftCol() const
{
    return std::max(1, m_colCount - colPage());
}

int BoardGrid::maxTopRow() const
{
    return std::max(1, m_rowCount - rowPage());
}

int BoardGrid::visibleColCount() const
{
    const int room = std::max(0, (viewport()->width() - m_colWidth) / m_colWidth);
    return std::clamp(m_colCount - m_leftCol, 0, room);
}

int BoardGrid::visibleRowCount() const
{
    const int room = std::max(0, (viewport()->height() - m_rowHeight) / m_rowHeight);
    return std::clamp(m_rowCount - m_topRow, 0, room);
}

void BoardGrid::updateScrollBars()
{
    // Range changes may show or hide a bar, which resizes the viewport and
    // comes back here through resizeEvent; the values settle within a round.
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    m_syncing = true;
    h->setRange(0, maxLeftCol() - 1);
    h->setPageStep(colPage());
    v->setRange(0, maxTopRow() - 1);
    v->setPageStep(rowPage());
    h->setValue(std::clamp(m_leftCol, 1, maxLeftCol()) - 1);
    v->setValue(std::clamp(m_topRow, 1, maxTopRow()) - 1);
    m_syncing = false;
    syncFromScrollBars();
}

void BoardGrid::syncFromScrollBars()
{
    const int left = horizontalScrollBar()->value() + 1;
    const int top = verticalScrollBar()->value() + 1;
    if (left == m_leftCol && top == m_topRow)
        return;
    m_leftCol = left;
    m_topRow = top;
    viewport()->update();
    emit topLeftChanged();
}

void BoardGrid::scrollContentsBy(int, int)
{
    // Bars and wheel scroll in whole cells and leave the current cell alone.
    if (!m_syncing)
        syncFromScrollBars();
}

void BoardGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

// ---- geometry --------------------------------------------------------------

bool BoardGrid::isDataCell(int col, int row) const
{
    return col >= 1 && row >= 1 && col < m_colCount && row < m_rowCount;
}

QRect BoardGrid::outerRect(int col, int row) const
{
    if (col < 0 || row < 0 || col >= m_colCount || row >= m_rowCount)
        return {};
    int i = 0;
    if (col > 0) {
        if (col < m_leftCol)
            return {};
        i = 1 + col - m_leftCol;
    }
    int j = 0;
    if (row > 0) {
        if (row < m_topRow)
            return {};
        j = 1 + row - m_topRow;
    }
    const int x = i * m_colWidth;
    const int y = j * m_rowHeight;
    if (x >= viewport()->width() || y >= viewport()->height())
        return {};
    return QRect(x, y, m_colWidth, m_rowHeight);
}

QRect BoardGrid::cellRect(int col, int row) const
{
    const QRect outer = outerRect(col, row);
    return outer.isNull() ? QRect() : outer.adjusted(0, 0, -1, -1);
}

QPoint BoardGrid::cellAt(const QPoint& pos) const
{
    if (!viewport()->rect().contains(pos))
        return {-1, -1};
    const int i = pos.x() / m_colWidth;
    const int j = pos.y() / m_rowHeight;
    const int col = i == 0 ? 0 : m_leftCol + i - 1;
    const int row = j == 0 ? 0 : m_topRow + j - 1;
    if (col >= m_colCount || row >= m_rowCount)
        return {-1, -1};
    return {col, row};
}

QRect BoardGrid::selection() const
{
    return QRect(QPoint(std::min(m_col, m_selEnd.x()), std::min(m_row, m_selEnd.y())),
                 QPoint(std::max(m_col, m_selEnd.x()), std::max(m_row, m_selEnd.y())));
}

void BoardGrid::setSelectionEnd(const QPoint& end)
{
    if (end == m_selEnd)
        return;
    const QRect old = selection();
    m_selEnd = end;
    updateRange(old.united(selection()));
}

void BoardGrid::updateCell(int col, int row)
{
    const QRect outer = outerRect(col, row);
    if (!outer.isNull())
        viewport()->update(outer);
}

void BoardGrid::updateRange(const QRect& cells)
{
    // Only the visible part of a data range: columns from leftCol, rows from topRow.
    const int c1 = std::max(cells.left(), m_leftCol);
    const int r1 = std::max(cells.top(), m_topRow);
    if (c1 > cells.right() || r1 > cells.bottom())
        return;
    const int x = (1 + c1 - m_leftCol) * m_colWidth;
    const int y = (1 + r1 - m_topRow) * m_rowHeight;
    const int w = (cells.right() - c1 + 1) * m_colWidth;
    const int h = (cells.bottom() - r1 + 1) * m_rowHeight;
    const QRect area = QRect(x, y, w, h) & viewport()->rect();
    if (!area.isEmpty())
        viewport()->update(area);
}

void BoardGrid::setDrawCell(DrawCell hook)
{
    m_drawCell = std::move(hook);
    viewport()->update();
}

QColor BoardGrid::pixelAt(const QPoint& viewportPos)
{
    return viewport()->grab(QRect(viewportPos, QSize(1, 1))).toImage().pixelColor(0, 0);
}

// ---- painting --------------------------------------------------------------

void BoardGrid::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const QRegion& region = event->region();
    const QRect bounds = event->rect();
    const bool checkRegion = region.rectCount() > 1;
    const int vw = viewport()->width();
    const int vh = viewport()->height();
    const int cw = m_colWidth;
    const int rh = m_rowHeight;

    const QPalette& pal = palette();
    const QColor fixedFill = pal.color(QPalette::Button);
    const QColor fixedLine = fixedFill.darker(150);
    const QColor fixedText = pal.color(QPalette::ButtonText);
    const QColor dataFill(255, 255, 255);
    const QColor dataLine(192, 192, 192);
    const QColor dataText(0, 0, 0);
    const QColor rangeFill = pal.color(QPalette::Highlight);
    const QColor rangeText = pal.color(QPalette::HighlightedText);
    const QRect range = selection();
    const bool focused = hasFocus();
    const bool anyText = !m_text.isEmpty();

    // Visual slots: slot 0 is the fixed column/row, slot k shows leftCol+k-1.
    const int slotCols = 1 + std::max(0, m_colCount - m_leftCol);
    const int slotRows = 1 + std::max(0, m_rowCount - m_topRow);
    const int endX = std::min(vw, slotCols * cw);
    const int endY = std::min(vh, slotRows * rh);

    const int i1 = std::max(0, bounds.left() / cw);
    const int i2 = std::min(slotCols - 1, bounds.right() / cw);
    const int j1 = std::max(0, bounds.top() / rh);
    const int j2 = std::min(slotRows - 1, bounds.bottom() / rh);

    for (int j = j1; j <= j2; ++j) {
        const int row = j == 0 ? 0 : m_topRow + j - 1;
        const int y = j * rh;
        for (int i = i1; i <= i2; ++i) {
            const int col = i == 0 ? 0 : m_leftCol + i - 1;
            const int x = i * cw;
            const QRect outer(x, y, cw, rh);
            if (checkRegion && !region.intersects(outer))
                continue;
            const QRect inner(x, y, cw - 1, rh - 1);
            const bool fixed = col == 0 || row == 0;
            const bool current = col == m_col && row == m_row;
            const bool inRange = !fixed && !current && range.contains(col, row);

            p.fillRect(inner, fixed ? fixedFill : inRange ? rangeFill : dataFill);
            const QColor& line = fixed ? fixedLine : dataLine;
            p.fillRect(QRect(x + cw - 1, y, 1, rh), line);
            p.fillRect(QRect(x, y + rh - 1, cw - 1, 1), line);

            if (anyText) {
                const auto it = m_text.constFind(key(col, row));
                if (it != m_text.constEnd()) {
                    p.setPen(fixed ? fixedText : inRange ? rangeText : dataText);
                    p.drawText(inner.adjusted(2, 0, -2, 0),
                               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, it.value());
                }
            }
            if (current && focused && !fixed) {
                // One pixel in from the interior, so the owner's drawing at
                // a few pixels inside stays clear of it.
                p.setPen(QPen(dataText, 1, Qt::DotLine));
                p.setBrush(Qt::NoBrush);
                p.drawRect(inner.adjusted(1, 1, -2, -2));
            }
            if (m_drawCell) {
                p.save();
                p.setClipRect(inner);
                m_drawCell(p, col, row, inner);
                p.restore();
            }
        }
    }

    // Beyond the last column/row.
    const QColor empty = pal.color(QPalette::Window);
    if (endX < vw)
        p.fillRect(QRect(endX, 0, vw - endX, vh) & bounds, empty);
    if (endY < vh)
        p.fillRect(QRect(0, endY, endX, vh - endY) & bounds, empty);
}

void BoardGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    updateCell(m_col, m_row);
}

void BoardGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    updateCell(m_col, m_row);
}

// ---- mouse and keyboard ----------------------------------------------------------

void BoardGrid::emitClicked()
{
    m_handled = QPoint(m_col, m_row);
    emit clicked();
}

void BoardGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        emit contextMenuRequested(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    m_pressed = false;
    const QPoint at = cellAt(event->position().toPoint());
    if (!isDataCell(at.x(), at.y()))
        return;
    moveCurrent(at.x(), at.y());
    m_pressed = true;
}

void BoardGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    // The nearest visible data cell, so a drag past the edges keeps a range.
    const QPoint pos = event->position().toPoint();
    const int x = std::clamp(pos.x(), m_colWidth, std::max(m_colWidth, viewport()->width() - 1));
    const int y = std::clamp(pos.y(), m_rowHeight, std::max(m_rowHeight, viewport()->height() - 1));
    const int col = std::clamp(m_leftCol + x / m_colWidth - 1, firstDataCol(), m_colCount - 1);
    const int row = std::clamp(m_topRow + y / m_rowHeight - 1, firstDataRow(), m_rowCount - 1);
    setSelectionEnd(QPoint(col, row));
}

void BoardGrid::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    emitClicked();
}

void BoardGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint at = cellAt(event->position().toPoint());
    const QPoint current(m_col, m_row);
    if (isDataCell(at.x(), at.y()) && at == current && m_handled == current) {
        event->accept();
        m_pressed = false;
        emit doubleClicked();
        return;
    }
    // The first click did not end on this cell (it scrolled the grid, or
    // landed elsewhere): take this as a fresh click.
    mousePressEvent(event);
}

void BoardGrid::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    // Mouse requests go out at the right press already.
    if (event->reason() == QContextMenuEvent::Mouse)
        return;
    const QRect r = cellRect(m_col, m_row);
    const QPoint local = r.isNull() ? viewport()->rect().center() : r.center();
    emit contextMenuRequested(viewport()->mapToGlobal(local));
}

void BoardGrid::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int col = m_col;
    int row = m_row;
    switch (event->key()) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_PageUp:
        row -= rowPage();
        setTopRow(m_topRow - rowPage());
        break;
    case Qt::Key_PageDown:
        row += rowPage();
        setTopRow(m_topRow + rowPage());
        break;
    case Qt::Key_Home:
        col = firstDataCol();
        if (ctrl)
            row = firstDataRow();
        break;
    case Qt::Key_End:
        col = m_colCount - 1;
        if (ctrl)
            row = m_rowCount - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    if (moveCurrent(col, row))
        emitClicked();
}

} // namespace platform
