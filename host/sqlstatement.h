#pragma once
// One statement of the host database: its text in SQL Server's dialect, translated once
// for the back end, and run on the session's connection each time it is asked.

#include "hoststatement.h"

#include <memory>

namespace zeva::host {

class SqlHostDatabase;

class SqlStatement final : public HostStatement {
public:
    SqlStatement(std::shared_ptr<SqlHostDatabase> db, const QString &sql);

protected:
    // CREATE, DROP and ALTER make the connection forget its table descriptions; only
    // INSERT, UPDATE and DELETE count rows (the driver's count is stale after others).
    bool doExecute(qint64 *rowsAffected) override;
    HostValue doGetValue() override;
    // Every row read into memory; a result of one table can write rows back.
    std::unique_ptr<HostRecordset> doOpenRecordset() override;
    void fail(const QString &description) override;

private:
    std::shared_ptr<SqlHostDatabase> m_db;
    QString m_translated;
};

} // namespace zeva::host
