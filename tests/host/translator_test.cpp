// The dialect translator: its rewrites, and literals that come out byte for byte.
#include "sqltranslator.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using zeva::host::singleSourceTable;
using zeva::host::SqlDialect;
using zeva::host::stringLiterals;
using zeva::host::translateSql;

namespace {

struct Case {
    const char *from;
    const char *sqlite;
    const char *postgres;   // nullptr: as for SQLite
};

std::string show(const QString &text)
{
    return text.toStdString();
}

// The literals of a statement as SQLite reads it: a block comment ends at its first "*/",
// whatever it holds.
QStringList literalsAsSqliteReads(const QString &sql)
{
    QStringList literals;
    for (qsizetype i = 0; i < sql.size();) {
        const QStringView rest = QStringView(sql).mid(i);
        const auto skipTo = [&](QStringView end, qsizetype from) {
            const qsizetype at = sql.indexOf(end, i + from);
            i = at < 0 ? sql.size() : at + end.size();
        };
        if (rest.startsWith(u"/*")) {
            skipTo(u"*/", 2);
        } else if (rest.startsWith(u"--")) {
            skipTo(u"\n", 2);
        } else if (rest.front() == u'`' || rest.front() == u'"' || rest.front() == u'[') {
            const QChar close = rest.front() == u'[' ? u']' : rest.front();
            for (++i; i < sql.size() && !(sql.at(i) == close && (i + 1 >= sql.size() || sql.at(i + 1) != close)); ++i)
                i += sql.at(i) == close;   // a doubled closing mark is part of the name
            ++i;
        } else if (rest.front() == u'\'') {
            QString text;
            for (++i; i < sql.size(); ++i) {
                if (sql.at(i) == u'\'' && (i + 1 >= sql.size() || sql.at(i + 1) != u'\''))
                    break;
                text += sql.at(i);
                i += sql.at(i) == u'\'';
            }
            ++i;
            literals << text;
        } else {
            ++i;
        }
    }
    return literals;
}

} // namespace

