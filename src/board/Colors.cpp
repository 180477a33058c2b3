#include "board/Colors.h"

#include "app/ConfIni.h"

#include <QGuiApplication>
#include <QPalette>

#include <iterator>

namespace board {

namespace {

constexpr quint32 kSystemColor = 0xFF000000u;

struct NamedColor {
    const char* name;
    quint32 value;
};

constexpr NamedColor kColorNames[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clDefault", quint32(kColorDefault)}, {"clNone", quint32(kColorNone)},
    {"clScrollBar", kSystemColor | 0}, {"clBackground", kSystemColor | 1},
    {"clActiveCaption", kSystemColor | 2}, {"clInactiveCaption", kSystemColor | 3},
    {"clMenu", kSystemColor | 4}, {"clWindow", kSystemColor | 5},
    {"clWindowFrame", kSystemColor | 6}, {"clMenuText", kSystemColor | 7},
    {"clWindowText", kSystemColor | 8}, {"clCaptionText", kSystemColor | 9},
    {"clActiveBorder", kSystemColor | 10}, {"clInactiveBorder", kSystemColor | 11},
    {"clAppWorkSpace", kSystemColor | 12}, {"clHighlight", kSystemColor | 13},
    {"clHighlightText", kSystemColor | 14}, {"clBtnFace", kSystemColor | 15},
    {"clBtnShadow", kSystemColor | 16}, {"clGrayText", kSystemColor | 17},
    {"clBtnText", kSystemColor | 18}, {"clInactiveCaptionText", kSystemColor | 19},
    {"clBtnHighlight", kSystemColor | 20}, {"cl3DDkShadow", kSystemColor | 21},
    {"cl3DLight", kSystemColor | 22}, {"clInfoText", kSystemColor | 23},
    {"clInfoBk", kSystemColor | 24}, {"clHotLight", kSystemColor | 26},
    {"clGradientActiveCaption", kSystemColor | 27},
    {"clGradientInactiveCaption", kSystemColor | 28},
    {"clMenuHighlight", kSystemColor | 29}, {"clMenuBar", kSystemColor | 30},
};

constexpr int kNoRole = -1;

struct SystemColor {
    int role; // QPalette::ColorRole, or kNoRole where the palette has no match
    QPalette::ColorGroup group;
    QRgb classic; // the Windows classic scheme, for use without a GUI application
};

constexpr QPalette::ColorGroup A = QPalette::Active;

const SystemColor kSystemColors[] = {
    /* 0 scroll bar */ {QPalette::Button, A, qRgb(212, 208, 200)},
    /* 1 desktop */ {kNoRole, A, qRgb(58, 110, 165)},
    /* 2 active caption */ {QPalette::Highlight, A, qRgb(10, 36, 106)},
    /* 3 inactive caption */ {QPalette::Mid, A, qRgb(128, 128, 128)},
    /* 4 menu */ {QPalette::Window, A, qRgb(212, 208, 200)},
    /* 5 window */ {QPalette::Base, A, qRgb(255, 255, 255)},
    /* 6 window frame */ {QPalette::Shadow, A, qRgb(0, 0, 0)},
    /* 7 menu text */ {QPalette::WindowText, A, qRgb(0, 0, 0)},
    /* 8 window text */ {QPalette::WindowText, A, qRgb(0, 0, 0)},
    /* 9 caption text */ {QPalette::HighlightedText, A, qRgb(255, 255, 255)},
    /* 10 active border */ {QPalette::Window, A, qRgb(212, 208, 200)},
    /* 11 inactive border */ {QPalette::Window, A, qRgb(212, 208, 200)},
    /* 12 application workspace */ {QPalette::Mid, A, qRgb(128, 128, 128)},
    /* 13 highlight */ {QPalette::Highlight, A, qRgb(10, 36, 106)},
    /* 14 highlight text */ {QPalette::HighlightedText, A, qRgb(255, 255, 255)},
    /* 15 button face */ {QPalette::Button, A, qRgb(212, 208, 200)},
    /* 16 button shadow */ {QPalette::Dark, A, qRgb(128, 128, 128)},
    /* 17 grey text */ {QPalette::Text, QPalette::Disabled, qRgb(128, 128, 128)},
    /* 18 button text */ {QPalette::ButtonText, A, qRgb(0, 0, 0)},
    /* 19 inactive caption text */ {kNoRole, A, qRgb(212, 208, 200)},
    /* 20 button highlight */ {QPalette::Light, A, qRgb(255, 255, 255)},
    /* 21 3D dark shadow */ {QPalette::Shadow, A, qRgb(64, 64, 64)},
    /* 22 3D light */ {QPalette::Midlight, A, qRgb(212, 208, 200)},
    /* 23 tooltip text */ {QPalette::ToolTipText, A, qRgb(0, 0, 0)},
    /* 24 tooltip background */ {QPalette::ToolTipBase, A, qRgb(255, 255, 225)},
    /* 25 unassigned */ {kNoRole, A, qRgb(192, 192, 192)},
    /* 26 hot-tracked item */ {QPalette::Link, A, qRgb(0, 0, 128)},
    /* 27 active caption gradient */ {kNoRole, A, qRgb(166, 202, 240)},
    /* 28 inactive caption gradient */ {kNoRole, A, qRgb(192, 192, 192)},
    /* 29 menu highlight */ {QPalette::Highlight, A, qRgb(10, 36, 106)},
    /* 30 menu bar */ {QPalette::Window, A, qRgb(212, 208, 200)},
};

constexpr QRgb kUnknownSystemColor = qRgb(192, 192, 192);

} // namespace

qint32 strToColor(const QString& text)
{
    for (const NamedColor& c : kColorNames) {
        const QLatin1String name(c.name);
        if (name.size() == text.size() && text.compare(name, Qt::CaseInsensitive) == 0)
            return qint32(c.value);
    }
    return app::strToInt(text);
}

bool colorIsNone(qint32 value)
{
    return value == kColorNone;
}

QColor colorToQColor(qint32 value)
{
    if (value == kColorNone)
        return QColor(Qt::transparent);
    if (value == kColorDefault)
        return QColor(Qt::white);
    if (value >= 0) {
        // The top byte of a non-negative value carries no colour.
        return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    }
    const int index = value & 0xFF;
    if (index >= int(std::size(kSystemColors)))
        return QColor(kUnknownSystemColor);
    const SystemColor& sys = kSystemColors[index];
    if (sys.role != kNoRole && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QGuiApplication::palette().color(sys.group, QPalette::ColorRole(sys.role));
    return QColor(sys.classic);
}

} // namespace board
