#pragma once
// KeyAllocator over the host's key table: each Allocate takes the next key of a table's
// key column in its own short transaction (or in the caller's open one), so that keys stay
// unique across sessions and processes, and never at or below a key already in the table.

#include "keyallocator.h"

#include <memory>

namespace zeva::host {

class SqlHostDatabase;

class TableKeyAllocator final : public KeyAllocator {
public:
    TableKeyAllocator() = default;
    // Keeps the database; anything but the host's own database makes Allocate fail.
    void Attach(std::shared_ptr<HostDatabase> database) override;
    // Errors: not attached, an unknown table or column, a key beyond the whole-number
    // range, or the database's own failure (its message).
    QString Allocate(const QString &table, const QString &column, int &newKey) override;

private:
    std::shared_ptr<HostDatabase> m_attached;
    std::shared_ptr<SqlHostDatabase> m_db;
};

} // namespace zeva::host