TEST(Translator, RewritesWhatTheBackEndsRefuse)
{
    const Case cases[] = {
        {"SELECT TOP 0 * From PDMZEVADraw", "SELECT * From PDMZEVADraw LIMIT 0", nullptr},
        {"select top 1 BomID FROM PDMbom where smark='02' and 是否标准=1 and 是否失效=0 and 产品ID=7",
         "select BomID FROM PDMbom where smark='02' and 是否标准=1 and 是否失效=0 and 产品ID=7 LIMIT 1", nullptr},
        {"SELECT DISTINCT TOP (5) a FROM t ORDER BY a ", "SELECT DISTINCT a FROM t ORDER BY a LIMIT 5 ", nullptr},
        {"select a from (select top 2 a from t order by a) x where a>0",
         "select a from (select a from t order by a LIMIT 2) x where a>0", nullptr},
        {"SELECT TOP 1 a FROM t; SELECT TOP 2 b FROM u", "SELECT a FROM t LIMIT 1; SELECT b FROM u LIMIT 2", nullptr},
        {"select top 1 a from t -- the first\n", "select a from t LIMIT 1 -- the first\n", nullptr},
        {"DELETE PDMZEVADraw Where rowIndex = 5", "DELETE FROM PDMZEVADraw Where rowIndex = 5", nullptr},
        {"delete from pdmzeva where 产品ID=5", "delete from pdmzeva where 产品ID=5", nullptr},
        {"DELETE [PDMZEVADraw] WHERE rowIndex=1", "DELETE FROM [PDMZEVADraw] WHERE rowIndex=1",
         "DELETE FROM \"pdmzevadraw\" WHERE rowIndex=1"},
        {"select a from t where b like '%x%' or c like '%y%'", "select a from t where b like '%x%' or c like '%y%'",
         "select a from t where b::text ILIKE '%x%' ESCAPE '' or c::text ILIKE '%y%' ESCAPE ''"},
        {"select a from t where (t.b like '%x%' or [c] NOT LIKE 'y') ORDER BY a",
         "select a from t where (t.b like '%x%' or [c] NOT LIKE 'y') ORDER BY a",
         "select a from t where (t.b::text ILIKE '%x%' ESCAPE '' or \"c\"::text NOT ILIKE 'y' ESCAPE '') ORDER BY a"},
        // Only a column's name is cast; any other left side keeps citext's own LIKE.
        {"select a from t where upper(b) like 'X%' or 'x' like b", "select a from t where upper(b) like 'X%' or 'x' like b",
         "select a from t where upper(b) like 'X%' ESCAPE '' or 'x' like b ESCAPE ''"},
        {"select a from t where b like '%!_%' escape '!'", "select a from t where b like '%!_%' escape '!'",
         "select a from t where b::text ILIKE '%!_%' escape '!'"},
        {"select N'齿轮', ISNULL(a, 0), LEN (b) from t", "select '齿轮', COALESCE(a, 0), LENGTH (b) from t", nullptr},
        // Nothing inside literals, quoted names or comments changes.
        {"select 'select top 1 x' from t where n = 'DELETE t' /* top 3 */",
         "select 'select top 1 x' from t where n = 'DELETE t' /* top 3 */", nullptr},
        {"update t set a='it''s like ''x''' where b='--'", "update t set a='it''s like ''x''' where b='--'", nullptr},
        // Unterminated text is passed on for the database to reject.
        {"select 'open", "select 'open", nullptr},
        // Block comments nest; SQLite, where they do not, gets the inner markers broken apart.
        // "]]" is an escaped "]".
        {"/* a /* b */ select top 1 x from t */ SELECT 1", "/* a / * b * / select top 1 x from t */ SELECT 1",
         "/* a /* b */ select top 1 x from t */ SELECT 1"},
        // Names in backticks are quoted: what follows them is still read as it is.
        {"select 1 as `'`, 'select top 5 x' as v", "select 1 as `'`, 'select top 5 x' as v", nullptr},
        {"select `a``b`, 'isnull(len(N''q''))' from t", "select `a``b`, 'isnull(len(N''q''))' from t", nullptr},
        // Adjacent literals stay two.
        {"select 'a'N'b'", "select 'a' 'b'", nullptr},
        {"select [a]]b] from t", "select [a]]b] from t", "select \"a]b\" from t"},
        // DELETE gains its FROM only where a statement starts.
        {"DELETE a WHERE x=1; DELETE b", "DELETE FROM a WHERE x=1; DELETE FROM b", nullptr},
        {"CREATE TABLE c (id INTEGER REFERENCES t(id) ON DELETE CASCADE)",
         "CREATE TABLE c (id INTEGER REFERENCES t(id) ON DELETE CASCADE)", nullptr},
        {"CREATE TRIGGER tr AFTER DELETE ON t BEGIN SELECT 1; END", "CREATE TRIGGER tr AFTER DELETE ON t BEGIN SELECT 1; END",
         nullptr},
    };
    for (const Case &c : cases) {
        const QString from = QString::fromUtf8(c.from);
        EXPECT_EQ(show(translateSql(from, SqlDialect::Sqlite)), c.sqlite) << c.from;
        EXPECT_EQ(show(translateSql(from, SqlDialect::Postgres)), c.postgres ? c.postgres : c.sqlite) << c.from;
    }
    EXPECT_EQ(zeva::host::leadingKeyword(QStringLiteral("  /* c */ Create TABLE x (a INT)")), QStringLiteral("create"));
    EXPECT_EQ(zeva::host::leadingKeyword(QStringLiteral("/* c */ ((select 1))")), QStringLiteral("select"));
}

