#include "Colors.h"

#include <QColor>
#include <QPalette>

namespace velk {

QColor ToQColor(TColor Color, const QPalette& Palette)
{
    if (Color == clNone)
        return QColor(Qt::transparent);
    if (Color & 0x80000000u) {
        switch (Color) {
        case clBtnFace: return Palette.color(QPalette::Button);
        case clBtnShadow: return Palette.color(QPalette::Dark);
        case clWindow: return Palette.color(QPalette::Base);
        case clWindowText: return Palette.color(QPalette::WindowText);
        case clHighlight: return Palette.color(QPalette::Highlight);
        case clHighlightText: return Palette.color(QPalette::HighlightedText);
        case clGrayText: return Palette.color(QPalette::Disabled, QPalette::Text);
        case clBtnText: return Palette.color(QPalette::ButtonText);
        default: return Palette.color(QPalette::Window);
        }
    }
    return QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}

}  // namespace velk
