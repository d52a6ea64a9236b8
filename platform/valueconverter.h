#pragma once
// The host's value conversions used on tree tags and keys.

#include "zevaplatform_export.h"

#include <QString>
#include <QVariant>

namespace zeva {

class ZEVA_PLATFORM_EXPORT ValueConverter {
public:
    virtual ~ValueConverter();
    // A whole number from a tag: its leading number, rounded; 0 when there is none.
    virtual int ToLong(const QVariant &value) = 0;
    // `length` characters of `text` from `start` (counted from 1); fewer at the end.
    virtual QString MidText(const QString &text, int start, int length) = 0;
};

} // namespace zeva
