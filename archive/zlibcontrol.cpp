#include "zlibcontrol.h"

#include "desktopservices.h"
#include "hostunits.h"

#include <QMouseEvent>
#include <QPainter>

namespace zeva {
namespace {

QString fromUtf8(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string toUtf8(const QString &s) { return s.toUtf8().toStdString(); }

// A stored colour may be written as its unsigned number or as the signed 32-bit value
// the platform keeps; anything that is no number cannot be read.
std::optional<uint32_t> colourFrom(const QVariant &v)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < INT32_MIN || n > UINT32_MAX)
        return std::nullopt;
    return uint32_t(n);
}

std::optional<int> integerFrom(const QVariant &v)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < INT32_MIN || n > INT32_MAX)
        return std::nullopt;
    return int(n);
}

std::optional<bool> booleanFrom(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (const auto n = integerFrom(v))
        return *n != 0;
    const QString text = v.toString().trimmed().toLower();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return std::nullopt;
}

} // namespace

zLibControl::zLibControl(DesktopServices *desktop, QWidget *parent)
    : QFrame(parent), m_desktop(desktop)
{
    setAutoFillBackground(true);
    archive::ArchiveCallbacks callbacks;
    callbacks.progress = [this](int max, int value) { onProgress(max, value); };
    callbacks.letEventsRun = [this] {
        if (m_desktop)
            m_desktop->letEventsRun();
    };
    callbacks.failure = [this](const std::string &message) {
        if (m_desktop)
            m_desktop->messageBox(fromUtf8(message), DesktopServices::OkOnly | DesktopServices::Critical,
                                  QStringLiteral("错误："));
    };
    m_engine.setCallbacks(std::move(callbacks));
    InitProperties();
}

zLibControl::~zLibControl()
{
    m_engine.setCallbacks({});
}

uint32_t zLibControl::Calculate_Crc32(const QString &Filename) { return m_engine.Calculate_Crc32(toUtf8(Filename)); }

int16_t zLibControl::Compress(const QString &Filename, bool Overwrite, int32_t level)
{
    return m_engine.Compress(toUtf8(Filename), Overwrite, level);
}

int16_t zLibControl::Decompress(const QString &Filename, const QString &outputpath, bool GetFileInfoOnly,
                                bool CheckCRC32, bool DoubleCRC32, bool SaveCorruptedFiles, bool UsePaths,
                                bool Overwrite)
{
    return m_engine.Decompress(toUtf8(Filename), toUtf8(outputpath), GetFileInfoOnly, CheckCRC32, DoubleCRC32,
                               SaveCorruptedFiles, UsePaths, Overwrite);
}

QString zLibControl::Original_Crc32(int32_t Index) const { return fromUtf8(m_engine.Original_Crc32(Index)); }
QString zLibControl::Filename(int32_t Index) const { return fromUtf8(m_engine.Filename(Index)); }
void zLibControl::setFilename(int32_t Index, const QString &value) { m_engine.setFilename(Index, toUtf8(value)); }
QString zLibControl::Path(int32_t Index) const { return fromUtf8(m_engine.Path(Index)); }
QString zLibControl::Compressed_CRC32(int32_t Index) const { return fromUtf8(m_engine.Compressed_CRC32(Index)); }
int32_t zLibControl::Compressed_Size(int32_t Index) const { return m_engine.Compressed_Size(Index); }
int32_t zLibControl::FileSize(int32_t Index) const { return m_engine.FileSize(Index); }
int32_t zLibControl::ReadBuf() const { return m_engine.ReadBuf(); }
void zLibControl::setReadBuf(int32_t value) { m_engine.setReadBuf(value); }
int32_t zLibControl::FileCount() const { return m_engine.FileCount(); }
bool zLibControl::RemoveFile(int32_t Index) { return m_engine.RemoveFile(Index); }
bool zLibControl::AddFile(const QString &Filename, int32_t attrib) { return m_engine.AddFile(toUtf8(Filename), attrib); }

void zLibControl::Reset()
{
    m_engine.Reset();
}

void zLibControl::setBackColor(uint32_t colour)
{
    m_backColor = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, hostColor(colour, QPalette()));
    setPalette(p);
    redraw();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void zLibControl::setBarColor(uint32_t colour)
{
    m_barColor = colour;
    redraw();
    emit propertyChanged(QStringLiteral("BarColor"));
}

void zLibControl::setVertical(bool vertical)
{
    m_vertical = vertical;
    relayout();
    emit propertyChanged(QStringLiteral("Vertical"));
}

