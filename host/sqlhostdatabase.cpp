#include "sqlhostdatabase.h"

#include "hostrecordset.h"
#include "hoststatement.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>

#include <optional>

namespace zeva::host {

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("zeva-host-%1").arg(counter.fetchAndAddRelaxed(1));
}

// A result of one table: writes rows back with INSERT … RETURNING or UPDATE … WHERE key.
class SqlRecordset final : public HostRecordset {
public:
    SqlRecordset(std::shared_ptr<SqlHostDatabase> db, QStringList columns, QList<Row> rows,
                 SqlHostDatabase::TableInfo table)
        : HostRecordset(columns, std::move(rows), table.exists, errorSink(db)),
          m_db(std::move(db)), m_table(std::move(table))
    {
        m_keyColumn = m_table.primaryKey.isEmpty() ? -1 : fieldIndex(m_table.primaryKey);
    }

    static ErrorSink errorSink(const std::shared_ptr<SqlHostDatabase> &db)
    {
        std::weak_ptr<SqlHostDatabase> weak = db;
        return [weak](const HostError &error) {
            if (auto db = weak.lock())
                db->setLastError(error);
        };
    }

protected:
    bool doUpdate(const Row &original, Row &edited, const QList<bool> &changed) override
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

private:
    // INSERT or UPDATE of the written columns with bound values.
    QString statementFor(bool insert, const QList<bool> &changed) const
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

    std::shared_ptr<SqlHostDatabase> m_db;
    SqlHostDatabase::TableInfo m_table;
    int m_keyColumn = -1;
    std::optional<QSqlQuery> m_prepared;
    QString m_preparedSql;           // still to be prepared; empty once it is
    bool m_preparedInsert = false;
    QList<bool> m_preparedColumns;
    QList<int> m_returned;           // RETURNING column -> recordset column
};

class SqlStatement final : public HostStatement {
public:
    SqlStatement(std::shared_ptr<SqlHostDatabase> db, const QString &sql)
        : HostStatement(sql), m_db(std::move(db)), m_translated(translateSql(sql, m_db->dialect()))
    {
    }

protected:
    bool doExecute(qint64 *rowsAffected) override
    {
        QSqlQuery query(m_db->connection());
        query.setForwardOnly(true);
        if (!m_db->runStatement(query, [this](QSqlQuery &q) { return q.exec(m_translated); }))
            return false;
        const QString verb = leadingKeyword(m_translated);
        // A changed table shape makes the cached keys and columns stale.
        if (verb == u"create" || verb == u"drop" || verb == u"alter")
            m_db->forgetTables();
        // Only data statements change rows; the driver's count is stale after others.
        const bool changesRows = verb == u"insert" || verb == u"update" || verb == u"delete";
        if (rowsAffected)
            *rowsAffected = changesRows ? qMax(0, query.numRowsAffected()) : 0;
        return true;
    }

    HostValue doGetValue() override
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

    std::unique_ptr<HostRecordset> doOpenRecordset() override
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
        SqlHostDatabase::TableInfo table;
        const QString source = singleSourceTable(sql());
        if (!source.isEmpty())
            table = m_db->tableInfo(source);
        return std::make_unique<SqlRecordset>(m_db, std::move(columns), std::move(rows), std::move(table));
    }

    void fail(const QString &description) override
    {
        m_db->setLastError(HostError(description));
    }

private:
    std::shared_ptr<SqlHostDatabase> m_db;
    QString m_translated;
};

// libpq's "key=value key='quoted value'" pairs.
QHash<QString, QString> parseConnectionString(const QString &text, QString *error)
{
    QHash<QString, QString> pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0) {
            *error = QStringLiteral("The connection string has a word without \"=\": %1").arg(text.mid(i));
            return {};
        }
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        while (i < n && text.at(i).isSpace())
            ++i;
        QString value;
        if (i < n && text.at(i) == u'\'') {
            ++i;
            while (i < n && text.at(i) != u'\'') {
                if (text.at(i) == u'\\' && i + 1 < n)
                    ++i;
                value += text.at(i++);
            }
            if (i >= n) {
                *error = QStringLiteral("The connection string has an unterminated quote.");
                return {};
            }
            ++i;
        } else {
            while (i < n && !text.at(i).isSpace())
                value += text.at(i++);
        }
        pairs.insert(key, value);
    }
    return pairs;
}

} // namespace

SqlHostDatabase::SqlHostDatabase(SqlDialect dialect, QString connectionName, QString description)
    : m_dialect(dialect), m_connectionName(std::move(connectionName)), m_description(std::move(description))
{
}

