#pragma once
// Twips (1/1440 inch), the unit stored column widths and layouts are given
// in, and pixels in a widget's font. The stored sizes were laid out for an
// 8-point dialog font whose letters average 6 pixels across and whose lines
// are 13 pixels high at 96 dots per inch (15 twips a pixel). A widget whose
// font is wider or taller gets proportionally larger sizes, so that a text
// that fitted a stored size still fits it.

#include <QFontMetricsF>
#include <QString>
#include <QWidget>
#include <cmath>

namespace ui {

inline constexpr double DesignTwipsPerPixel = 15.0;
inline constexpr double DesignLetterWidth = 6.0; // pixels
inline constexpr double DesignLineHeight = 13.0; // pixels

// The average width of a letter in the font, as dialog units measure it.
inline double LetterWidth(const QFontMetricsF& metrics)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const double width = metrics.horizontalAdvance(letters) / double(letters.size());
    return width > 0 ? width : DesignLetterWidth;
}

// Twips in one pixel of the font across, and down.
inline double TwipsPerPixelX(const QFontMetricsF& metrics)
{
    return DesignTwipsPerPixel * DesignLetterWidth / LetterWidth(metrics);
}

inline double TwipsPerPixelY(const QFontMetricsF& metrics)
{
    const double height = metrics.height() > 0 ? metrics.height() : DesignLineHeight;
    return DesignTwipsPerPixel * DesignLineHeight / height;
}

// Widths (across) in the widget's font.
inline int TwipsToPixels(int twips, const QWidget* widget)
{
    return int(std::lround(double(twips) / TwipsPerPixelX(QFontMetricsF(widget->font(), widget))));
}

inline int PixelsToTwips(int pixels, const QWidget* widget)
{
    return int(std::lround(double(pixels) * TwipsPerPixelX(QFontMetricsF(widget->font(), widget))));
}

// Heights (down) in the widget's font.
inline int TwipsToPixelsY(int twips, const QWidget* widget)
{
    return int(std::lround(double(twips) / TwipsPerPixelY(QFontMetricsF(widget->font(), widget))));
}

} // namespace ui
