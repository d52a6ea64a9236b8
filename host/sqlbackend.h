#pragma once
// What differs between the host's database back ends, and nothing else: how a
// connection is opened, how a transaction begins, whether a failing statement spoils the
// open transaction, and how a table describes itself. SqlHostDatabase holds one and is
// the same code for both; SqliteBackend and PostgresBackend are the two there are.

#include "bytesource.h"
#include "sqltranslator.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace zeva::host {

// What the host knows about a table: its name as the database spells it, its primary
// key column (empty when it has none, or a key of several columns) and its columns.
// `exists` is false for views and unknown names.
struct TableInfo {
    bool exists = false;
    bool otherRelation = false;   // a view or the like: no table, and never will be while it stands
    QString name;
    QString primaryKey;
    QStringList columns;
    QStringList bytesColumns;   // those of binary type
};

// One stored bytes value: the column of the row whose key column holds `key`.
struct BytesCell {
    QString table;
    QString keyColumn;
    QVariant key;
    QString column;
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

    // Bytes values piece by piece, so that no document is held whole. The length of a
    // stored value in bytes, as a select-list expression of the (quoted) column.
    virtual QString byteLength(const QString &column) const { return QStringLiteral("length(%1)").arg(column); }
    // Hands the stored value of `cell` (`size` bytes) to `sink` in pieces.
    virtual bool readBytes(const QSqlDatabase &db, const BytesCell &cell, qint64 size, const ByteSource::Sink &sink,
                           QString *error) const = 0;
    // True when writeBytes can fill a value that a statement first made `size` zero bytes
    // long with zeroBytes(); false when the driver binds whole values only.
    virtual bool writesInPieces() const { return false; }
    virtual QString zeroBytes(const QString &sizePlaceholder) const { return sizePlaceholder; }
    virtual bool writeBytes(const QSqlDatabase &, const BytesCell &, const ByteSource &, QString *error) const
    {
        *error = QStringLiteral("this database takes whole values only");
        return false;
    }

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
