#include "hostcommandline.h"

#include "sqltranslator.h"

#include "demodata.h"
#include "fieldescape.h"
#include "hostrecordset.h"
#include "hoststatement.h"
#include "schema.h"
#include "selfcheck.h"
#include "sqlhostdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace zeva::host {

namespace {

const QString kDb = QStringLiteral("db");
const QString kPg = QStringLiteral("pg");
const QString kInitDemo = QStringLiteral("init-demo");
const QString kGenerate = QStringLiteral("generate");
const QString kCategories = QStringLiteral("categories");
const QString kSql = QStringLiteral("sql");
const QString kSelfCheck = QStringLiteral("selfcheck");

QString defaultDatabasePath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.local/share/zeva-host");
    return folder + QStringLiteral("/demo.sqlite");
}

QString valueText(const HostValue &value)
{
    if (value.kind() == HostValue::Kind::Bytes)
        return QStringLiteral("0x") + QString::fromLatin1(value.toBytes().toHex().toUpper());
    return escapeField(value.toText());
}

// Statements that answer rows; everything else reports the rows it changed.
bool answersRows(const QString &sql)
{
    static const QStringList verbs = {QStringLiteral("select"), QStringLiteral("with"), QStringLiteral("values"),
                                      QStringLiteral("pragma"), QStringLiteral("show"), QStringLiteral("explain")};
    return verbs.contains(leadingKeyword(sql));
}

} // namespace

int runSql(SqlHostDatabase &db, const QString &sql, QTextStream &out, QTextStream &err)
{
    auto statement = db.Prepare(sql, 1);
    if (answersRows(sql)) {
        auto rs = statement->OpenRecordset();
        if (db.LastError().isError()) {
            err << db.LastError().Description() << "\n";
            return 1;
        }
        QStringList header;
        for (int c = 0; c < rs->fieldCount(); ++c)
            header << escapeField(rs->fieldName(c));
        out << header.join(u'\t') << "\n";
        for (; !rs->IsEOF(); rs->MoveNext()) {
            QStringList fields;
            for (int c = 0; c < rs->fieldCount(); ++c)
                fields << valueText(rs->Fields(rs->fieldName(c)).Value());
            out << fields.join(u'\t') << "\n";
        }
        rs->Close();
        return 0;
    }
    qint64 rows = 0;
    if (!statement->Execute(&rows)) {
        err << db.LastError().Description() << "\n";
        return 1;
    }
    out << QStringLiteral("(%1 rows affected)").arg(rows) << "\n";
    return 0;
}

void addCommandLineOptions(QCommandLineParser &parser)
{
    parser.addOption({kDb, QStringLiteral("The SQLite database file (default: the demo database %1, made on first use).")
                               .arg(defaultDatabasePath()),
                      QStringLiteral("PATH")});
    parser.addOption({kPg, QStringLiteral("Use the PostgreSQL database of this libpq connection string instead."),
                      QStringLiteral("CONNINFO")});
    parser.addOption({kInitDemo, QStringLiteral("Recreate the schema and fill it with the demo catalogue.")});
    parser.addOption({kGenerate, QStringLiteral("Recreate the schema with a generated catalogue of N products."),
                      QStringLiteral("N")});
    parser.addOption({kCategories, QStringLiteral("The number of categories of --generate (default: N / 100)."),
                      QStringLiteral("M")});
    parser.addOption({kSql, QStringLiteral("Run one statement as the form would and print its rows or the rows it changed."),
                      QStringLiteral("STATEMENT")});
    parser.addOption({kSelfCheck, QStringLiteral("Check the value rules and a database round trip, then exit.")});
}

bool isCommandLineMode(const QCommandLineParser &parser)
{
    for (const QString &name : {kSelfCheck, kInitDemo, kGenerate, kSql}) {
        if (parser.isSet(name))
            return true;
    }
    return false;
}

std::shared_ptr<SqlHostDatabase> openDatabase(const QCommandLineParser &parser, QTextStream &out, QTextStream &err,
                                              int *status)
{
    const auto fail = [&](int code) {
        if (status)
            *status = code;
        return std::shared_ptr<SqlHostDatabase>();
    };
    if (parser.isSet(kDb) && parser.isSet(kPg)) {
        err << "zeva-host: --db and --pg exclude each other.\n";
        return fail(2);
    }
    int generate = -1;
    int categories = 0;
    if (parser.isSet(kGenerate)) {
        bool ok = false;
        generate = parser.value(kGenerate).toInt(&ok);
        categories = parser.isSet(kCategories) ? parser.value(kCategories).toInt(&ok) : qMax(1, generate / 100);
        if (!ok || generate < 0 || categories < 1) {
            err << "zeva-host: --generate takes a number of products (and --categories one of categories).\n";
            return fail(2);
        }
    }

    QString error;
    std::shared_ptr<SqlHostDatabase> db;
    bool fillDemo = parser.isSet(kInitDemo);
    if (parser.isSet(kPg)) {
        db = SqlHostDatabase::openPostgres(parser.value(kPg), &error);
    } else {
        const QString path = parser.isSet(kDb) ? parser.value(kDb) : defaultDatabasePath();
        if (!parser.isSet(kDb)) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            fillDemo = fillDemo || !QFileInfo::exists(path);
        }
        db = SqlHostDatabase::openSqlite(path, &error);
    }
    if (!db) {
        err << "zeva-host: " << error << "\n";
        return fail(1);
    }
    if (!createSchema(*db, &error)) {
        err << "zeva-host: cannot create the schema in " << db->describe() << ": " << error << "\n";
        return fail(1);
    }
    if (generate >= 0) {
        if (!installGeneratedCatalogue(*db, generate, categories, &error)) {
            err << "zeva-host: cannot generate the catalogue: " << error << "\n";
            return fail(1);
        }
        out << QStringLiteral("Generated %1 products in %2 categories in %3.").arg(generate).arg(categories).arg(db->describe())
            << "\n";
    } else if (fillDemo) {
        if (!installDemoData(*db, &error)) {
            err << "zeva-host: cannot fill the demo data: " << error << "\n";
            return fail(1);
        }
        out << QStringLiteral("Demo catalogue of %1 products in %2.").arg(demoProductCount()).arg(db->describe()) << "\n";
    }
    if (status)
        *status = 0;
    return db;
}

int runCommandLine(const QCommandLineParser &parser, QTextStream &out, QTextStream &err)
{
    if (parser.isSet(kSelfCheck))
        return runSelfCheck(out) ? 0 : 1;
    int status = 0;
    auto db = openDatabase(parser, out, err, &status);
    if (!db)
        return status;
    if (parser.isSet(kSql))
        return runSql(*db, parser.value(kSql), out, err);
    return 0;
}

} // namespace zeva::host
