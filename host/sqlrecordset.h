#pragma once
// A result of the host database held in memory. When it comes from one table (see
// singleSourceTable) it writes rows back: an INSERT of the written columns, or an UPDATE
// of them keyed by the table's primary key, with bound parameters, prepared once while
// the written columns stay the same. After an insert the row shows what the database
// filled in (defaults, identity).

#include "hostrecordset.h"
#include "sqlbackend.h"

#include <QSqlQuery>

#include <memory>
#include <optional>

namespace zeva::host {

class SqlHostDatabase;

class SqlRecordset final : public HostRecordset {
public:
    // `table` names the one table the rows come from; a result of anything else (a view,
    // a join: `table.exists` false) refuses to write.
    SqlRecordset(std::shared_ptr<SqlHostDatabase> db, QStringList columns, QList<Row> rows, TableInfo table);

    // Failures reported to the connection's last error, for as long as it lives.
    static ErrorSink errorSink(const std::shared_ptr<SqlHostDatabase> &db);

protected:
    bool doUpdate(const Row &original, Row &edited, const QList<bool> &changed) override;

private:
    QString statementFor(bool insert, const QList<bool> &changed, const QList<bool> &streamed) const;

    std::shared_ptr<SqlHostDatabase> m_db;
    TableInfo m_table;
    int m_keyColumn = -1;
    std::optional<QSqlQuery> m_prepared;
    QString m_preparedSql;           // still to be prepared; empty once it is
    bool m_preparedInsert = false;
    QList<bool> m_preparedColumns;
    QList<bool> m_preparedStreamed;
    QList<int> m_returned;           // RETURNING column -> recordset column
};

} // namespace zeva::host
