#pragma once
// The host's database over QtSql: an SQLite file (the embedded default) or a PostgreSQL
// server, behind the one HostDatabase contract. Statements arrive in SQL Server's dialect
// and are translated; text compares without case on both back ends; results are held in
// memory, and a result of one table can insert and update rows through bound parameters.
// What differs between the back ends lives in their SqlBackend; this is the code both share:
// the session's one connection, its transaction, its last error and its table descriptions.

#include "hostdatabase.h"
#include "sqlbackend.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>

namespace zeva::host {

class SqlHostDatabase final : public HostDatabase, public std::enable_shared_from_this<SqlHostDatabase> {
public:
    using TableInfo = host::TableInfo;

    // Opens the SQLite file at `path`, creating it when missing (its folder must exist).
    // Null, with the reason in `error`, when the file cannot be opened or is no database.
    static std::shared_ptr<SqlHostDatabase> openSqlite(const QString &path, QString *error = nullptr);
    // Opens a PostgreSQL database from a libpq-style connection string
    // ("host=/run/pg port=5432 dbname=zeva user=zeva password=…"). Null with the reason
    // in `error` when the server refuses.
    static std::shared_ptr<SqlHostDatabase> openPostgres(const QString &connectionString, QString *error = nullptr);
    // Opens the database `backend` names; null with the reason in `error`.
    static std::shared_ptr<SqlHostDatabase> open(std::unique_ptr<SqlBackend> backend, QString *error = nullptr);
    ~SqlHostDatabase() override;
    SqlHostDatabase(const SqlHostDatabase &) = delete;
    SqlHostDatabase &operator=(const SqlHostDatabase &) = delete;

    std::unique_ptr<HostStatement> Prepare(const QString &sql, int options = 1) override;
    // A transaction does not nest: a second BeginTrans, or a commit or rollback without
    // one, is an error. A failed commit leaves no transaction open.
    bool BeginTrans() override;
    bool CommitTrans() override;
    bool RollbackTrans() override;
    HostError LastError() const override;
    void Release() override;

    const SqlBackend &backend() const { return *m_backend; }
    SqlDialect dialect() const { return m_backend->dialect(); }
    bool inTransaction() const { return m_inTransaction; }
    // "SQLite /path/file" or "PostgreSQL host=… dbname=…", for messages.
    QString describe() const { return m_description; }
    // The QtSql connection itself, for the host's own work (schema, keys, benchmarks).
    // A connection that was lost is made again here, once no transaction is open.
    QSqlDatabase connection();

    // The table `name` (any case), described once and remembered.
    TableInfo tableInfo(const QString &name);
    // Forgets cached table descriptions, after the schema changed.
    void forgetTables();

    // Runs `run` on a fresh query of this connection as one statement of the session:
    // inside a transaction that a failure would abort (PostgreSQL) a failing statement is
    // undone alone, as SQL Server does. Success clears the last error; failure records
    // the query's error. Answers what `run` answered.
    bool runStatement(QSqlQuery &query, const std::function<bool(QSqlQuery &)> &run);
    void setLastError(const HostError &error) { m_lastError = error; }
    void clearLastError() { m_lastError = HostError(); }
    // The driver's message without PostgreSQL's severity, LINE and caret lines and
    // SQLSTATE, with the native code beside it.
    static HostError errorOf(const QSqlError &error);

private:
    SqlHostDatabase(std::unique_ptr<SqlBackend> backend, QString connectionName);
    bool runTransactionCommand(const QString &command);
    // After a failed statement: when the connection went with it, remembers to connect
    // again and turns the failure into one that says so. An open transaction is gone.
    void noteLostConnection(const QSqlError &error);
    // True, with the reason as the last error, while a lost connection could not be made
    // again: nothing is sent on it.
    bool refuseWhileLost();

    std::unique_ptr<SqlBackend> m_backend;
    QString m_connectionName;
    QString m_description;
    HostError m_lastError;
    bool m_inTransaction = false;
    bool m_connectionLost = false;   // made again before the next statement
    QString m_reconnectError;        // why the last attempt to connect again failed
    QHash<QString, TableInfo> m_tables;   // lower-cased name -> info
};

} // namespace zeva::host
