#pragma once
// Colours are 32-bit values: 0x00BBGGRR for an explicit colour, the high bit set for one of the
// desktop's named colours, and clNone for "draw nothing". Stored settings and saved layouts
// carry these numbers, so they keep their old encoding; QColor appears only at drawing time.
#include <cstdint>

class QColor;
class QPalette;

namespace velk {

using TColor = uint32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clHighlight = 0x8000000D;
constexpr TColor clHighlightText = 0x8000000E;
constexpr TColor clGrayText = 0x80000011;
constexpr TColor clBtnText = 0x80000012;

constexpr TColor RGBColor(uint8_t R, uint8_t G, uint8_t B) { return R | (G << 8) | (static_cast<uint32_t>(B) << 16); }

constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clWhite = RGBColor(255, 255, 255);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clLime = RGBColor(0, 255, 0);
constexpr TColor clGreen = RGBColor(0, 128, 0);

// The one place where named colours meet the desktop palette. clNone maps to a transparent
// colour; callers test for clNone before drawing.
QColor ToQColor(TColor Color, const QPalette& Palette);

}  // namespace velk
