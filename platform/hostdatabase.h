#pragma once
// The host's database as the form sees it: statements in SQL Server dialect, one
// connection per host session whose last error and transaction state every handle shares.
// After each statement the caller reads LastError().Description(): non-empty is a failure.

#include "hosterror.h"
#include "hoststatement.h"
#include "zevaplatform_export.h"

#include <QString>

#include <memory>

namespace zeva {

class ZEVA_PLATFORM_EXPORT HostDatabase {
public:
    virtual ~HostDatabase();

    // `options` is the host's statement option; the form always passes 1.
    virtual std::unique_ptr<HostStatement> Prepare(const QString &sql, int options = 1) = 0;

    // Each answers false (with the reason in LastError) when the connection refuses,
    // for instance a commit without a transaction.
    virtual bool BeginTrans() = 0;
    virtual bool CommitTrans() = 0;
    virtual bool RollbackTrans() = 0;

    // The last failure of the connection, empty after every successful call.
    virtual HostError LastError() const = 0;

    // Ends a reading routine's use of cached results; the connection stays open.
    virtual void Release() = 0;
};

} // namespace zeva
