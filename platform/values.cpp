#include "values.h"

#include "gbkcodec.h"

#include <QList>

#include <charconv>
#include <cmath>
#include <string>

namespace zeva {

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    std::string number;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number += char(text[i++].unicode());
    bool digits = false;
    bool point = false;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        number += char(c);
    }
    if (!digits)
        return 0;
    // The exponent continues the number only when at least one digit follows it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exponent += char(text[j++].unicode());
        const qsizetype firstDigit = j;
        while (j < n && text[j] >= u'0' && text[j] <= u'9')
            exponent += char(text[j++].unicode());
        if (j > firstDigit)
            number += exponent;
    }
    if (number.front() == '+')
        number.erase(0, 1);
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        return 0;
    return value;
}

qint64 leadingInteger(QStringView text)
{
    const double value = std::round(leadingNumber(text));
    if (!(value > -9.2e18 && value < 9.2e18))
        return 0;
    return qint64(value);
}

QString sqlNumber(double value)
{
    if (!std::isfinite(value) || value == 0)
        return QStringLiteral("0");
    char buffer[400];   // the longest fixed-notation double is about 330 characters
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc())
        return QStringLiteral("0");
    return QString::fromLatin1(buffer, end - buffer);
}

QString sqlNumber(QStringView text)
{
    return sqlNumber(leadingNumber(text));
}

QString sqlEscape(QStringView text)
{
    QString escaped = text.toString();
    escaped.replace(u'\'', QStringLiteral("''"));
    return escaped;
}

QString sqlQuote(QStringView text)
{
    return u'\'' + sqlEscape(text) + u'\'';
}

QString sizeText(qint64 bytes)
{
    const bool negative = bytes < 0;
    // Hundredths of a kilobyte, rounded half away from zero, in whole numbers so that
    // 640 bytes (62.5 hundredths) rounds up exactly.
    const unsigned __int128 magnitude = negative ? -static_cast<__int128>(bytes) : bytes;
    const unsigned __int128 hundredths = (magnitude * 100 + 512) / 1024;
    const auto whole = static_cast<quint64>(hundredths / 100);
    const auto fraction = static_cast<unsigned>(hundredths % 100);
    QString text;
    if (negative && hundredths != 0)
        text += u'-';
    if (whole != 0)
        text += QString::number(whole);
    text += u'.';
    if (fraction != 0) {
        text += QString::number(fraction / 10);
        if (fraction % 10 != 0)
            text += QString::number(fraction % 10);
    }
    return text + u'K';
}

QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin).toString();
}

bool ContainsChinese(QStringView text)
{
    for (const char32_t c : text.toUcs4()) {
        if (text::isGbkDoubleByte(c))
            return true;
    }
    return false;
}

QByteArray toGbk(QStringView text, bool *lossless)
{
    return QByteArray::fromStdString(text::utf8ToGbk(text.toUtf8().toStdString(), lossless));
}

QString fromGbk(const QByteArray &bytes, bool *ok)
{
    return QString::fromStdString(text::gbkToUtf8(std::string_view(bytes.constData(), bytes.size()), ok));
}

} // namespace zeva
