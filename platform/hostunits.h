#pragma once
// Lengths and colours as the host writes them. Lengths are twips (1/1440 inch: 15 per
// pixel at 96 dpi, scaled with the screen's logical dpi); colours are 0x00BBGGRR numbers,
// or a system colour (0x8000nnnn) that stands for a colour of the palette. A control's
// place (Left, Top, Width, Height) is kept in twips, so that numbers written read back.

#include "zevaplatform_export.h"

#include <QColor>
#include <QPalette>

class QWidget;

namespace zeva {

// The logical dpi that twips are scaled with: the widget's, else the primary screen's,
// else 96.
ZEVA_PLATFORM_EXPORT qreal twipsDpi(const QWidget *widget = nullptr);

// Twips to pixels and back, rounded to the nearest whole number (halves away from zero).
ZEVA_PLATFORM_EXPORT int twipsToPixels(int twips, const QWidget *widget = nullptr);
ZEVA_PLATFORM_EXPORT int pixelsToTwips(int pixels, const QWidget *widget = nullptr);

// A control's place in its container, in twips.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const TwipsRect &, const TwipsRect &) = default;
};

// A line control's end points (X1, Y1, X2, Y2), in twips.
struct TwipsLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    friend bool operator==(const TwipsLine &, const TwipsLine &) = default;
};

// The place last set in twips, while the control's pixels are still the ones it gave;
// a control placed in pixels (by a layout, a user, ...) reads as its pixels in twips.
ZEVA_PLATFORM_EXPORT TwipsRect twipsGeometry(const QWidget *control);
// Places the control at the nearest pixels (edges rounded, so neighbours stay flush).
// A negative width or height is refused, as a control refuses it: false, nothing moves.
ZEVA_PLATFORM_EXPORT bool setTwipsGeometry(QWidget *control, const TwipsRect &place);
// A line's end points as last set; for a control never set so, its rectangle's corners.
// The control spans the pixels between the two points; drawing the line is its own.
ZEVA_PLATFORM_EXPORT TwipsLine twipsLine(const QWidget *line);
ZEVA_PLATFORM_EXPORT void setTwipsLine(QWidget *line, const TwipsLine &points);

// The colour a host colour number names: the red, green and blue bytes of 0x00BBGGRR, or
// for a system colour the palette's colour of that role (the platform's numbering: 5 the
// window, 8 the window text, 15 a button face, ...).
ZEVA_PLATFORM_EXPORT QColor hostColor(quint32 colour, const QPalette &palette = QPalette());

} // namespace zeva
