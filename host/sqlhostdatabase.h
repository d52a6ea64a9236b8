#pragma once
// The host's database over QtSql: an SQLite file (the embedded default) or a PostgreSQL
// server, behind the one HostDatabase contract. Statements arrive in SQL Server's dialect
// and are translated; text compares without case on both back ends; results are held in
// memory, and a result of one table can insert and update rows through bound parameters.

#include "hostdatabase.h"
#include "sqltranslator.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace zeva::host {

class SqlHostDatabase final : public HostDatabase, public std::enable_shared_from_this<SqlHostDatabase> {
public:
    // Opens the SQLite file at `path`, creating it when missing (its folder must exist).
    // Null, with the reason in `error`, when the file cannot be opened or is no database.
    static std::shared_ptr<SqlHostDatabase> openSqlite(const QString &path, QString *error = nullptr);
    // Opens a PostgreSQL database from a libpq-style connection string
    // ("host=/run/pg port=5432 dbname=zeva user=zeva password=…"). Null with the reason
    // in `error` when the server refuses.
    static std::shared_ptr<SqlHostDatabase> openPostgres(const QString &connectionString, QString *error = nullptr);
    ~SqlHostDatabase() override;
    SqlHostDatabase(const SqlHostDatabase &) = delete;
    SqlHostDatabase &operator=(const SqlHostDatabase &) = delete;

    std::unique_ptr<HostStatement> Prepare(const QString &sql, int options = 1) override;
    bool BeginTrans() override;
    bool CommitTrans() override;
    bool RollbackTrans() override;
    HostError LastError() const override;
    void Release() override;

    SqlDialect dialect() const { return m_dialect; }
    bool inTransaction() const { return m_inTransaction; }
    // "SQLite /path/file" or "PostgreSQL host=… dbname=…", for messages.
    QString describe() const { return m_description; }
    // The QtSql connection itself, for the host's own work (schema, keys, benchmarks).
    QSqlDatabase connection() const;

    // What the host knows about a table: its name as the database spells it and its
    // primary key column (empty when it has none). `exists` is false for views and
    // unknown names.
    struct TableInfo {
        bool exists = false;
        QString name;
        QString primaryKey;
        QStringList columns;
    };
    TableInfo tableInfo(const QString &name);
    // Forgets cached table descriptions, after the schema changed.
    void forgetTables();

    // Runs `run` on a fresh query of this connection as one statement of the session:
    // inside a PostgreSQL transaction a failing statement is undone alone (as SQL Server
    // does) instead of aborting the transaction. Success clears the last error; failure
    // records the query's error. Answers what `run` answered.
    bool runStatement(QSqlQuery &query, const std::function<bool(QSqlQuery &)> &run);
    void setLastError(const HostError &error) { m_lastError = error; }
    void clearLastError() { m_lastError = HostError(); }
    static HostError errorOf(const QSqlError &error);

private:
    SqlHostDatabase(SqlDialect dialect, QString connectionName, QString description);
    bool runTransactionCommand(const QString &command);

    SqlDialect m_dialect;
    QString m_connectionName;
    QString m_description;
    HostError m_lastError;
    bool m_inTransaction = false;
    QHash<QString, TableInfo> m_tables;   // lower-cased name -> info
};

} // namespace zeva::host
