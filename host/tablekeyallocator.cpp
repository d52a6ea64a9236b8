#include "tablekeyallocator.h"

#include "schema.h"
#include "sqlhostdatabase.h"

#include <QSqlDriver>

#include <limits>

namespace zeva::host {

void TableKeyAllocator::Attach(std::shared_ptr<HostDatabase> database)
{
    m_attached = std::move(database);
    m_db = std::dynamic_pointer_cast<SqlHostDatabase>(m_attached);
}

QString TableKeyAllocator::Allocate(const QString &table, const QString &column, int &newKey)
{
    if (!m_db)
        return m_attached ? QStringLiteral("The key allocator works only on the host's own database.")
                          : QStringLiteral("The key allocator is not attached to a database.");
    const SqlHostDatabase::TableInfo info = m_db->tableInfo(table);
    if (!info.exists)
        return QStringLiteral("Cannot allocate a key: there is no table %1.").arg(table);
    QString realColumn;
    for (const QString &name : info.columns) {
        if (name.compare(column, Qt::CaseInsensitive) == 0)
            realColumn = name;
    }
    if (realColumn.isEmpty())
        return QStringLiteral("Cannot allocate a key: table %1 has no column %2.").arg(table, column);

    QSqlDatabase connection = m_db->connection();
    QSqlDriver *driver = connection.driver();
    const bool pg = m_db->dialect() == SqlDialect::Postgres;
    const bool ownTransaction = !m_db->inTransaction();
    QSqlQuery q(connection);
    // Where a failure aborts the caller's transaction, a failure here must not spoil the
    // caller's work: the allocation runs under a savepoint of its own.
    const bool savepoint = !ownTransaction && m_db->backend().failureAbortsTransaction();
    auto undo = [&] {
        if (ownTransaction)
            QSqlQuery(connection).exec(QStringLiteral("ROLLBACK"));
        else if (savepoint)
            QSqlQuery(connection).exec(QStringLiteral("ROLLBACK TO SAVEPOINT zeva_key"));
    };
    auto failure = [&](const QSqlQuery &failed) {
        const QString why = SqlHostDatabase::errorOf(failed.lastError()).Description();
        undo();
        return QStringLiteral("Cannot allocate a key for %1.%2: %3").arg(table, column, why);
    };
    if (ownTransaction && !q.exec(m_db->backend().beginStatement()))
        return failure(q);
    if (savepoint && !q.exec(QStringLiteral("SAVEPOINT zeva_key")))
        return failure(q);

    const QString keyTable = QLatin1String(keyTableName);
    const QString tableKey = info.name.toLower();
    const QString columnKey = realColumn.toLower();
    q.prepare(QStringLiteral("INSERT INTO %1 (tablename, columnname, lastkey) VALUES (?, ?, 0) ON CONFLICT DO NOTHING")
                  .arg(keyTable));
    q.addBindValue(tableKey);
    q.addBindValue(columnKey);
    if (!q.exec())
        return failure(q);
    // The row lock (PostgreSQL) or the write lock taken at BEGIN (SQLite) holds other
    // allocators back until this one commits.
    q.prepare(QStringLiteral("SELECT lastkey FROM %1 WHERE tablename = ? AND columnname = ?%2")
                  .arg(keyTable, pg ? QStringLiteral(" FOR UPDATE") : QString()));
    q.addBindValue(tableKey);
    q.addBindValue(columnKey);
    if (!q.exec() || !q.next())
        return failure(q);
    qint64 last = q.value(0).toLongLong();
    if (!q.exec(QStringLiteral("SELECT MAX(%1) FROM %2")
                    .arg(driver->escapeIdentifier(realColumn, QSqlDriver::FieldName),
                         driver->escapeIdentifier(info.name, QSqlDriver::TableName)))
        || !q.next())
        return failure(q);
    last = qMax(last, q.value(0).toLongLong());
    if (last >= std::numeric_limits<int>::max()) {
        undo();
        return QStringLiteral("Cannot allocate a key for %1.%2: the keys are used up.").arg(table, column);
    }
    const qint64 next = last + 1;
    q.prepare(QStringLiteral("UPDATE %1 SET lastkey = ? WHERE tablename = ? AND columnname = ?").arg(keyTable));
    q.addBindValue(next);
    q.addBindValue(tableKey);
    q.addBindValue(columnKey);
    if (!q.exec())
        return failure(q);
    if (ownTransaction && !q.exec(QStringLiteral("COMMIT")))
        return failure(q);
    if (savepoint)
        q.exec(QStringLiteral("RELEASE SAVEPOINT zeva_key"));
    newKey = int(next);
    return {};
}

} // namespace zeva::host
