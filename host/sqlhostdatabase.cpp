#include "sqlhostdatabase.h"

#include "postgresbackend.h"
#include "sqlitebackend.h"
#include "sqlstatement.h"

#include <QAtomicInt>
#include <QRegularExpression>

namespace zeva::host {

namespace {

const QString kNoMessage = QStringLiteral("The database reported a failure without a message.");

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

QSqlDatabase SqlHostDatabase::connection()
{
    // Never inside a transaction: its statements must not silently run on another session.
    if (m_connectionLost && !m_inTransaction) {
        QString error;
        if (m_backend->reconnect(m_connectionName, &error)) {
            m_connectionLost = false;
            m_reconnectError.clear();
            m_tables.clear();
        } else {
            m_reconnectError = error;
        }
    }
    return QSqlDatabase::database(m_connectionName, false);
}

void SqlHostDatabase::noteLostConnection(const QSqlError &error)
{
    if (!m_backend->connectionLost(QSqlDatabase::database(m_connectionName, false), error))
        return;
    m_connectionLost = true;
    QString text = m_lastError.Description();
    if (text == kNoMessage)
        text = QStringLiteral("The connection to the database server was lost.");
    if (m_inTransaction) {
        m_inTransaction = false;
        text += QStringLiteral(" The open transaction was rolled back.");
    }
    m_lastError = HostError(text + QStringLiteral(" The next statement connects again."), m_lastError.NativeCode());
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
        text = kNoMessage;
    return HostError(text, error.nativeErrorCode());
}

bool SqlHostDatabase::refuseWhileLost()
{
    if (!m_connectionLost)
        return false;
    m_lastError = HostError(QStringLiteral("The connection to the database server is lost and cannot be made again: %1")
                                .arg(m_reconnectError));
    return true;
}

bool SqlHostDatabase::runStatement(QSqlQuery &query, const std::function<bool(QSqlQuery &)> &run)
{
    // The query was made on connection(), which tried to connect again; a statement is
    // never sent on a connection known to be gone.
    if (refuseWhileLost())
        return false;
    const bool guarded = m_inTransaction && m_backend->failureAbortsTransaction();
    QSqlQuery savepoint(connection());
    if (guarded && !savepoint.exec(QStringLiteral("SAVEPOINT zeva_statement"))) {
        m_lastError = errorOf(savepoint.lastError());
        noteLostConnection(savepoint.lastError());
        return false;
    }
    if (!run(query)) {
        m_lastError = errorOf(query.lastError());
        if (guarded)
            savepoint.exec(QStringLiteral("ROLLBACK TO SAVEPOINT zeva_statement"));
        noteLostConnection(query.lastError());
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
    if (refuseWhileLost())
        return false;
    if (!q.exec(command)) {
        m_lastError = errorOf(q.lastError());
        noteLostConnection(q.lastError());
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
    // A table that does not exist yet may be made by the next statement; a view stays one
    // until a statement changes the schema, which forgets them all.
    if (info.exists || info.otherRelation)
        m_tables.insert(key, info);
    return info;
}

void SqlHostDatabase::forgetTables()
{
    m_tables.clear();
}

} // namespace zeva::host
