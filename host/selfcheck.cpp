#include "selfcheck.h"

#include "values.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace zeva::host {

namespace {

bool check(QTextStream &out, const QString &what, const QString &got, const QString &expected)
{
    const bool ok = got == expected;
    out << (ok ? "ok    " : "FAIL  ") << what << " -> " << got;
    if (!ok)
        out << " (expected " << expected << ")";
    out << "\n";
    return ok;
}

bool databaseRoundTrip(QTextStream &out)
{
    QTemporaryDir dir;
    const QString name = QStringLiteral("zeva-selfcheck");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dir.filePath(QStringLiteral("selfcheck.db")));
        QSqlQuery q(db);
        const QString text = QStringLiteral("齿轮 O'Brien");
        ok = db.open()
            && q.exec(QStringLiteral("CREATE TABLE pdmcplb (类别ID INTEGER PRIMARY KEY, 类别名称 TEXT COLLATE NOCASE)"))
            && q.exec(QStringLiteral("INSERT INTO pdmcplb VALUES (1, %1)").arg(sqlQuote(text)))
            && q.exec(QStringLiteral("SELECT 类别名称 FROM pdmcplb WHERE 类别ID = 1")) && q.next()
            && q.value(0).toString() == text;
        out << (ok ? "ok    " : "FAIL  ") << "SQLite round trip of " << text;
        if (!ok)
            out << ": " << (q.lastError().isValid() ? q.lastError().text() : db.lastError().text());
        out << "\n";
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

bool runSelfCheck(QTextStream &out)
{
    bool ok = true;
    out << "Value rules\n";
    ok &= check(out, "leading number of \"  12.5abc\"", sqlNumber(leadingNumber(u"  12.5abc")), "12.5");
    ok &= check(out, "leading number of \"1e3\"", sqlNumber(leadingNumber(u"1e3")), "1000");
    ok &= check(out, "leading number of \"1,5\"", sqlNumber(leadingNumber(u"1,5")), "1");
    ok &= check(out, "SQL number of \"12.50\"", sqlNumber(u"12.50"), "12.5");
    ok &= check(out, "SQL number of \"\"", sqlNumber(u""), "0");
    ok &= check(out, "SQL text of O'Brien", sqlQuote(u"O'Brien"), "'O''Brien'");
    ok &= check(out, "size of 1536 bytes", sizeText(1536), "1.5K");
    ok &= check(out, "size of 640 bytes", sizeText(640), ".63K");
    ok &= check(out, "\"A-1\" contains Chinese", ContainsChinese(u"A-1") ? "yes" : "no", "no");
    ok &= check(out, "\"齿轮\" contains Chinese", ContainsChinese(u"齿轮") ? "yes" : "no", "yes");
    ok &= check(out, "GBK of 图", QString::fromLatin1(toGbk(u"图").toHex()), "cdbc");
    out << "Database\n";
    ok &= databaseRoundTrip(out);
    out << (ok ? "All checks passed.\n" : "Some checks failed.\n");
    return ok;
}

} // namespace zeva::host
