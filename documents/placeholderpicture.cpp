#include "placeholderpicture.h"

#include <QPainter>
#include <QPainterPath>

namespace zeva {

QPixmap placeholderPicture()
{
    // A framed landscape with a question mark: "there is a picture here, but not one we can show".
    QPixmap pixmap(96, 96);
    pixmap.fill(QColor(0xf4, 0xf4, 0xf4));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 2));
    p.drawRect(QRectF(8, 14, 80, 64));
    QPainterPath hills;
    hills.moveTo(10, 76);
    hills.lineTo(34, 48);
    hills.lineTo(50, 64);
    hills.lineTo(62, 52);
    hills.lineTo(86, 76);
    hills.closeSubpath();
    p.fillPath(hills, QColor(0xb8, 0xc4, 0xb0));
    p.setBrush(QColor(0xe0, 0xc0, 0x60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(66, 32), 7, 7);
    p.setPen(QColor(0x60, 0x60, 0x60));
    QFont font = p.font();
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(8, 14, 80, 64), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

} // namespace zeva
