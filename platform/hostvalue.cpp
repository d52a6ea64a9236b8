#include "hostvalue.h"

#include "values.h"

#include <cmath>

namespace zeva {

namespace {
template <class... Ts> struct overloaded : Ts... { using Ts::operator()...; };
}

HostValue HostValue::fromVariant(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    // The types drivers hand out most, read straight from the variant: its conversion
    // machinery costs more than the value here, once per column of every row.
    switch (v.typeId()) {
    case QMetaType::QString:
        return HostValue(*static_cast<const QString *>(v.constData()));
    case QMetaType::Int:
        return HostValue(qint64(*static_cast<const int *>(v.constData())));
    case QMetaType::LongLong:
        return HostValue(qint64(*static_cast<const qlonglong *>(v.constData())));
    case QMetaType::Double:
        return HostValue(*static_cast<const double *>(v.constData()));
    default:
        break;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return HostValue(v.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return HostValue(qint64(v.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return HostValue(v.toDouble());
    case QMetaType::QByteArray:
        return HostValue(v.toByteArray());
    case QMetaType::QDate:
        return HostValue(v.toDate());
    case QMetaType::QDateTime:
        return HostValue(v.toDateTime().date());
    case QMetaType::QString:
        return HostValue(v.toString());
    default:
        // The type test first: asking for a conversion costs a registry look-up per value.
        if (v.typeId() == qMetaTypeId<HostValue>())
            return v.value<HostValue>();
        return HostValue(v.toString());
    }
}

QVariant HostValue::toVariant() const
{
    return std::visit(overloaded{
                          [](std::monostate) { return QVariant(); },
                          [](qint64 x) { return QVariant(x); },
                          [](double x) { return QVariant(x); },
                          // An empty text or byte string is a value, never NULL: drivers
                          // bind Qt's null strings as NULL, so hand them a non-null empty one.
                          [](const QString &x) { return QVariant(x.isNull() ? QStringLiteral("") : x); },
                          [](const QByteArray &x) { return QVariant(x.isNull() ? QByteArray("") : x); },
                          [](QDate x) { return QVariant(x); },
                          [this](const std::shared_ptr<const ByteSource> &) { return QVariant(toBytes()); },
                      },
                      m_v);
}

QString HostValue::toText() const
{
    return std::visit(overloaded{
                          [](std::monostate) { return QString(); },
                          [](qint64 x) { return QString::number(x); },
                          [](double x) { return sqlNumber(x); },
                          [](const QString &x) { return x; },
                          [](const QByteArray &x) { return QString::fromLatin1(x); },
                          [](QDate x) { return x.toString(Qt::ISODate); },
                          [this](const std::shared_ptr<const ByteSource> &) { return QString::fromLatin1(toBytes()); },
                      },
                      m_v);
}

qint64 HostValue::toInteger() const
{
    return std::visit(overloaded{
                          [](std::monostate) { return qint64(0); },
                          [](qint64 x) { return x; },
                          [](double x) {
                              const double r = std::round(x);
                              return (r > -9.2e18 && r < 9.2e18) ? qint64(r) : qint64(0);
                          },
                          [](const QString &x) { return leadingInteger(x); },
                          [](const QByteArray &) { return qint64(0); },
                          [](QDate) { return qint64(0); },
                          [](const std::shared_ptr<const ByteSource> &) { return qint64(0); },
                      },
                      m_v);
}

double HostValue::toDouble() const
{
    return std::visit(overloaded{
                          [](std::monostate) { return 0.0; },
                          [](qint64 x) { return double(x); },
                          [](double x) { return x; },
                          [](const QString &x) { return leadingNumber(x); },
                          [](const QByteArray &) { return 0.0; },
                          [](QDate) { return 0.0; },
                          [](const std::shared_ptr<const ByteSource> &) { return 0.0; },
                      },
                      m_v);
}

QByteArray HostValue::toBytes() const
{
    if (const auto *bytes = std::get_if<QByteArray>(&m_v))
        return *bytes;
    if (const auto *source = std::get_if<std::shared_ptr<const ByteSource>>(&m_v)) {
        QByteArray all;
        QString error;
        return readAll(**source, &all, &error) ? all : QByteArray();
    }
    if (isNull())
        return {};
    return toText().toUtf8();
}

std::shared_ptr<const ByteSource> HostValue::byteSource() const
{
    if (const auto *source = std::get_if<std::shared_ptr<const ByteSource>>(&m_v))
        return *source;
    if (const auto *bytes = std::get_if<QByteArray>(&m_v))
        return ByteSource::fromBytes(*bytes);
    return nullptr;
}

QDate HostValue::toDate() const
{
    if (const auto *date = std::get_if<QDate>(&m_v))
        return *date;
    if (const auto *text = std::get_if<QString>(&m_v))
        return QDate::fromString(text->left(10), Qt::ISODate);
    return {};
}

} // namespace zeva
