// The recordset contract on both real back ends.
#include "hosttestsupport.h"
#include "recordsetcontract.h"

#include <QSqlQuery>

namespace {

using zeva::host::test::Backend;

bool makeFixture(zeva::host::SqlHostDatabase &db)
{
    const bool pg = db.dialect() == zeva::host::SqlDialect::Postgres;
    QSqlQuery q(db.connection());
    const QString ddl = pg ? QStringLiteral("CREATE TABLE contract_fixture (id INTEGER PRIMARY KEY, 名称 CITEXT, "
                                            "price DOUBLE PRECISION, qty INTEGER, data BYTEA, made DATE, note CITEXT)")
                           : QStringLiteral("CREATE TABLE contract_fixture (id INTEGER PRIMARY KEY, 名称 TEXT COLLATE NOCASE, "
                                            "price REAL, qty INTEGER, data BLOB, made DATE, note TEXT COLLATE NOCASE)");
    const QString bytes = pg ? QStringLiteral("'\\x0001'::bytea") : QStringLiteral("X'0001'");
    bool ok = q.exec(ddl)
        && q.exec(QStringLiteral("INSERT INTO contract_fixture VALUES (1, 'alpha', 12.5, 3, %1, '2026-01-02', NULL)").arg(bytes))
        && q.exec(QStringLiteral("INSERT INTO contract_fixture VALUES (2, 'Beta', 0, 0, NULL, NULL, 'b')"))
        && q.exec(QStringLiteral("INSERT INTO contract_fixture VALUES (3, '齿轮', 1.25, 7, NULL, NULL, NULL)"));
    EXPECT_TRUE(ok) << q.lastError().text().toStdString();
    return ok;
}

template <Backend B>
struct RealBackend {
    static std::shared_ptr<zeva::HostDatabase> make()
    {
        auto db = zeva::host::test::freshDatabase(B);
        if (!db || !makeFixture(*db))
            return nullptr;
        return db;
    }
};

using SqliteBackend = RealBackend<Backend::Sqlite>;
using PostgresBackend = RealBackend<Backend::Postgres>;

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Sqlite, RecordsetContract, ::testing::Types<SqliteBackend>);
INSTANTIATE_TYPED_TEST_SUITE_P(Postgres, RecordsetContract, ::testing::Types<PostgresBackend>);
