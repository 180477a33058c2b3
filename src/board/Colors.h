#pragma once

#include <QColor>
#include <QString>

// Manager colours as conf.ini writes them, and what the board paints for them.
namespace board {

// A colour name such as "clRed" or integer text. Bits 0-7 hold red, 8-15
// green, 16-23 blue; a negative value names a system colour by its low byte.
qint32 strToColor(const QString& text);

inline constexpr qint32 kColorNone = 0x1FFFFFFF;
inline constexpr qint32 kColorDefault = 0x20000000;

// clNone is no fill at all: colorToQColor gives transparent for it, and
// painters should skip the fill instead.
bool colorIsNone(qint32 value);
// clDefault paints white, the classic window colour.
QColor colorToQColor(qint32 value);

} // namespace board
