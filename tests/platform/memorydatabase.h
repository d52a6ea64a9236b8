#pragma once
// An in-memory stand-in for a host database, enough to hold the recordset contract to the
// platform's own classes: one table, and the few statement shapes the contract suite
// issues (SELECT [TOP 0] cols|*|Count(*) From t [WHERE col op literal] [ORDER BY col],
// UPDATE t SET col=literal|col+n [WHERE ...], DELETE t [WHERE ...]).

#include "hostdatabase.h"

#include <QStringList>

#include <memory>

namespace zeva::testing {

class MemoryDatabase : public HostDatabase, public std::enable_shared_from_this<MemoryDatabase> {
public:
    struct Table {
        QString name;
        QStringList columns;   // the first is the primary key
        QList<HostRecordset::Row> rows;
    };

    explicit MemoryDatabase(Table table);

    std::unique_ptr<HostStatement> Prepare(const QString &sql, int options = 1) override;
    bool BeginTrans() override;
    bool CommitTrans() override;
    bool RollbackTrans() override;
    HostError LastError() const override { return m_error; }
    void Release() override {}

    // Used by its statements and recordsets.
    void setError(const HostError &error) { m_error = error; }
    void clearError() { m_error = {}; }
    Table &table() { return m_table; }

private:
    Table m_table;
    std::optional<Table> m_snapshot;   // the table as it was at BeginTrans
    HostError m_error;
};

} // namespace zeva::testing
