#pragma once
// Lengths and colours as the host writes them. Lengths are twips (1/1440 inch: 15 per
// pixel at 96 dpi, scaled with the screen's logical dpi); colours are 0x00BBGGRR numbers,
// or a system colour (0x8000nnnn) that stands for a colour of the palette.

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

// The colour a host colour number names: the red, green and blue bytes of 0x00BBGGRR, or
// for a system colour the palette's colour of that role (the platform's numbering: 5 the
// window, 8 the window text, 15 a button face, ...).
ZEVA_PLATFORM_EXPORT QColor hostColor(quint32 colour, const QPalette &palette = QPalette());

} // namespace zeva
