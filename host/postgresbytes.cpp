// Writing a document into PostgreSQL without holding it: QPSQL binds whole values only
// (as escaped text, many times the document's size), so the value goes through libpq's
// binary COPY in pieces into a table of the session, then into its row by one update.

#include "postgresbackend.h"

#include <QSqlDriver>
#include <QtEndian>

#include <libpq-fe.h>

namespace zeva::host {

namespace {

PGconn *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    // The driver names the type as written or as the compiler spells the typedef.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.data());
}

// Runs a command that answers no rows; false with the server's message.
bool command(PGconn *conn, const char *sql, QString *error)
{
    PGresult *result = PQexec(conn, sql);
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok)
        *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    PQclear(result);
    return ok;
}

// Ends a COPY: every result read, so the connection is ready for the next command.
bool finishCopy(PGconn *conn, const char *abortReason, QString *error)
{
    bool ok = PQputCopyEnd(conn, abortReason) == 1;
    while (PGresult *result = PQgetResult(conn)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            ok = false;
            if (error->isEmpty())
                *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        }
        PQclear(result);
    }
    return ok && !abortReason;
}

template <class T> QByteArray bigEndian(T value)
{
    QByteArray bytes(sizeof(T), Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

} // namespace

bool PostgresBackend::writeBytes(const QSqlDatabase &db, const BytesCell &cell, const ByteSource &bytes,
                                 QString *error) const
{
    PGconn *conn = handleOf(db);
    if (!conn) {
        *error = QStringLiteral("the PostgreSQL connection has no handle (%1)")
                     .arg(QString::fromLatin1(db.driver()->handle().typeName()));
        return false;
    }
    if (bytes.size() > 0x7fffffff) {
        *error = QStringLiteral("a value of 2 GiB or more cannot be stored");
        return false;
    }
    if (!command(conn, "CREATE TEMP TABLE IF NOT EXISTS zeva_bytes (b bytea)", error)
        || !command(conn, "ALTER TABLE zeva_bytes ALTER COLUMN b SET STORAGE EXTERNAL", error)
        || !command(conn, "TRUNCATE zeva_bytes", error))
        return false;
    PGresult *started = PQexec(conn, "COPY zeva_bytes (b) FROM STDIN (FORMAT binary)");
    const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
    if (!copying)
        *error = QString::fromUtf8(PQresultErrorMessage(started)).trimmed();
    PQclear(started);
    if (!copying)
        return false;

    // The binary COPY stream: signature, flags, header extension; one row of one field
    // (its length, then its bytes); the end marker.
    QByteArray head("PGCOPY\n\377\r\n\0", 11);
    head += bigEndian<qint32>(0) + bigEndian<qint32>(0) + bigEndian<qint16>(1) + bigEndian<qint32>(qint32(bytes.size()));
    bool sent = PQputCopyData(conn, head.constData(), int(head.size())) == 1;
    qint64 total = 0;
    QString readError;
    const bool read = sent && bytes.read(
        [&](QByteArrayView piece) {
            total += piece.size();
            sent = total <= bytes.size() && PQputCopyData(conn, piece.data(), int(piece.size())) == 1;
            return sent;
        },
        &readError);
    const QByteArray tail = bigEndian<qint16>(-1);
    if (!read || total != bytes.size() || PQputCopyData(conn, tail.constData(), int(tail.size())) != 1) {
        *error = !readError.isEmpty() ? readError
            : !sent                   ? QString::fromUtf8(PQerrorMessage(conn)).trimmed()
                                      : QStringLiteral("the source changed while it was read");
        QString ignored;
        finishCopy(conn, "the document could not be read", &ignored);
        return false;
    }
    if (!finishCopy(conn, nullptr, error))
        return false;

    const QSqlDriver *driver = db.driver();
    const QByteArray update = QStringLiteral("UPDATE %1 SET %2 = (SELECT b FROM zeva_bytes) WHERE %3 = $1")
                                  .arg(driver->escapeIdentifier(cell.table, QSqlDriver::TableName),
                                       driver->escapeIdentifier(cell.column, QSqlDriver::FieldName),
                                       driver->escapeIdentifier(cell.keyColumn, QSqlDriver::FieldName))
                                  .toUtf8();
    const QByteArray key = cell.key.toString().toUtf8();
    const char *values[] = {key.constData()};
    PGresult *result = PQexecParams(conn, update.constData(), 1, nullptr, values, nullptr, nullptr, 0);
    const bool updated = PQresultStatus(result) == PGRES_COMMAND_OK && qstrcmp(PQcmdTuples(result), "1") == 0;
    if (!updated) {
        *error = PQresultStatus(result) == PGRES_COMMAND_OK ? QStringLiteral("the row is gone")
                                                            : QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    }
    PQclear(result);
    QString ignored;
    command(conn, "TRUNCATE zeva_bytes", &ignored);
    return updated;
}

} // namespace zeva::host
