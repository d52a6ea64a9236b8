#pragma once
// Fresh databases for the host tests: an SQLite file in a temporary folder, or a schema
// of its own on the PostgreSQL server that `./zeva test` starts (ZEVA_TEST_PG holds its
// connection string). Without ZEVA_TEST_PG the process starts a scratch server of its own;
// when that fails too, the PostgreSQL tests fail and say so. They are never skipped.

#include "sqlhostdatabase.h"

#include <QString>

#include <memory>

namespace zeva::host::test {

enum class Backend { Sqlite, Postgres };

// A new, empty database; null after a test failure that says why. The PostgreSQL schema
// is dropped when the last handle goes. `connectionString` (when given) receives what
// another process needs to open the same database (a file path or a libpq string).
std::shared_ptr<SqlHostDatabase> freshDatabase(Backend backend, QString *connectionString = nullptr);
// The same, with the host's schema and the demo catalogue installed.
std::shared_ptr<SqlHostDatabase> demoDatabase(Backend backend, QString *connectionString = nullptr);

// One statement's whole answer as text: "ok", the rows affected or the rows under a
// header, or "error: …". Column names are lower-cased, so both back ends compare.
QString runForText(HostDatabase &db, const QString &sql, bool sortRows = false);

// The folder of the running test binary (where zeva-host and the helpers are built).
QString binaryFolder();

inline const char *backendName(Backend backend)
{
    return backend == Backend::Sqlite ? "SQLite" : "PostgreSQL";
}

} // namespace zeva::host::test
