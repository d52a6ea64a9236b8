#include "hostunits.h"

#include <QGuiApplication>
#include <QLine>
#include <QRect>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace zeva {

qreal twipsDpi(const QWidget *widget)
{
    if (widget && widget->logicalDpiY() > 0)
        return widget->logicalDpiY();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInch();
    return 96;
}

int twipsToPixels(int twips, const QWidget *widget)
{
    return int(std::lround(twips * twipsDpi(widget) / 1440.0));
}

int pixelsToTwips(int pixels, const QWidget *widget)
{
    return int(std::lround(pixels * 1440.0 / twipsDpi(widget)));
}

namespace {

// The twips a control was placed at, and the pixels that gave, as dynamic properties:
// the twips count only while the pixels are unchanged.
constexpr char kTwips[] = "zevaTwips";
constexpr char kTwipsPixels[] = "zevaTwipsPixels";
constexpr char kTwipsLine[] = "zevaTwipsLine";

} // namespace

TwipsRect twipsGeometry(const QWidget *control)
{
    const QRect pixels = control->geometry();
    const QVariant twips = control->property(kTwips);
    if (twips.isValid() && control->property(kTwipsPixels).toRect() == pixels) {
        const QRect r = twips.toRect();
        return {r.x(), r.y(), r.width(), r.height()};
    }
    return {pixelsToTwips(pixels.x(), control), pixelsToTwips(pixels.y(), control), pixelsToTwips(pixels.width(), control),
            pixelsToTwips(pixels.height(), control)};
}

bool setTwipsGeometry(QWidget *control, const TwipsRect &place)
{
    if (place.width < 0 || place.height < 0)
        return false;
    const int left = twipsToPixels(place.left, control);
    const int top = twipsToPixels(place.top, control);
    const QRect pixels(left, top, twipsToPixels(place.left + place.width, control) - left,
                       twipsToPixels(place.top + place.height, control) - top);
    // Recorded first: a resize handler that reads the place sees the new one.
    control->setProperty(kTwips, QRect(place.left, place.top, place.width, place.height));
    control->setProperty(kTwipsPixels, pixels);
    control->setGeometry(pixels);
    return true;
}

TwipsLine twipsLine(const QWidget *line)
{
    const QVariant points = line->property(kTwipsLine);
    if (points.isValid()) {
        const QLine l = points.toLine();
        return {l.x1(), l.y1(), l.x2(), l.y2()};
    }
    const TwipsRect r = twipsGeometry(line);
    return {r.left, r.top, r.left + r.width, r.top + r.height};
}

void setTwipsLine(QWidget *line, const TwipsLine &points)
{
    line->setProperty(kTwipsLine, QLine(points.x1, points.y1, points.x2, points.y2));
    const int left = twipsToPixels(std::min(points.x1, points.x2), line);
    const int top = twipsToPixels(std::min(points.y1, points.y2), line);
    // One pixel more than the span, so that a level line still shows.
    line->setGeometry(left, top, twipsToPixels(std::max(points.x1, points.x2), line) - left + 1,
                      twipsToPixels(std::max(points.y1, points.y2), line) - top + 1);
}

QColor hostColor(quint32 colour, const QPalette &palette)
{
    if (colour & 0x80000000u) {
        // The platform's system colours, by their numbers.
        static const QPalette::ColorRole roles[] = {
            QPalette::Button,          // 0 scroll bar
            QPalette::Window,          // 1 desktop
            QPalette::Highlight,       // 2 active caption
            QPalette::Mid,             // 3 inactive caption
            QPalette::Window,          // 4 menu
            QPalette::Base,            // 5 window
            QPalette::Shadow,          // 6 window frame
            QPalette::WindowText,      // 7 menu text
            QPalette::Text,            // 8 window text
            QPalette::HighlightedText, // 9 caption text
            QPalette::Button,          // 10 active border
            QPalette::Button,          // 11 inactive border
            QPalette::Mid,             // 12 application workspace
            QPalette::Highlight,       // 13 highlight
            QPalette::HighlightedText, // 14 highlighted text
            QPalette::Button,          // 15 button face
            QPalette::Dark,            // 16 button shadow
            QPalette::PlaceholderText, // 17 grey text
            QPalette::ButtonText,      // 18 button text
            QPalette::Text,            // 19 inactive caption text
            QPalette::Light,           // 20 button highlight
            QPalette::Shadow,          // 21 dark shadow
            QPalette::Midlight,        // 22 light
            QPalette::ToolTipText,     // 23 tooltip text
            QPalette::ToolTipBase,     // 24 tooltip background
        };
        const quint32 index = colour & 0xFFu;
        return palette.color(index < std::size(roles) ? roles[index] : QPalette::Button);
    }
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

} // namespace zeva