void zLibControl::setFlat(bool flat)
{
    m_appearance = flat ? 0 : 1;
    // Flat: a one-pixel line; three-dimensional: the style's sunken panel.
    if (flat)
        setFrameStyle(QFrame::Box | QFrame::Plain);
    else
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
    relayout();
    emit propertyChanged(QStringLiteral("Flat"));
}

void zLibControl::setMax(int value)
{
    // Clamps, and reports back through onProgress, which redraws and tells what changed.
    m_engine.setMax(value);
}

void zLibControl::setValue(int value)
{
    m_engine.setValue(value);   // as setMax
}

void zLibControl::onProgress(int max, int value)
{
    const bool maxChanged = max != m_shownMax;
    const bool valueChanged = value != m_shownValue;
    m_shownMax = max;
    m_shownValue = value;
    if (maxChanged) {
        relayout();
        emit propertyChanged(QStringLiteral("Max"));
    } else if (valueChanged) {
        redraw();
    }
    if (valueChanged)
        emit propertyChanged(QStringLiteral("Value"));
}

void zLibControl::relayout()
{
    // The drawing scale spans Max - minimum in both directions; paintEvent maps it.
    redraw();
}

void zLibControl::redraw()
{
    // Each chunk of an archive operation shows at once, not after the call returns.
    if (isVisible())
        repaint();
    else
        update();
}

void zLibControl::InitProperties()
{
    setBackColor(DefaultBackColor);
    setBarColor(DefaultBarColor);
    setVertical(false);
    setMax(100);
    setValue(0);
    setFlat(false);
    setReadBuf(DefaultReadBuf);
}

void zLibControl::ReadProperties(const PropertyBag &bag)
{
    if (auto v = bag.readProperty(QStringLiteral("BackColor"), qlonglong(DefaultBackColor)))
        if (auto c = colourFrom(*v))
            setBackColor(*c);
    if (auto v = bag.readProperty(QStringLiteral("BarColor"), qlonglong(DefaultBarColor)))
        if (auto c = colourFrom(*v))
            setBarColor(*c);
    if (auto v = bag.readProperty(QStringLiteral("Vertical"), false))
        if (auto b = booleanFrom(*v))
            setVertical(*b);
    if (auto v = bag.readProperty(QStringLiteral("Max"), 100))
        if (auto n = integerFrom(*v))
            setMax(*n);
    if (auto v = bag.readProperty(QStringLiteral("Value"), 0))
        if (auto n = integerFrom(*v))
            setValue(*n);
    if (auto v = bag.readProperty(QStringLiteral("Flat"), false))
        if (auto b = booleanFrom(*v))
            setFlat(*b);
    if (auto v = bag.readProperty(QStringLiteral("ReadBuf"), DefaultReadBuf))
        if (auto n = integerFrom(*v))
            setReadBuf(*n);
}

void zLibControl::WriteProperties(PropertyBag &bag) const
{
    bag.writeProperty(QStringLiteral("ReadBuf"), ReadBuf(), DefaultReadBuf);
    bag.writeProperty(QStringLiteral("BackColor"), qlonglong(m_backColor), qlonglong(DefaultBackColor));
    bag.writeProperty(QStringLiteral("BarColor"), qlonglong(m_barColor), qlonglong(DefaultBarColor));
    bag.writeProperty(QStringLiteral("Vertical"), m_vertical, false);
    bag.writeProperty(QStringLiteral("Max"), Max(), 100);
    bag.writeProperty(QStringLiteral("Value"), Value(), 0);
    bag.writeProperty(QStringLiteral("Flat"), Flat(), false);
}

void zLibControl::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    if (area.isEmpty())
        return;
    QPainter painter(this);
    const double span = Max() - minimum();   // scale width and height
    painter.translate(area.topLeft());
    painter.scale(area.width() / span, area.height() / span);
    const QColor back = hostColor(m_backColor, palette());
    const QColor bar = hostColor(m_barColor, palette());
    const double r = Value() - minimum();
    const double W = span, H = span;
    if (m_vertical) {
        painter.fillRect(QRectF(0, 0, W, H - r), back);
        if (r >= 1)
            painter.fillRect(QRectF(0, H - r, W, r), bar);
    } else {
        painter.fillRect(QRectF(r, 0, W - r, H), back);
        if (r >= 1)
            painter.fillRect(QRectF(0, 0, r, H), bar);
    }
}

void zLibControl::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

} // namespace zeva
