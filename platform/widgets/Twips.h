#pragma once
// Twips (1/1440 inch, the unit stored column widths and layouts are given
// in) and pixels at a widget's resolution.

#include <QWidget>
#include <cmath>

namespace ui {

inline constexpr double TwipsPerInch = 1440.0;

inline int TwipsToPixels(int twips, double dpi)
{
    return int(std::lround(double(twips) * dpi / TwipsPerInch));
}

inline int PixelsToTwips(int pixels, double dpi)
{
    return int(std::lround(double(pixels) * TwipsPerInch / dpi));
}

// The horizontal resolution the widget is drawn at (96 on the offscreen
// platform).
inline double WidgetDpi(const QWidget* widget)
{
    const int dpi = widget ? widget->logicalDpiX() : 96;
    return dpi > 0 ? double(dpi) : 96.0;
}

inline int TwipsToPixels(int twips, const QWidget* widget)
{
    return TwipsToPixels(twips, WidgetDpi(widget));
}

inline int PixelsToTwips(int pixels, const QWidget* widget)
{
    return PixelsToTwips(pixels, WidgetDpi(widget));
}

} // namespace ui
