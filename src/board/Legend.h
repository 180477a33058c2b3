#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

namespace board {

// One manager of conf.ini's colours: number, name, colour (none: no fill).
struct LegendEntry {
    int manager = 0;
    QString name;
    QColor color;
    bool operator==(const LegendEntry&) const = default;
};

// Whose colour is whose: a swatch and "number. name" per manager, in rows
// that wrap at the widget's width.
class ManagerLegend : public QWidget {
    Q_OBJECT
public:
    explicit ManagerLegend(QWidget* parent = nullptr);

    // What the window sets aside for it: two rows.
    static constexpr int kReservedHeight = 48;

    // True when they differ from the ones shown (the height may change).
    bool setEntries(std::vector<LegendEntry> entries);
    const std::vector<LegendEntry>& entries() const { return m_entries; }

    // The height the entries take at a width; 0 without entries.
    int heightFor(int width) const;
    // Where entry i is drawn at the current width: swatch and text.
    QRect entryRect(int i) const;
    static QString entryText(const LegendEntry& entry);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The height follows the entries and the width.
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QRect> layout(int width) const;
    void fitHeight();

    std::vector<LegendEntry> m_entries;
};

} // namespace board
