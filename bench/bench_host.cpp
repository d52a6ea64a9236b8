// The host database layer against bare QtSql, in the same run, on SQLite and PostgreSQL:
// scalar round trips (GetValue), reading a 10,000-row result, and 1,000 inserts through
// AddNew/Update. The bare side runs the already-translated text through one forward-only
// QSqlQuery per statement, reads every value, and re-executes one prepared INSERT.
// PostgreSQL: the server of ZEVA_TEST_PG, or a scratch cluster started here.
#include "demodata.h"
#include "hostrecordset.h"
#include "hoststatement.h"
#include "schema.h"
#include "benchsupport.h"
#include "scratchpostgres.h"
#include "sqlhostdatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace zeva;
using namespace zeva::host;

namespace {

constexpr int kRounds = 7;
constexpr int kLookups = 2000;
constexpr int kRows = 10000;
constexpr int kInserts = 1000;

// The fastest of several rounds of each side, in milliseconds, the two sides taking turns
// so that both meet the same machine; `prepare` runs untimed before every round.
struct Timing {
    double host = 1e300;
    double bare = 1e300;
};

Timing race(const std::function<void()> &host, const std::function<void()> &bare,
            const std::function<void()> &prepare = {})
{
    Timing t;
    for (int round = 0; round < kRounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            if (prepare)
                prepare();
            QElapsedTimer timer;
            timer.start();
            (side == 0 ? host : bare)();
            double &best = side == 0 ? t.host : t.bare;
            best = std::min(best, timer.nsecsElapsed() / 1e6);
        }
    }
    return t;
}

volatile qint64 sink;

QString lookup(int i)
{
    return QStringLiteral("SELECT 物品名称 FROM pdmzeva WHERE 产品ID=%1").arg(1 + (i * 7919) % kRows);
}

void report(QTextStream &out, const QString &backend, const QString &what, Timing t)
{
    const double host = t.host;
    const double bare = t.bare;
    out << QStringLiteral("%1  %2  host %3 ms  bare %4 ms  ratio %5")
               .arg(backend, -10)
               .arg(what, -28)
               .arg(host, 8, 'f', 1)
               .arg(bare, 8, 'f', 1)
               .arg(host / bare, 0, 'f', 2)
        << "\n";
    out.flush();
}

bool runBackend(QTextStream &out, const QString &name, const std::shared_ptr<SqlHostDatabase> &db)
{
    QString error;
    if (!createSchema(*db, &error) || !installGeneratedCatalogue(*db, kRows, 100, &error)) {
        out << name << ": cannot generate the catalogue: " << error << "\n";
        return false;
    }
    QSqlDatabase bare = db->connection();

    // Scalar round trips.
    const Timing lookups = race([&] {
        for (int i = 0; i < kLookups; ++i)
            sink = db->Prepare(lookup(i), 1)->GetValue().toText().size();
    }, [&] {
        for (int i = 0; i < kLookups; ++i) {
            QSqlQuery q(bare);
            q.setForwardOnly(true);
            q.exec(translateSql(lookup(i), db->dialect()));
            if (q.next())
                sink = q.value(0).toString().size();
        }
    });
    report(out, name, QStringLiteral("%1 GetValue").arg(kLookups), lookups);

    // One large result, every value read (by name on the host side, as the form reads).
    const QString all = QStringLiteral("SELECT * FROM pdmzeva ORDER BY 产品ID");
    const Timing read = race([&] {
        auto rs = db->Prepare(all, 1)->OpenRecordset();
        const int columns = rs->fieldCount();
        QStringList names;
        for (int c = 0; c < columns; ++c)
            names << rs->fieldName(c);
        qint64 total = 0;
        for (; !rs->IsEOF(); rs->MoveNext()) {
            for (const QString &column : names)
                total += rs->Fields(column).Value().toText().size();
        }
        sink = total + rs->RecordCount();
    }, [&] {
        QSqlQuery q(bare);
        q.setForwardOnly(true);
        q.exec(translateSql(all, db->dialect()));
        const int columns = q.record().count();
        qint64 total = 0;
        while (q.next()) {
            for (int c = 0; c < columns; ++c)
                total += q.value(c).toString().size();
        }
        sink = total;
    });
    report(out, name, QStringLiteral("%1-row recordset read").arg(kRows), read);

    // Inserts, each committed on its own, into an emptied table.
    auto empty = [&] {
        QSqlQuery q(bare);
        q.exec(QStringLiteral("DELETE FROM PDMZEVADraw"));
        if (db->dialect() == SqlDialect::Sqlite)
            q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    };
    const QByteArray image(2048, 'z');
    const Timing inserts = race(
        [&] {
            auto rs = db->Prepare(QStringLiteral("SELECT TOP 0 * From PDMZEVADraw"), 1)->OpenRecordset();
            for (int i = 1; i <= kInserts; ++i) {
                if (!rs->AddNew())
                    qFatal("AddNew failed");
                rs->Fields(QStringLiteral("rowIndex")) = i;
                rs->Fields(QStringLiteral("CpID")) = i % 97;
                rs->Fields(QStringLiteral("fileName")) = QStringLiteral("图纸%1.dwg").arg(i);
                rs->Fields(QStringLiteral("fileSize")) = qint64(image.size());
                rs->Fields(QStringLiteral("isCompress")) = 1;
                rs->Fields(QStringLiteral("marker")) = QStringLiteral("admin");
                rs->Fields(QStringLiteral("markDate")) = QDate(2026, 12, 6);
                rs->Fields(QStringLiteral("fileImage")) = image;
                if (!rs->Update())
                    qFatal("insert failed: %s", qPrintable(db->LastError().Description()));
            }
            rs->Close();
        },
        [&] {
            QSqlQuery q(bare);
            q.prepare(QStringLiteral("INSERT INTO PDMZEVADraw (rowIndex,CpID,fileName,fileSize,isCompress,marker,markDate,fileImage) "
                                     "VALUES (?,?,?,?,?,?,?,?)"));
            for (int i = 1; i <= kInserts; ++i) {
                q.bindValue(0, i);
                q.bindValue(1, i % 97);
                q.bindValue(2, QStringLiteral("图纸%1.dwg").arg(i));
                q.bindValue(3, qint64(image.size()));
                q.bindValue(4, 1);
                q.bindValue(5, QStringLiteral("admin"));
                q.bindValue(6, QDate(2026, 12, 6));
                q.bindValue(7, image);
                if (!q.exec())
                    qFatal("bare insert failed: %s", qPrintable(q.lastError().text()));
            }
        },
        empty);
    report(out, name, QStringLiteral("%1 AddNew/Update").arg(kInserts), inserts);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QString error;
    bool ok = true;
    {
        QTemporaryDir folder;
        auto sqlite = SqlHostDatabase::openSqlite(folder.filePath(QStringLiteral("bench.sqlite")), &error);
        ok = sqlite && runBackend(out, QStringLiteral("SQLite"), sqlite);
    }
    ScratchPostgres scratch;
    {
        auto postgres = zeva::bench::openPostgres(scratch, &error);
        if (!postgres) {
            out << "PostgreSQL: " << error << "\n";
            return 1;
        }
        ok = runBackend(out, QStringLiteral("PostgreSQL"), postgres) && ok;
    }
    return ok ? 0 : 1;
}
