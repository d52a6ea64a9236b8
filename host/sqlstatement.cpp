#include "sqlstatement.h"

#include "sqlhostdatabase.h"
#include "sqlrecordset.h"

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
    const bool ok = m_db->runStatement(query, [&](QSqlQuery &q) {
        if (!q.exec(m_translated))
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
    TableInfo table;
    const QString source = singleSourceTable(sql());
    if (!source.isEmpty())
        table = m_db->tableInfo(source);
    return std::make_unique<SqlRecordset>(m_db, std::move(columns), std::move(rows), std::move(table));
}

void SqlStatement::fail(const QString &description)
{
    m_db->setLastError(HostError(description));
}

} // namespace zeva::host
