#pragma once
// The value rules every part of the control shares: how a text is read as a number, how
// numbers and texts are written into SQL, how sizes are shown, how texts are trimmed,
// and the "contains Chinese" test.

#include "zevaplatform_export.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace zeva {

// The number a text begins with: leading spaces skipped, an optional sign, digits with
// at most one decimal point, and an exponent (E or e, optional sign, digits) that
// continues the number. Reading stops at the first other character; no number, or one
// out of range, gives 0. "  12.5abc" -> 12.5, ".5" -> 0.5, "1e3" -> 1000, "1,5" -> 1.
ZEVA_PLATFORM_EXPORT double leadingNumber(QStringView text);
// The leading number as a whole number, rounded half away from zero; 0 out of range.
ZEVA_PLATFORM_EXPORT qint64 leadingInteger(QStringView text);

// A number as SQL text: the shortest text that reads back as the same value, "." as the
// point, no exponent, no grouping. 12.50 -> "12.5", 1e3 -> "1000", NaN and infinities -> "0".
ZEVA_PLATFORM_EXPORT QString sqlNumber(double value);
// The leading number of a text as SQL text: "" -> "0", "12.50" -> "12.5".
ZEVA_PLATFORM_EXPORT QString sqlNumber(QStringView text);

// The text with every single quote doubled, to be placed between single quotes.
ZEVA_PLATFORM_EXPORT QString sqlEscape(QStringView text);
// The text as a complete SQL literal: '...' with quotes doubled.
ZEVA_PLATFORM_EXPORT QString sqlQuote(QStringView text);

// A byte count as kilobytes, formatted "######.##" and followed by "K": no leading zero,
// no trailing zeros, the point always kept, halves rounded away from zero.
// 0 -> ".K", 512 -> ".5K", 640 -> ".63K", 1024 -> "1.K", 1536 -> "1.5K".
ZEVA_PLATFORM_EXPORT QString sizeText(qint64 bytes);

// Removes spaces (U+0020 only) at both ends; tabs, line breaks and U+3000 stay.
ZEVA_PLATFORM_EXPORT QString trimSpaces(QStringView text);

// True when a character of the text is a double-byte character of the Chinese code page
// (GBK): its code read as a signed 16-bit number is negative. Characters GBK cannot
// encode are not. False for an empty text.
ZEVA_PLATFORM_EXPORT bool ContainsChinese(QStringView text);

// GBK (code page 936) bytes <-> text. Characters GBK cannot encode become "?", and
// `lossless` (when given) turns false; invalid GBK bytes become U+FFFD.
ZEVA_PLATFORM_EXPORT QByteArray toGbk(QStringView text, bool *lossless = nullptr);
ZEVA_PLATFORM_EXPORT QString fromGbk(const QByteArray &bytes, bool *ok = nullptr);

} // namespace zeva
