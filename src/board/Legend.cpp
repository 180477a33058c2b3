#include "board/Legend.h"

#include <QPainter>

namespace board {

namespace {

constexpr int kMargin = 4;
constexpr int kSwatch = 14;
constexpr int kGap = 4;
constexpr int kSpacing = 14;
constexpr int kRowHeight = (ManagerLegend::kReservedHeight - 2 * kMargin) / 2;

} // namespace

ManagerLegend::ManagerLegend(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setFixedHeight(0);
}

void ManagerLegend::fitHeight()
{
    const int h = heightFor(width());
    if (h != height() || minimumHeight() != h)
        setFixedHeight(h);
}

void ManagerLegend::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitHeight();
}

bool ManagerLegend::setEntries(std::vector<LegendEntry> entries)
{
    if (entries == m_entries)
        return false;
    m_entries = std::move(entries);
    fitHeight();
    update();
    return true;
}

QString ManagerLegend::entryText(const LegendEntry& entry)
{
    return QStringLiteral("%1. %2").arg(entry.manager).arg(entry.name);
}

std::vector<QRect> ManagerLegend::layout(int width) const
{
    std::vector<QRect> rects;
    const QFontMetrics metrics(font());
    int x = kMargin;
    int y = kMargin;
    for (const LegendEntry& e : m_entries) {
        const int w = kSwatch + kGap + metrics.horizontalAdvance(entryText(e));
        if (x > kMargin && x + w > width - kMargin) {
            x = kMargin;
            y += kRowHeight;
        }
        rects.emplace_back(x, y, w, kRowHeight);
        x += w + kSpacing;
    }
    return rects;
}

int ManagerLegend::heightFor(int width) const
{
    if (m_entries.empty())
        return 0;
    return layout(width).back().bottom() + 1 + kMargin;
}

QRect ManagerLegend::entryRect(int i) const
{
    const std::vector<QRect> rects = layout(width());
    return i >= 0 && i < int(rects.size()) ? rects[size_t(i)] : QRect();
}

void ManagerLegend::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const std::vector<QRect> rects = layout(width());
    const QColor text = palette().color(QPalette::WindowText);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const LegendEntry& e = m_entries[i];
        const QRect& r = rects[i];
        const QRect swatch(r.left(), r.top() + (kRowHeight - kSwatch) / 2, kSwatch, kSwatch);
        if (e.color.isValid() && e.color.alpha() > 0)
            p.fillRect(swatch, e.color);
        p.setPen(text);
        p.setBrush(Qt::NoBrush);
        p.drawRect(swatch.adjusted(0, 0, -1, -1));
        p.drawText(QRect(swatch.right() + 1 + kGap, r.top(), r.width() - kSwatch - kGap, kRowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entryText(e));
    }
}

} // namespace board
