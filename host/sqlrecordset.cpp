#include "sqlrecordset.h"

#include "sqlhostdatabase.h"
#include "storedbytes.h"

#include <QSqlDriver>
#include <QSqlError>
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
    // Documents from files go in pieces where the back end can: the statement makes them
    // zero bytes of their length, then they are written into the stored row.
    const bool pieces = m_db->backend().writesInPieces() && m_keyColumn >= 0;
    QList<bool> streamed(fieldCount(), false);
    QList<QVariant> values;
    for (int c = 0; c < fieldCount(); ++c) {
        if (!changed.value(c))
            continue;
        const HostValue &value = edited.at(c);
        streamed[c] = pieces && value.isStreamed();
        if (streamed[c]) {
            values << QVariant(value.byteSource()->size());
        } else if (value.isStreamed()) {
            // The driver binds whole values: read it whole, and fail rather than store less.
            QByteArray bytes;
            QString error;
            if (!readAll(*value.byteSource(), &bytes, &error)) {
                reportError(error);
                return false;
            }
            values << QVariant(bytes.isNull() ? QByteArray("") : bytes);
        } else {
            values << value.toVariant();
        }
    }
    const bool anyStreamed = streamed.contains(true);
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
    if (!m_prepared || m_preparedInsert != insert || m_preparedColumns != changed || m_preparedStreamed != streamed) {
        m_prepared.emplace(m_db->connection());
        m_preparedSql = statementFor(insert, changed, streamed);
        m_preparedInsert = insert;
        m_preparedColumns = changed;
        m_preparedStreamed = streamed;
        m_returned.clear();
    }
    // The row and its documents are stored together or not at all: in a transaction of
    // their own, or under a savepoint of the session's.
    const bool ownTransaction = anyStreamed && !m_db->inTransaction();
    QSqlQuery savepoint(m_db->connection());
    if (anyStreamed
        && !savepoint.exec(ownTransaction ? m_db->backend().beginStatement() : QStringLiteral("SAVEPOINT zeva_bytes"))) {
        reportError(SqlHostDatabase::errorOf(savepoint.lastError()).Description());
        return false;
    }
    const auto undo = [&] {
        if (ownTransaction) {
            savepoint.exec(QStringLiteral("ROLLBACK"));
        } else if (anyStreamed) {
            savepoint.exec(QStringLiteral("ROLLBACK TO zeva_bytes"));
            savepoint.exec(QStringLiteral("RELEASE zeva_bytes"));
        }
    };
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
        undo();
        return false;
    }
    if (!found) {
        undo();
        reportError(QStringLiteral("The row to change is no longer in table %1.").arg(m_table.name));
        return false;
    }
    if (!anyStreamed)
        return true;
    const QVariant key = (insert ? edited : original).at(m_keyColumn).toVariant();
    for (int c = 0; c < fieldCount(); ++c) {
        if (!streamed.at(c))
            continue;
        const BytesCell cell{m_table.name, fieldName(m_keyColumn), key, fieldName(c)};
        QString error;
        const auto bytes = edited.at(c).byteSource();
        if (!m_db->backend().writeBytes(m_db->connection(), cell, *bytes, &error)) {
            undo();
            reportError(error);
            return false;
        }
        edited[c] = HostValue(storedBytes(m_db, cell, bytes->size()));
    }
    if (!savepoint.exec(ownTransaction ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE zeva_bytes"))) {
        undo();
        reportError(SqlHostDatabase::errorOf(savepoint.lastError()).Description());
        return false;
    }
    m_db->clearLastError();
    return true;
}

QString SqlRecordset::statementFor(bool insert, const QList<bool> &changed, const QList<bool> &streamed) const
{
    QSqlDriver *driver = m_db->connection().driver();
    auto name = [driver](const QString &column) { return driver->escapeIdentifier(column, QSqlDriver::FieldName); };
    const QString table = driver->escapeIdentifier(m_table.name, QSqlDriver::TableName);
    QStringList assigned;
    QStringList untouched;
    QStringList placeholders;
    for (int c = 0; c < fieldCount(); ++c) {
        (changed.value(c) ? assigned : untouched) << name(fieldName(c));
        if (changed.value(c))
            placeholders << (streamed.value(c) ? m_db->backend().zeroBytes(QStringLiteral("?")) : QStringLiteral("?"));
    }
    QString sql;
    if (insert) {
        sql = assigned.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, assigned.join(u','), placeholders.join(u','));
    } else {
        for (qsizetype i = 0; i < assigned.size(); ++i)
            assigned[i] += u'=' + placeholders.at(i);
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3=?").arg(table, assigned.join(u','), name(fieldName(m_keyColumn)));
    }
    // An insert answers what the database filled in (defaults, identity); an update
    // answers its key, which tells whether the row was still there.
    if (!insert || untouched.isEmpty())
        untouched = QStringList{m_keyColumn >= 0 ? name(fieldName(m_keyColumn)) : name(fieldName(0))};
    return sql + QStringLiteral(" RETURNING ") + untouched.join(u',');
}

} // namespace zeva::host
