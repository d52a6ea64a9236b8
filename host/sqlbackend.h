#pragma once
// What differs between the host's database back ends, and nothing else: how a
// connection is opened, how a transaction begins, whether a failing statement spoils the
// open transaction, and how a table describes itself. SqlHostDatabase holds one and is
// the same code for both; SqliteBackend and PostgresBackend are the two there are.

#include "sqltranslator.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

namespace zeva::host {

// What the host knows about a table: its name as the database spells it, its primary
// key column (empty when it has none, or a key of several columns) and its columns.
// `exists` is false for views and unknown names.
struct TableInfo {
    bool exists = false;
    QString name;
    QString primaryKey;
    QStringList columns;
};

class SqlBackend {
public:
    virtual ~SqlBackend() = default;

    // The dialect the translator writes statements in for this back end.
    virtual SqlDialect dialect() const = 0;
    // Adds the QtSql connection `connectionName` and opens it, ready for the session's
    // statements. False, with the reason in `error`, when it cannot; the caller removes
    // the connection then.
    virtual bool open(const QString &connectionName, QString *error) = 0;
    // "SQLite /path/file" or "PostgreSQL host=… dbname=…" (no password), for messages.
    virtual QString description() const = 0;
    // The statement that begins a transaction.
    virtual QString beginStatement() const = 0;
    // True when a failing statement aborts the open transaction, so that the host must
    // guard each statement with a savepoint to undo it alone, as SQL Server does.
    virtual bool failureAbortsTransaction() const = 0;
    // The table `name` (any case), looked up in the database's catalogue.
    virtual TableInfo describeTable(const QSqlDatabase &db, const QString &name) const = 0;

    // After a statement failed with `error`: true when the connection itself is gone (the
    // server restarted, or ended the session), not just the statement. A file never goes.
    virtual bool connectionLost(const QSqlDatabase &, const QSqlError &) const { return false; }
    // Connects `connectionName` again with the session's settings. False, with the
    // reason in `error`, while the server cannot be reached.
    virtual bool reconnect(const QString &, QString *error)
    {
        *error = QStringLiteral("this database cannot be connected again");
        return false;
    }
};

} // namespace zeva::host
