#pragma once
// HostValue is what crosses the host contract: NULL, a whole number, a decimal, text,
// bytes or a date. Readers convert with the system's rules; NULL reads as "" and 0.
// Bytes are held either in memory or as a ByteSource (a file, a stored column) that is
// read only when asked: byteSource() streams them, toBytes() reads them whole.

#include "bytesource.h"
#include "zevaplatform_export.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVariant>

#include <variant>

namespace zeva {

class ZEVA_PLATFORM_EXPORT HostValue {
public:
    enum class Kind { Null, Integer, Decimal, Text, Bytes, Date };

    HostValue() = default;                       // NULL
    HostValue(int v) : m_v(qint64(v)) {}
    HostValue(qint64 v) : m_v(v) {}
    HostValue(double v) : m_v(v) {}
    HostValue(const QString &v) : m_v(v) {}
    HostValue(QString &&v) : m_v(std::move(v)) {}
    HostValue(const char *utf8) : m_v(QString::fromUtf8(utf8)) {}
    HostValue(const QByteArray &v) : m_v(v) {}
    HostValue(QByteArray &&v) : m_v(std::move(v)) {}
    HostValue(QDate v) : m_v(v) {}
    // Bytes read on demand; a null source is NULL.
    HostValue(std::shared_ptr<const ByteSource> bytes)
    {
        if (bytes)
            m_v = std::move(bytes);
    }

    static HostValue fromVariant(const QVariant &v);
    QVariant toVariant() const;

    Kind kind() const { return m_v.index() == kSourceIndex ? Kind::Bytes : Kind(m_v.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // The text of the value as the system reads a column: NULL gives "", numbers their
    // shortest plain text (12.5, never 12.5000 or 1.25e1), dates ISO (2026-12-06),
    // bytes as Latin-1.
    QString toText() const;
    // Whole number: decimals round half away from zero, text by its leading number.
    qint64 toInteger() const;
    // Decimal: text by its leading number; NULL, bytes and dates give 0.
    double toDouble() const;
    // The bytes of a binary value (a source read whole; empty when it cannot be read);
    // text as UTF-8; NULL gives empty.
    QByteArray toBytes() const;
    // A binary value's bytes to stream, whether in memory or not; null for other kinds.
    std::shared_ptr<const ByteSource> byteSource() const;
    // True for bytes not held in memory (a file, a stored column).
    bool isStreamed() const { return m_v.index() == kSourceIndex; }
    QDate toDate() const;

    // Same kind and same content; two NULLs are equal.
    bool operator==(const HostValue &other) const = default;

private:
    static constexpr std::size_t kSourceIndex = 6;
    std::variant<std::monostate, qint64, double, QString, QByteArray, QDate, std::shared_ptr<const ByteSource>> m_v;
};

} // namespace zeva

Q_DECLARE_METATYPE(zeva::HostValue)
