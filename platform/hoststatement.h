#pragma once
// One prepared SQL text of the host database, run by exactly one of Execute (UPDATE,
// DELETE, INSERT), GetValue (one scalar) or OpenRecordset. Failures become the
// connection's last error; nothing throws.

#include "hostrecordset.h"
#include "hostvalue.h"
#include "zevaplatform_export.h"

#include <QString>

#include <memory>

namespace zeva {

class ZEVA_PLATFORM_EXPORT HostStatement {
public:
    virtual ~HostStatement();

    QString sql() const { return m_sql; }

    // Runs the statement; `rowsAffected` (when given) receives the rows it changed, and
    // 0 on failure. Answers false on failure.
    bool Execute(qint64 *rowsAffected = nullptr);
    // The first column of the first row; NULL for an empty result and on failure.
    HostValue GetValue();
    // The whole result in memory. On failure an empty, closed-to-writes result (both
    // IsEOF and IsBOF true), never a null pointer.
    std::unique_ptr<HostRecordset> OpenRecordset();

protected:
    explicit HostStatement(QString sql) : m_sql(std::move(sql)) {}

    virtual bool doExecute(qint64 *rowsAffected) = 0;
    virtual HostValue doGetValue() = 0;
    // May answer nullptr after reporting a failure; the caller then gets an empty result.
    virtual std::unique_ptr<HostRecordset> doOpenRecordset() = 0;
    // Records a failure found before the statement reached the database.
    virtual void fail(const QString &description) = 0;

private:
    QString m_sql;
};

} // namespace zeva
