#include "splitter.h"

#include "controlplace_p.h"
#include "formcontrol.h"
#include "hostunits.h"
#include "propertybag.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <cstdint>
#include <optional>

namespace zeva {

namespace {

// The controls of a container in its collection order: a form's own collection, else
// every widget beneath it that is a control (it has a type name), in the order of its
// children (the order they were made, unless one was raised since).
QList<QWidget *> controlsOf(const QWidget *container)
{
    if (const auto *form = qobject_cast<const FormControl *>(container))
        return form->IDesignUI_Controls();
    QList<QWidget *> controls;
    for (QWidget *w : container->findChildren<QWidget *>()) {
        if (w->property("zevaType").isValid())
            controls.append(w);
    }
    return controls;
}

// The container's Width and ScaleWidth (inside its frame), Height and ScaleHeight.
int containerWidth(const QWidget *c) { return twipsGeometry(c).width; }
int containerHeight(const QWidget *c) { return twipsGeometry(c).height; }
int scaleWidth(const QWidget *c) { return containerWidth(c) - pixelsToTwips(c->width() - c->contentsRect().width(), c); }
int scaleHeight(const QWidget *c) { return containerHeight(c) - pixelsToTwips(c->height() - c->contentsRect().height(), c); }

std::optional<bool> booleanFrom(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok ? std::optional<bool>(n != 0) : std::nullopt;
}

} // namespace

Splitter::Splitter(QWidget *parent)
    : QWidget(parent)
{
    setProperty("zevaType", QStringLiteral("Splitter"));
    setCursor(Qt::SplitHCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Splitter::setControlName1(const QString &name)
{
    m_controlName1 = name;
    if (QWidget *found = findControl(name))
        m_control1 = found;
    emit propertyChanged(QStringLiteral("ControlName1"));
}

void Splitter::setControlName2(const QString &name)
{
    m_controlName2 = name;
    if (QWidget *found = findControl(name))
        m_control2 = found;
    emit propertyChanged(QStringLiteral("ControlName2"));
}

void Splitter::setSplitterWidth(int16_t width)
{
    m_splitterWidth = width;
    setSize(width, twipsGeometry(this).height);
    emit propertyChanged(QStringLiteral("SplitterWidth"));
}

void Splitter::setControlVisible1(bool visible)
{
    setControlVisible(1, visible);
}

void Splitter::setControlVisible2(bool visible)
{
    setControlVisible(2, visible);
}

void Splitter::setControlVisible(int which, bool visible)
{
    (which == 1 ? m_controlVisible1 : m_controlVisible2) = visible;
    QWidget *control = which == 1 ? m_control1 : m_control2;
    if (control)
        control->setVisible(visible);
    // Shown again, the bar returns to where it was while both were shown.
    if (visible)
        setPlace(this, &TwipsRect::left, m_savedLeft);
    m_adjustHeight = false;
    Resize();
    emit Moving(m_tracking, m_offset);
}

void Splitter::setBackColor(uint32_t colour)
{
    m_backColor = colour;
    update();
}

QWidget *Splitter::findControl(const QString &name) const
{
    // No control is named "": empty names (the form's Sp) find nothing.
    const QWidget *container = parentWidget();
    if (!container || name.isEmpty())
        return nullptr;
    for (QWidget *w : controlsOf(container)) {
        if (w != this && w->objectName() == name)
            return w;
    }
    return nullptr;
}

int Splitter::boundingWidth()
{
    const QList<QWidget *> controls = controlsOf(parentWidget());
    const qsizetype at = controls.indexOf(this);
    return at > 0 ? twipsGeometry(controls.at(at - 1)).width : containerWidth(parentWidget());
}

void Splitter::setSize(int width, int height)
{
    TwipsRect r = twipsGeometry(this);
    const TwipsRect before = r;
    r.width = width;
    r.height = height;
    m_sizing = true;
    const bool placed = setTwipsGeometry(this, r);
    m_sizing = false;
    // The handler runs whether or not the pixels changed, and whether or not the bar is
    // shown yet (Qt would send a hidden widget its resize only when it is shown).
    if (placed && (r.width != before.width || r.height != before.height))
        barResized();
}

void Splitter::Resize()
{
    const QWidget *container = parentWidget();
    if (!container)
        return;
    const TwipsRect bar = twipsGeometry(this);
    int left = 0;
    if (!m_controlVisible2) {
        left = containerWidth(container);
    } else if (!m_controlVisible1) {
        left = -m_splitterWidth;
    } else {
        if (m_parentWidth == 0)
            return;   // nothing to keep in proportion yet
        left = int(std::lround(double(containerWidth(container)) * bar.left / m_parentWidth));
        if (left < MinLeft)
            left = MinLeft;
        else if (scaleWidth(container) - left - bar.width < MinRight)
            left = scaleWidth(container) - MinRight - bar.width;
        m_savedLeft = left;
    }
    setPlace(this, &TwipsRect::left, left);
    if (m_adjustHeight) {
        const int height = containerHeight(container) - m_heightGap;
        setSize(twipsGeometry(this).width, height >= 1 ? height : 0);
    }
    m_adjustHeight = true;
    m_parentHeight = containerHeight(container);
    m_parentWidth = containerWidth(container);
    Arrange(0);
}

void Splitter::Arrange(int offset)
{
    const QWidget *container = parentWidget();
    if (!container)
        return;
    const TwipsRect before = twipsGeometry(this);
    setSize(before.width, scaleHeight(container) - before.top - 40);
    setPlace(this, &TwipsRect::left, twipsGeometry(this).left + offset);
    if (!m_control1)
        m_control1 = findControl(m_controlName1);
    if (!m_control2)
        m_control2 = findControl(m_controlName2);
    const TwipsRect bar = twipsGeometry(this);

    if (!m_controlVisible2) {
        if (m_controlVisible1) {
            setPlace(m_control1, &TwipsRect::width, scaleWidth(container));
            setPlace(m_control1, &TwipsRect::height, bar.height);
        }
    } else if (m_control2) {
        const int width = std::max(scaleWidth(container) - bar.left - bar.width - 40, MinRight);
        // Growing, the width goes first; shrinking, the edge: either way the control
        // never covers the bar on its way.
        if (offset <= 0) {
            setPlace(m_control2, &TwipsRect::width, width);
            setPlace(m_control2, &TwipsRect::left, bar.left + bar.width);
        } else {
            setPlace(m_control2, &TwipsRect::left, bar.left + bar.width);
            setPlace(m_control2, &TwipsRect::width, width);
        }
        setPlace(m_control2, &TwipsRect::height, bar.height);
        setPlace(m_control2, &TwipsRect::top, bar.top);
    }

    if (!m_controlVisible1) {
        if (m_controlVisible2) {
            setPlace(m_control2, &TwipsRect::left, 0);
            setPlace(m_control2, &TwipsRect::width, scaleWidth(container));
            setPlace(m_control2, &TwipsRect::height, bar.height);
        }
    } else if (m_control1) {
        setPlace(m_control1, &TwipsRect::left, 0);
        setPlace(m_control1, &TwipsRect::top, bar.top - 30);
        setPlace(m_control1, &TwipsRect::width, bar.left - twipsGeometry(m_control1).left);
        setPlace(m_control1, &TwipsRect::height, bar.height);
    }
    emit Moving(m_tracking, m_offset);
}

void Splitter::barResized()
{
    const QWidget *container = parentWidget();
    if (!container)
        return;
    if (twipsGeometry(this).width != m_splitterWidth) {
        TwipsRect r = twipsGeometry(this);
        r.width = m_splitterWidth;
        m_sizing = true;
        setTwipsGeometry(this, r);
        m_sizing = false;
    }
    m_parentWidth = containerWidth(container);
    m_parentHeight = containerHeight(container);
    m_heightGap = containerHeight(container) - twipsGeometry(this).height;
    if (m_control1 && m_control2)
        Arrange(0);
}

void Splitter::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Someone else sized the bar (the owner's layout, say); its own sizing runs the
    // handler itself.
    if (!m_sizing)
        barResized();
}

void Splitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_tracking = true;
}

void Splitter::mouseMoveEvent(QMouseEvent *event)
{
    // The pointer's distance from the bar's left edge in whole twips (fractional pixels
    // count, and 80 twips read as 80 whatever the pixel size).
    int offset = int(std::lround(event->position().x() * 1440.0 / twipsDpi(this)));
    if (!m_tracking || std::abs(offset) < MinMove || !parentWidget())
        return;
    const TwipsRect bar = twipsGeometry(this);
    const int left = bar.left + offset;
    if (left < MinLeft) {
        setPlace(this, &TwipsRect::left, MinLeft);
        offset = 0;
    } else if (const int room = boundingWidth(); room - left - bar.width < MinRight) {
        setPlace(this, &TwipsRect::left, room - MinRight - bar.width);
        offset = 0;
    }
    m_savedLeft = twipsGeometry(this).left;
    Arrange(offset);
    m_offset = offset;
    emit Moving(true, m_offset);
    m_offset = 0;
}

void Splitter::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_tracking = false;
    Arrange(0);
    emit MoveUpIng(true, m_offset);
}

void Splitter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), hostColor(m_backColor, palette()));
    // A grip in the middle, so the bar reads as something to drag.
    const int middle = height() / 2;
    painter.setPen(palette().color(QPalette::Mid));
    for (int dy = -8; dy <= 8; dy += 4)
        painter.drawPoint(width() / 2, middle + dy);
}

