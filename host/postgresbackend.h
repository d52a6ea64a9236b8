#pragma once
// The multi-user back end: a PostgreSQL database named by a libpq connection string.
// Every session quotes texts by doubling their quotes alone (standard_conforming_strings
// on); a failing statement aborts PostgreSQL's open transaction, which the host undoes
// with a savepoint per statement.

#include "sqlbackend.h"

namespace zeva::host {

class PostgresBackend final : public SqlBackend {
public:
    // "host=/run/pg port=5432 dbname=zeva user=zeva password=…"; keys QtSql has no field
    // for (options, sslmode, …) pass through as connect options.
    explicit PostgresBackend(QString connectionString);

    SqlDialect dialect() const override { return SqlDialect::Postgres; }
    // Fails for a malformed connection string, a server that refuses, or a session
    // setting it cannot make.
    bool open(const QString &connectionName, QString *error) override;
    QString description() const override;
    QString beginStatement() const override { return QStringLiteral("BEGIN"); }
    bool failureAbortsTransaction() const override { return true; }
    // Resolved through the search path, as the statements' own names are.
    TableInfo describeTable(const QSqlDatabase &db, const QString &name) const override;
    // Reading in pieces by substring of values kept out of line uncompressed (the schema's
    // EXTERNAL storage), so a piece costs its own size; writing streams the value through a
    // binary COPY into a session table, then moves it into the row (postgresbytes.cpp).
    QString byteLength(const QString &column) const override { return QStringLiteral("octet_length(%1)").arg(column); }
    bool readBytes(const QSqlDatabase &db, const BytesCell &cell, qint64 size, const ByteSource::Sink &sink,
                   QString *error) const override;
    bool writesInPieces() const override { return true; }
    QString zeroBytes(const QString &sizePlaceholder) const override
    {
        return QStringLiteral("substring(''::bytea FROM 1 FOR %1)").arg(sizePlaceholder);
    }
    bool writeBytes(const QSqlDatabase &db, const BytesCell &cell, const ByteSource &bytes, QString *error) const override;
    // A failure of the connection's own, or one after which the connection cannot even
    // answer SELECT 1.
    bool connectionLost(const QSqlDatabase &db, const QSqlError &error) const override;
    bool reconnect(const QString &connectionName, QString *error) override;

private:
    // Opens `connection` and makes the session's settings.
    bool connect(QSqlDatabase &connection, QString *error) const;

    QString m_connectionString;
};

} // namespace zeva::host
