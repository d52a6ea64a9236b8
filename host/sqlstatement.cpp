#include "sqlstatement.h"

#include "sqlhostdatabase.h"
#include "sqlrecordset.h"
#include "storedbytes.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace zeva::host {

SqlStatement::SqlStatement(std::shared_ptr<SqlHostDatabase> db, const QString &sql)
    : HostStatement(sql), m_db(std::move(db)), m_translated(translateSql(sql, m_db->dialect()))
{
}

bool SqlStatement::doExecute(qint64 *rowsAffected)
{
    QSqlQuery query(m_db->connection());
    query.setForwardOnly(true);
    if (!m_db->runStatement(query, [this](QSqlQuery &q) { return q.exec(m_translated); }))
        return false;
    const QString verb = leadingKeyword(m_translated);
    if (verb == u"create" || verb == u"drop" || verb == u"alter")
        m_db->forgetTables();
    const bool changesRows = verb == u"insert" || verb == u"update" || verb == u"delete";
    if (rowsAffected)
        *rowsAffected = changesRows ? qMax(0, query.numRowsAffected()) : 0;
    return true;
}

HostValue SqlStatement::doGetValue()
{
    QSqlQuery query(m_db->connection());
    query.setForwardOnly(true);
    HostValue value;
    m_db->runStatement(query, [&](QSqlQuery &q) {
        if (!q.exec(m_translated))
            return false;
        if (q.next())
            value = HostValue::fromVariant(q.value(0));
        return true;
    });
    return value;
}

std::unique_ptr<HostRecordset> SqlStatement::doOpenRecordset()
{
    QSqlQuery query(m_db->connection());
    query.setForwardOnly(true);
    QStringList columns;
    QList<HostRecordset::Row> rows;
    TableInfo table;
    if (const QString source = singleSourceTable(sql()); !source.isEmpty())
        table = m_db->tableInfo(source);
    // A document is answered by its length and read only when its value is.
    const QString lazy = selectWithByteLengths(m_translated, table, m_db->backend(), *m_db->connection().driver());
    const bool ok = m_db->runStatement(query, [&](QSqlQuery &q) {
        if (!q.exec(lazy.isEmpty() ? m_translated : lazy))
            return false;
        const QSqlRecord record = q.record();
        const int count = record.count();
        for (int i = 0; i < count; ++i)
            columns << record.fieldName(i);
        while (q.next()) {
            HostRecordset::Row row;
            row.reserve(count);
            for (int i = 0; i < count; ++i)
                row.append(HostValue::fromVariant(q.value(i)));
            rows.append(std::move(row));
        }
        // A driver may stop a result early (a lost connection); that is a failure too.
        return !q.lastError().isValid();
    });
    if (!ok)
        return StaticRecordset::empty(SqlRecordset::errorSink(m_db));
    if (!lazy.isEmpty()) {
        const int key = int(columns.indexOf(table.primaryKey));
        for (int c = 0; c < columns.size(); ++c) {
            if (!table.bytesColumns.contains(columns.at(c)))
                continue;
            for (HostRecordset::Row &row : rows) {
                if (!row.at(c).isNull())
                    row[c] = HostValue(storedBytes(m_db, {table.name, table.primaryKey, row.at(key).toVariant(), columns.at(c)},
                                                   row.at(c).toInteger()));
            }
        }
    }
    return std::make_unique<SqlRecordset>(m_db, std::move(columns), std::move(rows), std::move(table));
}

void SqlStatement::fail(const QString &description)
{
    m_db->setLastError(HostError(description));
}

} // namespace zeva::host