void Splitter::ReadProperties(const PropertyBag &bag)
{
    if (auto v = bag.readProperty(QStringLiteral("ControlName1"), QString()))
        m_controlName1 = v->toString();
    if (auto v = bag.readProperty(QStringLiteral("ControlName2"), QString()))
        m_controlName2 = v->toString();
    if (auto v = bag.readProperty(QStringLiteral("SplitterWidth"), 0)) {
        bool ok = false;
        const int width = v->toInt(&ok);
        if (ok && width >= INT16_MIN && width <= INT16_MAX) {
            m_splitterWidth = int16_t(width);
            setSize(width, twipsGeometry(this).height);
        }
    }
    if (auto v = bag.readProperty(QStringLiteral("ControlVisible1"), false))
        if (auto b = booleanFrom(*v))
            m_controlVisible1 = *b;
    if (auto v = bag.readProperty(QStringLiteral("ControlVisible2"), false))
        if (auto b = booleanFrom(*v))
            m_controlVisible2 = *b;
}

void Splitter::WriteProperties(PropertyBag &bag) const
{
    // Every one is written, defaults too: a missing entry would read back as "", 0, False.
    const QVariant always;
    bag.writeProperty(QStringLiteral("ControlName1"), m_controlName1, always);
    bag.writeProperty(QStringLiteral("ControlName2"), m_controlName2, always);
    bag.writeProperty(QStringLiteral("SplitterWidth"), int(m_splitterWidth), always);
    bag.writeProperty(QStringLiteral("ControlVisible1"), m_controlVisible1, always);
    bag.writeProperty(QStringLiteral("ControlVisible2"), m_controlVisible2, always);
}

} // namespace zeva
