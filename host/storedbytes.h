#pragma once
// Bytes columns read on demand. A result of one table with a key answers a stored
// document with its length only; the value is a ByteSource that reads the column when a
// reader asks, piece by piece, so listing a product's drawings never reads their contents.

#include "sqlbackend.h"

#include <memory>

namespace zeva::host {

class SqlHostDatabase;

// The stored value of `cell`, `size` bytes long, read through `db` when asked.
std::shared_ptr<const ByteSource> storedBytes(const std::shared_ptr<SqlHostDatabase> &db, BytesCell cell, qint64 size);

// `SELECT * FROM table …` with the table's bytes columns answered by their length (under
// their own names), when the table has a key to find the row again; "" otherwise.
QString selectWithByteLengths(const QString &translatedSql, const TableInfo &table, const SqlBackend &backend,
                              const QSqlDriver &driver);

} // namespace zeva::host
