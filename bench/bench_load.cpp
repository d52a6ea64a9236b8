// Many users on one PostgreSQL server: 2 and 8 zeva-host processes at once, each saving
// copies of a product under codes of its own, deleting every third and moving every
// third (the load test's batch, larger). Reports saves and key allocations per second
// under contention, the failures each
// host met and showed, and what the database disagrees with afterwards. Key allocations
// are counted from the host's key table.
// Usage: bench_load [--operations N]

#include "benchprocess.h"
#include "benchsupport.h"
#include "demodata.h"
#include "loadrun.h"
#include "schema.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTextStream>

using namespace zeva;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int operations = bench::intOption(argc, argv, "--operations", 60, 3);
    host::ScratchPostgres scratch;
    QString error;
    auto admin = bench::openPostgres(scratch, &error);
    if (!admin) {
        out << "PostgreSQL: not measured (" << error << ")\n";
        return 0;
    }
    const QString base = qEnvironmentVariableIsEmpty("ZEVA_TEST_PG") ? scratch.connectionString()
                                                                    : qEnvironmentVariable("ZEVA_TEST_PG");
    const QString hostBinary = QCoreApplication::applicationDirPath() + QStringLiteral("/zeva-host");
    for (int hosts : {2, 8}) {
        const QString schema = QStringLiteral("zeva_load_%1").arg(hosts);
        QSqlQuery q(admin->connection());
        for (const char *extension : {"citext", "pg_trgm"})
            q.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS %1 SCHEMA public").arg(QLatin1String(extension)));
        q.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
        q.exec(QStringLiteral("CREATE SCHEMA %1").arg(schema));
        const QString connection = base + QStringLiteral(" options=-csearch_path=%1,public").arg(schema);
        auto db = host::SqlHostDatabase::openPostgres(connection, &error);
        if (!db || !host::createSchema(*db, &error) || !host::installDemoData(*db, &error))
            qFatal("%s", qPrintable(error));
        const auto allocated = [&] {
            return host::load::scalarText(*db, QStringLiteral("SELECT sum(lastkey) FROM %1").arg(QLatin1String(host::keyTableName)))
                .toLongLong();
        };
        // One save first: a key table row starts from the table's largest key on first use.
        double seconds = 0;
        (void)host::load::runHosts(hostBinary, {QStringLiteral("--pg"), connection}, 1, 1, 60000, &seconds);
        for (const char *table : {"PDMZEVAB", "pubwlprice", "PDMZEVAAttach", "pdmzeva"})
            QSqlQuery(db->connection())
                .exec(QStringLiteral("DELETE FROM %1 WHERE 产品ID IN (SELECT 产品ID FROM pdmzeva WHERE 物品编码 LIKE 'L%')")
                          .arg(QLatin1String(table)));
        const qint64 keysBefore = allocated();
        const auto outcomes = host::load::runHosts(hostBinary, {QStringLiteral("--pg"), connection}, hosts, operations,
                                                   600000, &seconds);
        int saves = 0, failures = 0, unreported = 0;
        for (const auto &o : outcomes) {
            saves += o.saves;
            failures += o.failures;
            unreported += o.unreported;
        }
        const QStringList problems = host::load::checkDatabase(*db, outcomes);
        const qint64 keys = allocated() - keysBefore;
        out << QStringLiteral("%1 hosts x %2 operations: %3 saves in %4 s = %5 saves/s (%6 key allocations/s); "
                              "%7 failures, %8 not shown; database: %9\n")
                   .arg(hosts).arg(operations).arg(saves).arg(seconds, 0, 'f', 1).arg(saves / seconds, 0, 'f', 1)
                   .arg(keys / seconds, 0, 'f', 1).arg(failures).arg(unreported)
                   .arg(problems.isEmpty() ? QStringLiteral("as reported") : problems.join(QStringLiteral("; ")));
        out.flush();
        db.reset();
        q.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
    }
    return 0;
}
