// SQLite's incremental blob I/O for the embedded back end: a stored document is read and
// written in pieces through the connection's own handle, never held whole.

#include "sqlitebackend.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace zeva::host {

namespace {

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

// The row's rowid, which the blob handle needs; 0 when the row is gone.
qint64 rowidOf(const QSqlDatabase &db, const BytesCell &cell, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ?")
                  .arg(db.driver()->escapeIdentifier(cell.table, QSqlDriver::TableName),
                       db.driver()->escapeIdentifier(cell.keyColumn, QSqlDriver::FieldName)));
    q.addBindValue(cell.key);
    if (!q.exec()) {
        *error = q.lastError().text();
        return 0;
    }
    if (!q.next()) {
        *error = QStringLiteral("the row is gone");
        return 0;
    }
    return q.value(0).toLongLong();
}

class Blob {
public:
    Blob(const QSqlDatabase &db, const BytesCell &cell, bool writable, QString *error)
    {
        sqlite3 *handle = handleOf(db);
        const qint64 rowid = handle ? rowidOf(db, cell, error) : 0;
        if (!handle) {
            *error = QStringLiteral("the SQLite connection has no handle");
            return;
        }
        if (rowid == 0)
            return;
        if (sqlite3_blob_open(handle, "main", cell.table.toUtf8().constData(), cell.column.toUtf8().constData(), rowid,
                              writable ? 1 : 0, &m_blob) != SQLITE_OK) {
            *error = QString::fromUtf8(sqlite3_errmsg(handle));
            sqlite3_blob_close(m_blob);
            m_blob = nullptr;
        }
        m_handle = handle;
    }
    ~Blob() { sqlite3_blob_close(m_blob); }
    Blob(const Blob &) = delete;
    Blob &operator=(const Blob &) = delete;

    explicit operator bool() const { return m_blob != nullptr; }
    qint64 size() const { return sqlite3_blob_bytes(m_blob); }
    QString failure() const { return QString::fromUtf8(sqlite3_errmsg(m_handle)); }
    sqlite3_blob *get() const { return m_blob; }

private:
    sqlite3 *m_handle = nullptr;
    sqlite3_blob *m_blob = nullptr;
};

} // namespace

bool SqliteBackend::readBytes(const QSqlDatabase &db, const BytesCell &cell, qint64 size, const ByteSource::Sink &sink,
                              QString *error) const
{
    const Blob blob(db, cell, false, error);
    if (!blob)
        return false;
    if (blob.size() != size) {
        *error = QStringLiteral("the stored value changed while it was read");
        return false;
    }
    QByteArray piece(int(std::min<qint64>(ByteSource::kPieceSize, size)), Qt::Uninitialized);
    for (qint64 at = 0; at < size; at += piece.size()) {
        const int n = int(std::min<qint64>(piece.size(), size - at));
        if (sqlite3_blob_read(blob.get(), piece.data(), n, int(at)) != SQLITE_OK) {
            *error = blob.failure();
            return false;
        }
        if (!sink(QByteArrayView(piece.constData(), n))) {
            error->clear();
            return false;
        }
    }
    return true;
}

bool SqliteBackend::writeBytes(const QSqlDatabase &db, const BytesCell &cell, const ByteSource &bytes, QString *error) const
{
    const Blob blob(db, cell, true, error);
    if (!blob)
        return false;
    if (blob.size() != bytes.size()) {
        *error = QStringLiteral("the stored value has %1 bytes, not %2").arg(blob.size()).arg(bytes.size());
        return false;
    }
    qint64 at = 0;
    QString failure;
    const bool read = bytes.read(
        [&](QByteArrayView piece) {
            if (at + piece.size() > blob.size()
                || sqlite3_blob_write(blob.get(), piece.data(), int(piece.size()), int(at)) != SQLITE_OK) {
                failure = at + piece.size() > blob.size() ? QStringLiteral("the source grew") : blob.failure();
                return false;
            }
            at += piece.size();
            return true;
        },
        error);
    if (!read) {
        if (error->isEmpty())
            *error = failure;
        return false;
    }
    return true;
}

} // namespace zeva::host
