#pragma once
// The last failure of a host database connection: `Description()` is empty after every
// successful call, and a non-empty text is a failure, as every caller reads it.

#include "zevaplatform_export.h"

#include <QString>

namespace zeva {

class ZEVA_PLATFORM_EXPORT HostError {
public:
    HostError() = default;
    explicit HostError(QString description, QString nativeCode = {})
        : m_description(std::move(description)), m_nativeCode(std::move(nativeCode)) {}

    // The driver's message, or our own for failures found before the driver ran.
    QString Description() const { return m_description; }
    // The driver's own error code when it gives one (SQLSTATE, SQLite code), else empty.
    QString NativeCode() const { return m_nativeCode; }
    bool isError() const { return !m_description.isEmpty(); }

private:
    QString m_description;
    QString m_nativeCode;
};

} // namespace zeva