SqlHostDatabase::~SqlHostDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (m_inTransaction)
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::shared_ptr<SqlHostDatabase> SqlHostDatabase::openSqlite(const QString &path, QString *error)
{
    QString scratch;
    QString &why = error ? *error : scratch;
    const QFileInfo info(path);
    if (path.isEmpty() || info.isDir()) {
        why = QStringLiteral("Cannot open the database %1: not a file name.").arg(path);
        return nullptr;
    }
    if (!info.absoluteDir().exists()) {
        why = QStringLiteral("Cannot open the database %1: its folder does not exist.").arg(path);
        return nullptr;
    }
    const QString name = newConnectionName();
    std::shared_ptr<SqlHostDatabase> db(
        new SqlHostDatabase(SqlDialect::Sqlite, name, QStringLiteral("SQLite ") + info.absoluteFilePath()));
    QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    connection.setDatabaseName(info.absoluteFilePath());
    // Several processes may share the file: wait for another writer rather than fail.
    connection.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    if (!connection.open()) {
        why = QStringLiteral("Cannot open the database %1: %2").arg(path, connection.lastError().text());
        return nullptr;
    }
    QSqlQuery q(connection);
    // A file that is not a database opens without complaint; the first read tells.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))
        || !q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"))) {
        why = QStringLiteral("Cannot open the database %1: %2").arg(path, q.lastError().text());
        return nullptr;
    }
    return db;
}

std::shared_ptr<SqlHostDatabase> SqlHostDatabase::openPostgres(const QString &connectionString, QString *error)
{
    QString scratch;
    QString &why = error ? *error : scratch;
    QString parseError;
    QHash<QString, QString> pairs = parseConnectionString(connectionString, &parseError);
    if (!parseError.isEmpty()) {
        why = parseError;
        return nullptr;
    }
    const QString name = newConnectionName();
    // What is shown of the connection never carries its password.
    QString shown = connectionString;
    static const QRegularExpression secret(QStringLiteral("\\b(password|passfile)\\s*=\\s*('(?:[^'\\\\]|\\\\.)*'|\\S*)"),
                                           QRegularExpression::CaseInsensitiveOption);
    shown.replace(secret, QStringLiteral("\\1=***"));
    std::shared_ptr<SqlHostDatabase> db(new SqlHostDatabase(SqlDialect::Postgres, name, QStringLiteral("PostgreSQL ") + shown));
    QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    connection.setHostName(pairs.take(QStringLiteral("host")));
    connection.setDatabaseName(pairs.take(QStringLiteral("dbname")));
    connection.setUserName(pairs.take(QStringLiteral("user")));
    connection.setPassword(pairs.take(QStringLiteral("password")));
    const QString port = pairs.take(QStringLiteral("port"));
    if (!port.isEmpty())
        connection.setPort(port.toInt());
    QStringList options;
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
        options << it.key() + u'=' + it.value();
    connection.setConnectOptions(options.join(u';'));
    if (!connection.open()) {
        why = QStringLiteral("Cannot connect to %1: %2").arg(shown, connection.lastError().text());
        return nullptr;
    }
    QSqlQuery q(connection);
    // Texts are quoted by doubling their quotes alone: a backslash must stay an ordinary
    // character, whatever the database or role sets.
    for (const char *setting : {"SET client_min_messages TO warning", "SET standard_conforming_strings TO on"}) {
        if (!q.exec(QString::fromLatin1(setting))) {
            why = QStringLiteral("Cannot use %1: %2").arg(shown, q.lastError().text());
            return nullptr;
        }
    }
    return db;
}

QSqlDatabase SqlHostDatabase::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

std::unique_ptr<HostStatement> SqlHostDatabase::Prepare(const QString &sql, int)
{
    return std::make_unique<SqlStatement>(shared_from_this(), sql);
}

HostError SqlHostDatabase::errorOf(const QSqlError &error)
{
    QString raw = error.databaseText().trimmed();
    if (raw.isEmpty() || raw == u"not an error")
        raw = error.text().trimmed();
    // PostgreSQL's message comes with its severity, the statement's line and a caret, and
    // the SQLSTATE in parentheses: keep the message and its detail.
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s*"));
    static const QRegularExpression state(QStringLiteral("^\\([0-9A-Z]{5}\\)$"));
    QStringList kept;
    for (QString line : raw.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("LINE ")) || line == u'^' || state.match(line).hasMatch())
            continue;
        if (line.startsWith(u'^') && line.count(u'^') == line.size())
            continue;
        kept << line.remove(severity);
    }
    QString text = kept.join(u' ');
    if (text.isEmpty())
        text = QStringLiteral("The database reported a failure without a message.");
    return HostError(text, error.nativeErrorCode());
}

bool SqlHostDatabase::runStatement(QSqlQuery &query, const std::function<bool(QSqlQuery &)> &run)
{
    const bool guarded = m_dialect == SqlDialect::Postgres && m_inTransaction;
    QSqlQuery savepoint(connection());
    if (guarded && !savepoint.exec(QStringLiteral("SAVEPOINT zeva_statement"))) {
        m_lastError = errorOf(savepoint.lastError());
        return false;
    }
    if (!run(query)) {
        m_lastError = errorOf(query.lastError());
        if (guarded)
            savepoint.exec(QStringLiteral("ROLLBACK TO SAVEPOINT zeva_statement"));
        return false;
    }
    if (guarded)
        savepoint.exec(QStringLiteral("RELEASE SAVEPOINT zeva_statement"));
    m_lastError = HostError();
    return true;
}

