#include "standardvalueconverter.h"

#include "values.h"

#include <cmath>

namespace zeva::host {

int StandardValueConverter::ToLong(const QVariant &value)
{
    const double number = leadingNumber(value.toString());
    const double rounded = std::round(number);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return 0;
    return int(rounded);
}

QString StandardValueConverter::MidText(const QString &text, int start, int length)
{
    if (start < 1 || length <= 0)
        return {};
    return text.mid(start - 1, length);
}

} // namespace zeva::host
