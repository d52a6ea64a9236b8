#include "sqlrecordset.h"

#include "sqlhostdatabase.h"

#include <QSqlDriver>
#include <QSqlRecord>

namespace zeva::host {

SqlRecordset::SqlRecordset(std::shared_ptr<SqlHostDatabase> db, QStringList columns, QList<Row> rows, TableInfo table)
    : HostRecordset(columns, std::move(rows), table.exists, errorSink(db)), m_db(std::move(db)), m_table(std::move(table))
{
    m_keyColumn = m_table.primaryKey.isEmpty() ? -1 : fieldIndex(m_table.primaryKey);
}

HostRecordset::ErrorSink SqlRecordset::errorSink(const std::shared_ptr<SqlHostDatabase> &db)
{
    std::weak_ptr<SqlHostDatabase> weak = db;
    return [weak](const HostError &error) {
        if (auto db = weak.lock())
            db->setLastError(error);
    };
}

bool SqlRecordset::doUpdate(const Row &original, Row &edited, const QList<bool> &changed)
{
    const bool insert = original.isEmpty();
    QList<QVariant> values;
    for (int c = 0; c < fieldCount(); ++c) {
        if (changed.value(c))
            values << edited.at(c).toVariant();
    }
    if (!insert) {
        if (values.isEmpty()) {
            m_db->clearLastError();
            return true;
        }
        if (m_keyColumn < 0) {
            reportError(QStringLiteral("The row cannot be changed: the result does not hold the key column of table %1.")
                            .arg(m_table.name));
            return false;
        }
        values << original.at(m_keyColumn).toVariant();
    }
    // Rows added one after another write the same columns: prepare once, run often.
    if (!m_prepared || m_preparedInsert != insert || m_preparedColumns != changed) {
        m_prepared.emplace(m_db->connection());
        m_preparedSql = statementFor(insert, changed);
        m_preparedInsert = insert;
        m_preparedColumns = changed;
        m_returned.clear();
    }
    QSqlQuery &query = *m_prepared;
    bool found = false;
    const bool ok = m_db->runStatement(query, [&](QSqlQuery &q) {
        if (!m_preparedSql.isEmpty()) {
            if (!q.prepare(m_preparedSql))
                return false;
            m_preparedSql.clear();
        }
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec())
            return false;
        if (q.next()) {
            found = true;
            if (m_returned.isEmpty()) {
                const QSqlRecord record = q.record();
                for (int i = 0; i < record.count(); ++i)
                    m_returned << fieldIndex(record.fieldName(i));
            }
            for (int i = 0; i < m_returned.size(); ++i) {
                if (m_returned.at(i) >= 0)
                    edited[m_returned.at(i)] = HostValue::fromVariant(q.value(i));
            }
        }
        // Ends the statement, and with it SQLite's implicit transaction.
        q.finish();
        return true;
    });
    if (!ok) {
        m_prepared.reset();   // prepared again next time, in case the failure was the preparing
        return false;
    }
    if (!found) {
        reportError(QStringLiteral("The row to change is no longer in table %1.").arg(m_table.name));
        return false;
    }
    return true;
}

QString SqlRecordset::statementFor(bool insert, const QList<bool> &changed) const
{
    QSqlDriver *driver = m_db->connection().driver();
    auto name = [driver](const QString &column) { return driver->escapeIdentifier(column, QSqlDriver::FieldName); };
    const QString table = driver->escapeIdentifier(m_table.name, QSqlDriver::TableName);
    QStringList assigned;
    QStringList untouched;
    for (int c = 0; c < fieldCount(); ++c)
        (changed.value(c) ? assigned : untouched) << name(fieldName(c));
    QString sql;
    if (insert) {
        sql = assigned.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, assigned.join(u','), QStringList(assigned.size(), QStringLiteral("?")).join(u','));
    } else {
        for (QString &column : assigned)
            column += QStringLiteral("=?");
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3=?").arg(table, assigned.join(u','), name(fieldName(m_keyColumn)));
    }
    // An insert answers what the database filled in (defaults, identity); an update
    // answers its key, which tells whether the row was still there.
    if (!insert || untouched.isEmpty())
        untouched = QStringList{m_keyColumn >= 0 ? name(fieldName(m_keyColumn)) : name(fieldName(0))};
    return sql + QStringLiteral(" RETURNING ") + untouched.join(u',');
}

} // namespace zeva::host