bool SqlHostDatabase::runTransactionCommand(const QString &command)
{
    QSqlQuery q(connection());
    if (!q.exec(command)) {
        m_lastError = errorOf(q.lastError());
        return false;
    }
    m_lastError = HostError();
    return true;
}

bool SqlHostDatabase::BeginTrans()
{
    if (m_inTransaction) {
        m_lastError = HostError(QStringLiteral("A transaction is already open on this connection."));
        return false;
    }
    // SQLite: take the write lock at once, so that two writers wait for each other
    // instead of one failing when it upgrades its read lock.
    if (!runTransactionCommand(m_dialect == SqlDialect::Sqlite ? QStringLiteral("BEGIN IMMEDIATE")
                                                               : QStringLiteral("BEGIN")))
        return false;
    m_inTransaction = true;
    return true;
}

bool SqlHostDatabase::CommitTrans()
{
    if (!m_inTransaction) {
        m_lastError = HostError(QStringLiteral("No transaction is open: nothing to commit."));
        return false;
    }
    // PostgreSQL answers COMMIT of an aborted transaction by rolling it back without an
    // error; ask first, so that such a commit is reported as the failure it is.
    if (m_dialect == SqlDialect::Postgres) {
        QSqlQuery probe(connection());
        if (!probe.exec(QStringLiteral("SELECT 1"))) {
            const HostError why = errorOf(probe.lastError());
            QSqlQuery(connection()).exec(QStringLiteral("ROLLBACK"));
            m_inTransaction = false;
            m_lastError = HostError(QStringLiteral("The transaction was rolled back: %1").arg(why.Description()),
                                    why.NativeCode());
            return false;
        }
    }
    if (!runTransactionCommand(QStringLiteral("COMMIT"))) {
        // A failed commit leaves no transaction open on either back end.
        QSqlQuery(connection()).exec(QStringLiteral("ROLLBACK"));
        m_inTransaction = false;
        return false;
    }
    m_inTransaction = false;
    return true;
}

bool SqlHostDatabase::RollbackTrans()
{
    if (!m_inTransaction) {
        m_lastError = HostError(QStringLiteral("No transaction is open: nothing to roll back."));
        return false;
    }
    m_inTransaction = false;
    return runTransactionCommand(QStringLiteral("ROLLBACK"));
}

HostError SqlHostDatabase::LastError() const
{
    return m_lastError;
}

void SqlHostDatabase::Release()
{
    // Results live in the recordsets; the connection keeps nothing between statements.
}

SqlHostDatabase::TableInfo SqlHostDatabase::tableInfo(const QString &name)
{
    const QString key = name.toLower();
    auto cached = m_tables.constFind(key);
    if (cached != m_tables.cend())
        return *cached;
    TableInfo info;
    QSqlDatabase db = connection();
    if (m_dialect == SqlDialect::Postgres) {
        // Resolved through the search path, as the statements' own names are; an
        // unquoted name folds to lower case there.
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT c.relname FROM pg_class c WHERE c.oid = to_regclass(?) AND c.relkind IN ('r', 'p')"));
        q.addBindValue(name.toLower());
        if (q.exec() && q.next()) {
            info.exists = true;
            info.name = q.value(0).toString();
            q.prepare(QStringLiteral("SELECT a.attname, a.attnum IN (SELECT unnest(i.indkey) FROM pg_index i "
                                     "WHERE i.indrelid = a.attrelid AND i.indisprimary AND i.indnatts = 1) "
                                     "FROM pg_attribute a WHERE a.attrelid = to_regclass(?) AND a.attnum > 0 "
                                     "AND NOT a.attisdropped ORDER BY a.attnum"));
            q.addBindValue(name.toLower());
            if (q.exec()) {
                while (q.next()) {
                    info.columns << q.value(0).toString();
                    if (q.value(1).toBool())
                        info.primaryKey = q.value(0).toString();
                }
            }
        }
    } else {
        for (const QString &table : db.tables(QSql::Tables)) {
            if (table.compare(name, Qt::CaseInsensitive) == 0) {
                info.exists = true;
                info.name = table;
                break;
            }
        }
        if (info.exists) {
            const QSqlIndex primary = db.primaryIndex(info.name);
            if (primary.count() == 1)
                info.primaryKey = primary.fieldName(0);
            const QSqlRecord record = db.record(info.name);
            for (int i = 0; i < record.count(); ++i)
                info.columns << record.fieldName(i);
        }
    }
    // A table that does not exist yet may be made by the next statement.
    if (info.exists)
        m_tables.insert(key, info);
    return info;
}

void SqlHostDatabase::forgetTables()
{
    m_tables.clear();
}

} // namespace zeva::host