TEST(Translator, FindsTheSingleTableOfAnUpdatableResult)
{
    const struct {
        const char *sql;
        const char *table;   // empty: the result cannot write rows back
    } cases[] = {
        {"SELECT TOP 0 * From PDMZEVADraw", "PDMZEVADraw"},
        {"SELECT * From pdmZevaDraw WHERE cpID=1 order by rowIndex ", "pdmZevaDraw"},
        {"select x.a, b from dbo.[t] where a=1", "t"},
        {"SELECT top (1) id, name From t where a=1 ORDER BY id, name", "t"},
        {"SELECT * FROM t WHERE a IN (SELECT b FROM u GROUP BY b)", "t"},
        // Result columns that are not the table's own cannot take writes: an alias of the
        // key would update the row the alias names.
        {"select x.a, (select 1 from u) from dbo.[t] where a=1", ""},
        {"SELECT code AS id, name FROM t WHERE id=1", ""},
        {"SELECT code id FROM t", ""},
        {"SELECT count(*) FROM t", ""},
        {"SELECT * FROM t WHERE a=1 UNION SELECT * FROM u", ""},
        {"SELECT * From a, b", ""},
        {"SELECT * From a INNER JOIN b ON a.x=b.x", ""},
        {"SELECT DISTINCT x From a", ""},
        {"SELECT x From (select x from a) q", ""},
        {"SELECT x From a GROUP BY x", ""},
        {"UPDATE a SET x=1", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(show(singleSourceTable(QString::fromUtf8(c.sql))), c.table) << c.sql;
}

// Random literals, quoted names and comments full of what the translator rewrites
// elsewhere, placed around every rewrite: the literals come out unchanged, and SQLite gets
// no comment whose end it would find early.
TEST(Translator, KeepsEveryLiteralByteForByte)
{
    const QStringList pieces = {
        QStringLiteral("'"), QStringLiteral("''"), QStringLiteral("--"), QStringLiteral("/*"), QStringLiteral("*/"),
        QStringLiteral("TOP 1"), QStringLiteral("top"), QStringLiteral("select"), QStringLiteral("DELETE x"),
        QStringLiteral("like"), QStringLiteral("ESCAPE"), QStringLiteral("N'"), QStringLiteral("["), QStringLiteral("]"),
        QStringLiteral("\""), QStringLiteral("`"), QStringLiteral("齿轮"), QStringLiteral("图纸 说明"), QStringLiteral(";"),
        QStringLiteral("\\"), QStringLiteral("%"), QStringLiteral("_"), QStringLiteral(" "), QStringLiteral("\n"),
        QStringLiteral("\t"), QStringLiteral("O'Brien"), QStringLiteral("isnull("),
    };
    QRandomGenerator random(20261206);
    const auto text = [&] {
        QString t;
        for (int p = random.bounded(6); p > 0; --p)
            t += pieces.at(random.bounded(int(pieces.size())));
        return t;
    };
    const auto quoted = [](QString t, QChar open, QChar close) {
        return open + t.replace(close, QString(2, close)) + close;
    };
    // A block comment that may hold another; its words never end it early here.
    const auto comment = [&] {
        QString body = text().remove(QStringLiteral("/*")).remove(QStringLiteral("*/"));
        if (random.bounded(2))
            body += QStringLiteral("/* ") + text().remove(QStringLiteral("/*")).remove(QStringLiteral("*/")) + QStringLiteral(" */");
        return QStringLiteral("/*") + body + QStringLiteral("*/");
    };
    for (int round = 0; round < 2000; ++round) {
        const QStringList literals = {text(), text(), text(), text()};
        const QString sql =
            comment() + QStringLiteral(" select top 3 a as ") + quoted(text(), u'`', u'`') + QStringLiteral(", ")
            + quoted(literals.at(0), u'\'', u'\'') + QStringLiteral("N") + quoted(literals.at(1), u'\'', u'\'')
            + QStringLiteral(" from t ") + comment() + QStringLiteral(" where b like ") + quoted(literals.at(2), u'\'', u'\'')
            + QStringLiteral(" order by a; ") + comment() + QStringLiteral("delete t where d=") + quoted(literals.at(3), u'\'', u'\'');
        for (SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres}) {
            const QString out = translateSql(sql, dialect);
            QStringList expected = literals;
            if (dialect == SqlDialect::Postgres)
                expected.insert(3, QString());   // ESCAPE ''
            ASSERT_EQ(stringLiterals(out), expected) << show(sql) << " -> " << show(out);
            ASSERT_TRUE(out.contains(QStringLiteral(" LIMIT 3; "))) << show(out);
            ASSERT_TRUE(out.contains(QStringLiteral("delete FROM t"))) << show(out);
            if (dialect == SqlDialect::Sqlite) {
                ASSERT_EQ(literalsAsSqliteReads(out), expected) << show(out);
            }
        }
    }
}
