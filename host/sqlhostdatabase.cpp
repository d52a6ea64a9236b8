#include "sqlhostdatabase.h"

#include "postgresbackend.h"
#include "sqlitebackend.h"
#include "sqlstatement.h"

#include <QAtomicInt>
#include <QRegularExpression>

namespace zeva::host {

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("zeva-host-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

SqlHostDatabase::SqlHostDatabase(std::unique_ptr<SqlBackend> backend, QString connectionName)
    : m_backend(std::move(backend)), m_connectionName(std::move(connectionName)), m_description(m_backend->description())
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

std::shared_ptr<SqlHostDatabase> SqlHostDatabase::open(std::unique_ptr<SqlBackend> backend, QString *error)
{
    QString scratch;
    std::shared_ptr<SqlHostDatabase> db(new SqlHostDatabase(std::move(backend), newConnectionName()));
    // On failure the handle goes, and with it the connection the back end added.
    if (!db->m_backend->open(db->m_connectionName, error ? error : &scratch))
        return nullptr;
    return db;
}

std::shared_ptr<SqlHostDatabase> SqlHostDatabase::openSqlite(const QString &path, QString *error)
{
    return open(std::make_unique<SqliteBackend>(path), error);
}

std::shared_ptr<SqlHostDatabase> SqlHostDatabase::openPostgres(const QString &connectionString, QString *error)
{
    return open(std::make_unique<PostgresBackend>(connectionString), error);
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
    const bool guarded = m_inTransaction && m_backend->failureAbortsTransaction();
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
    if (!runTransactionCommand(m_backend->beginStatement()))
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
    // A back end whose failures abort the transaction (PostgreSQL) answers COMMIT of an
    // aborted one by rolling it back without an error; ask first, so that such a commit
    // is reported as the failure it is.
    if (m_backend->failureAbortsTransaction()) {
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
    const TableInfo info = m_backend->describeTable(connection(), name);
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
