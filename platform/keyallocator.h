#pragma once
// The host's allocator of new record keys, backed by a key table: keys stay unique when
// several sessions allocate at once. The database never invents keys itself.

#include "zevaplatform_export.h"

#include <QString>

#include <memory>

namespace zeva {

class HostDatabase;

class ZEVA_PLATFORM_EXPORT KeyAllocator {
public:
    virtual ~KeyAllocator();
    virtual void Attach(std::shared_ptr<HostDatabase> database) = 0;
    // Stores the next key of `table`.`column` in `newKey`; answers the error text,
    // empty on success (then `newKey` is the key; on failure it is left unchanged).
    virtual QString Allocate(const QString &table, const QString &column, int &newKey) = 0;
};

} // namespace zeva
