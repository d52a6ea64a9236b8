#include "hostunits.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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
