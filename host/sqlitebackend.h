#pragma once
// The embedded back end: one SQLite file in WAL mode, shared by several processes, each
// transaction taking the write lock at its start; text columns compare without case
// (COLLATE NOCASE, from the schema).

#include "sqlbackend.h"

namespace zeva::host {

class SqliteBackend final : public SqlBackend {
public:
    // The file at `path`, made when missing (its folder must exist).
    explicit SqliteBackend(QString path);

    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    // Fails for an empty path, a folder, a missing folder, and a file that is no database
    // (which is left as it was).
    bool open(const QString &connectionName, QString *error) override;
    QString description() const override;
    // BEGIN IMMEDIATE: two writers wait for each other instead of one failing when it
    // upgrades its read lock.
    QString beginStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    bool failureAbortsTransaction() const override { return false; }
    TableInfo describeTable(const QSqlDatabase &db, const QString &name) const override;
    // Through SQLite's incremental blob I/O (sqliteblobs.cpp).
    bool readBytes(const QSqlDatabase &db, const BytesCell &cell, qint64 size, const ByteSource::Sink &sink,
                   QString *error) const override;
    bool writesInPieces() const override { return true; }
    QString zeroBytes(const QString &sizePlaceholder) const override { return QStringLiteral("zeroblob(%1)").arg(sizePlaceholder); }
    bool writeBytes(const QSqlDatabase &db, const BytesCell &cell, const ByteSource &bytes, QString *error) const override;

private:
    QString m_path;
};

} // namespace zeva::host
