#pragma once
// A host parameter (GetParameter): always text, empty when the host has none.

#include <QString>

namespace zeva {

struct HostParameter {
    QString Value;
};

} // namespace zeva
