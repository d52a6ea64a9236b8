#pragma once
// The catalogue's tables and views, identical on SQLite and PostgreSQL: every column the
// form reads or writes, primary keys (a host-side identity column "hostRowID" where a
// table has no key of its own), and a default for every column but keys and bytes, so
// that a row can be inserted naming only the columns the form knows.

#include "sqlhostdatabase.h"

#include <QString>
#include <QStringList>

namespace zeva::host {

// Creates what is missing; existing tables and their rows are left alone (views are
// made again). Answers false with the failing statement's reason in `error`.
[[nodiscard]] bool createSchema(SqlHostDatabase &db, QString *error = nullptr);
// Drops every table and view of the schema (the demo data's fresh start).
[[nodiscard]] bool dropSchema(SqlHostDatabase &db, QString *error = nullptr);
// The schema's statements for a back end, in the order they run; `trigramIndexes` where
// PostgreSQL has the pg_trgm extension to offer.
QStringList schemaStatements(SqlDialect dialect, bool trigramIndexes);
// The table names of the schema, the key table included.
QStringList schemaTables();

// The table that backs KeyAllocator: the last key handed out per table and column.
inline constexpr const char *keyTableName = "zeva_keys";

} // namespace zeva::host
