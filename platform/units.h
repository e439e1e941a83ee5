#pragma once

#include <QColor>
#include <cstdint>

// Window measures and colours in the units the window layouts are written in.
namespace platform
{

// Layouts are in twips: 1/1440 inch, 15 to the logical pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

constexpr int toPixels(double twips)
{
    const double px = twips / kTwipsPerPixel;
    return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5);
}
constexpr int toTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

// Font sizes are given in points at 96 dots per inch; they are applied as pixel sizes so that
// text keeps its place in the twip layout whatever the desktop's font resolution.
constexpr int pointsToPixels(double points)
{
    return static_cast<int>(points * 96.0 / 72.0 + 0.5);
}

// A colour value in the layout 0x00BBGGRR, red in the low byte.
using ColorValue = std::int32_t;

constexpr ColorValue rgbValue(int r, int g, int b)
{
    auto clamp = [](int c) { return c < 0 ? 0 : (c > 255 ? 255 : c); };
    return clamp(r) | (clamp(g) << 8) | (clamp(b) << 16);
}
inline QColor toQColor(ColorValue v)
{
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}
inline ColorValue fromQColor(const QColor &c)
{
    return rgbValue(c.red(), c.green(), c.blue());
}

} // namespace platform
