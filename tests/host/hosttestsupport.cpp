#include "hosttestsupport.h"

#include "demodata.h"
#include "hostrecordset.h"
#include "hoststatement.h"
#include "schema.h"
#include "scratchpostgres.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

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

// Without ZEVA_TEST_PG (the binary run by hand) the tests start a scratch server of their
// own, once per process, and stop it when the tests end.
class ScratchServer : public ::testing::Environment {
public:
    void TearDown() override { m_server.reset(); }
    QString connectionString(QString *error)
    {
        if (!m_server && m_failure.isEmpty()) {
            std::fprintf(stderr, "ZEVA_TEST_PG is not set: starting a scratch PostgreSQL server for this run.\n");
            m_server = std::make_unique<ScratchPostgres>();
            if (!m_server->start(&m_failure)) {
                m_server.reset();
                if (m_failure.isEmpty())
                    m_failure = QStringLiteral("the scratch server did not start");
            }
        }
        *error = m_failure;
        return m_server ? m_server->connectionString() : QString();
    }

private:
    std::unique_ptr<ScratchPostgres> m_server;
    QString m_failure;
};

ScratchServer *const scratchServer =
    static_cast<ScratchServer *>(::testing::AddGlobalTestEnvironment(new ScratchServer));

QString postgresBase(QString *error)
{
    const QString given = qEnvironmentVariable("ZEVA_TEST_PG");
    return given.isEmpty() ? scratchServer->connectionString(error) : given;
}

// Opens what freshDatabase's `connectionString` names.
std::shared_ptr<SqlHostDatabase> reopen(Backend backend, const QString &connectionString)
{
    QString error;
    auto db = backend == Backend::Sqlite ? SqlHostDatabase::openSqlite(connectionString, &error)
                                         : SqlHostDatabase::openPostgres(connectionString, &error);
    EXPECT_TRUE(db) << error.toStdString();
    return db;
}

} // namespace

QString binaryFolder()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

std::shared_ptr<SqlHostDatabase> freshDatabase(Backend backend, QString *connectionString)
{
    auto holder = std::make_shared<Holder>();
    QString where;
    if (backend == Backend::Sqlite) {
        holder->folder = std::make_unique<QTemporaryDir>();
        where = holder->folder->filePath(QStringLiteral("host.sqlite"));
    } else {
        QString why;
        const QString base = postgresBase(&why);
        if (base.isEmpty()) {
            ADD_FAILURE() << "No PostgreSQL server: ZEVA_TEST_PG is not set and a scratch server did not start ("
                          << why.toStdString() << "). Run the host tests through ./zeva test, or set ZEVA_TEST_PG "
                             "to a libpq connection string (\"host=/socket/folder dbname=postgres user=postgres\").";
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
        // The extensions live in public, every test's tables in a schema of its own. Two test
        // processes may create an extension at once: the one that loses finds it made.
        for (const char *extension : {"citext", "pg_trgm"})
            q.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS %1 SCHEMA public").arg(QLatin1String(extension)));
        if (!q.exec(QStringLiteral("CREATE SCHEMA %1").arg(holder->schema))) {
            ADD_FAILURE() << q.lastError().text().toStdString();
            return nullptr;
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
