#include "hosttestsupport.h"

#include "demodata.h"
#include "hostrecordset.h"
#include "hoststatement.h"
#include "schema.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace zeva::host::test {

namespace {

// Keeps the temporary folder or the schema for as long as the database is in use.
struct Holder {
    std::shared_ptr<SqlHostDatabase> db;
    std::unique_ptr<QTemporaryDir> folder;
    QString schema;
    ~Holder()
    {
        if (db && !schema.isEmpty())
            QSqlQuery(db->connection()).exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
    }
};

QString postgresBase()
{
    return qEnvironmentVariable("ZEVA_TEST_PG");
}

} // namespace

QString binaryFolder()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

std::shared_ptr<SqlHostDatabase> reopen(Backend backend, const QString &connectionString)
{
    QString error;
    auto db = backend == Backend::Sqlite ? SqlHostDatabase::openSqlite(connectionString, &error)
                                         : SqlHostDatabase::openPostgres(connectionString, &error);
    EXPECT_TRUE(db) << error.toStdString();
    return db;
}

std::shared_ptr<SqlHostDatabase> freshDatabase(Backend backend, QString *connectionString)
{
    auto holder = std::make_shared<Holder>();
    QString where;
    if (backend == Backend::Sqlite) {
        holder->folder = std::make_unique<QTemporaryDir>();
        where = holder->folder->filePath(QStringLiteral("host.sqlite"));
    } else {
        const QString base = postgresBase();
        if (base.isEmpty()) {
            ADD_FAILURE() << "ZEVA_TEST_PG is not set. Run the host tests through ./zeva test, which starts a "
                             "PostgreSQL server, or set ZEVA_TEST_PG to a libpq connection string "
                             "(\"host=/socket/folder dbname=postgres user=postgres\").";
            return nullptr;
        }
        static QAtomicInt counter;
        holder->schema = QStringLiteral("zt_%1_%2").arg(::getpid()).arg(counter.fetchAndAddRelaxed(1));
        auto admin = SqlHostDatabase::openPostgres(base);
        if (!admin) {
            ADD_FAILURE() << "Cannot reach the PostgreSQL server of ZEVA_TEST_PG: " << base.toStdString();
            return nullptr;
        }
        QSqlQuery q(admin->connection());
        // The extension lives in public, every test's tables in a schema of its own.
        if (!q.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext SCHEMA public"))
            || !q.exec(QStringLiteral("CREATE SCHEMA %1").arg(holder->schema))) {
            // Two test processes may create the extension at once; one of them loses.
            if (!q.exec(QStringLiteral("CREATE SCHEMA %1").arg(holder->schema))) {
                ADD_FAILURE() << q.lastError().text().toStdString();
                return nullptr;
            }
        }
        where = base + QStringLiteral(" options=-csearch_path=%1,public").arg(holder->schema);
    }
    holder->db = reopen(backend, where);
    if (!holder->db)
        return nullptr;
    if (connectionString)
        *connectionString = where;
    // The aliasing pointer runs the holder's clean-up when the last handle goes.
    return std::shared_ptr<SqlHostDatabase>(holder, holder->db.get());
}

std::shared_ptr<SqlHostDatabase> demoDatabase(Backend backend, QString *connectionString)
{
    auto db = freshDatabase(backend, connectionString);
    if (!db)
        return nullptr;
    QString error;
    if (!createSchema(*db, &error) || !installDemoData(*db, &error)) {
        ADD_FAILURE() << "Cannot install the demo data: " << error.toStdString();
        return nullptr;
    }
    return db;
}

QString runForText(HostDatabase &db, const QString &sql, bool sortRows)
{
    const QString head = sql.trimmed().section(u' ', 0, 0).toLower();
    auto statement = db.Prepare(sql, 1);
    QString text;
    if (head == u"select") {
        auto rs = statement->OpenRecordset();
        if (db.LastError().isError())
            return QStringLiteral("error: ") + db.LastError().Description();
        QStringList names;
        for (int c = 0; c < rs->fieldCount(); ++c)
            names << rs->fieldName(c).toLower();
        QStringList rows;
        for (; !rs->IsEOF(); rs->MoveNext()) {
            QStringList fields;
            for (int c = 0; c < rs->fieldCount(); ++c)
                fields << rs->Fields(rs->fieldName(c)).Value().toText();
            rows << fields.join(u'|');
        }
        if (sortRows)
            rows.sort();
        text = QStringLiteral("%1 rows: ").arg(rs->RecordCount()) + names.join(u'|') + u'\n' + rows.join(u'\n');
    } else {
        qint64 affected = -1;
        const bool ok = statement->Execute(&affected);
        if (!ok)
            return QStringLiteral("error: ") + db.LastError().Description();
        text = QStringLiteral("ok, %1 rows affected").arg(affected);
    }
    if (db.LastError().isError())
        return QStringLiteral("error: ") + db.LastError().Description();
    return text;
}

} // namespace zeva::host::test
