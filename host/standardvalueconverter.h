#pragma once
// The host's conversions: whole numbers by their leading number, rounded (0 when
// there is none or it does not fit); MidText counts from 1 and gives less at the end.

#include "valueconverter.h"

namespace zeva::host {

class StandardValueConverter final : public ValueConverter {
public:
    int ToLong(const QVariant &value) override;
    QString MidText(const QString &text, int start, int length) override;
};

} // namespace zeva::host
