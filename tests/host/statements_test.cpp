// Quoting, case-insensitive text, transactions, failures and large binary values behave
// alike on SQLite and on PostgreSQL. (The form's own statements are replayed on both by
// the form's tests, recorded from the form.)
#include "hosttestsupport.h"

#include "hostrecordset.h"
#include "hoststatement.h"
#include "values.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using zeva::host::test::Backend;
using zeva::host::test::demoDatabase;
using zeva::host::test::runForText;

namespace {

QString scalarText(zeva::HostDatabase &db, const QString &sql)
{
    return db.Prepare(sql, 1)->GetValue().toText();
}

class BothBackEnds : public ::testing::Test {
protected:
    void SetUp() override
    {
        sqlite = demoDatabase(Backend::Sqlite);
        postgres = demoDatabase(Backend::Postgres);
        ASSERT_TRUE(sqlite && postgres);
    }
    std::shared_ptr<zeva::host::SqlHostDatabase> sqlite;
    std::shared_ptr<zeva::host::SqlHostDatabase> postgres;
};

} // namespace

TEST_F(BothBackEnds, TextComparesAsSqlServerDoes)
{
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        // Latin letters without case, in = and in LIKE, in tables and in views.
        EXPECT_EQ(scalarText(*db, QStringLiteral("Select 单位ID From PDMjldw where 代码 = 'KG'")), QStringLiteral("3"));
        EXPECT_EQ(scalarText(*db, QStringLiteral("select 往来ID from vtpdmwldw where 助忆词='HDGC'")), QStringLiteral("2"));
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from pdmzeva where 物品名称 like '圆钢a%'")),
                  scalarText(*db, QStringLiteral("select count(*) from pdmzeva where 物品名称 like '圆钢A%'")));
        // "\" is no escape character in LIKE; "%" and "_" keep their meaning.
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from pdmzeva where 规格 like '%\"%'")), QStringLiteral("1"));
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from PDMWLDW where 公司名称 like '%\\%'")), QStringLiteral("0"));
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from PDMWLDW where 公司编号 like 'G010_'")), QStringLiteral("8"));
        // A purchase mode of another attribute set is not found; a product source is.
        EXPECT_EQ(scalarText(*db, QStringLiteral("select text FROM xt_billattribute where ProgID=200008 AND (code = 'qt' "
                                                 "or caption='qt' ) AND ( attribute ='采购方式' ) ")),
                  QString());
        EXPECT_EQ(scalarText(*db, QStringLiteral("select text FROM xt_billattribute where (code = 'kg' or caption='kg' ) "
                                                 "AND ( attribute ='产品来源' ) ")),
                  QStringLiteral("4"));
        // Codes order as text.
        EXPECT_EQ(scalarText(*db, QStringLiteral("select top 1 类别编码 from pdmcplb order by 类别编码 desc")), QStringLiteral("0402"));
    }
}

TEST_F(BothBackEnds, QuotedUserTextIsStoredAndChangesNothingElse)
{
    const QStringList hostile = {QStringLiteral("O'Brien"), QStringLiteral("x'; DELETE FROM pdmzeva; --"),
                                 QStringLiteral("a\\'b /* c"), QStringLiteral("齿轮'' OR ''1''=''1")};
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        const QString before = scalarText(*db, QStringLiteral("select count(*) from pdmzeva"));
        const QString others = runForText(*db, QStringLiteral("select 产品ID, 物品名称 from pdmzeva where 产品ID<>2 order by 产品ID"));
        for (const QString &name : hostile) {
            qint64 rows = 0;
            EXPECT_TRUE(db->Prepare(QStringLiteral("update pdmzeva set 物品名称=") + zeva::sqlQuote(name)
                                        + QStringLiteral(" where 产品ID=2"), 1)->Execute(&rows))
                << db->LastError().Description().toStdString();
            EXPECT_EQ(rows, 1);
            EXPECT_EQ(scalarText(*db, QStringLiteral("select 物品名称 from pdmzeva where 产品ID=2")), name);
            EXPECT_EQ(scalarText(*db, QStringLiteral("select 产品ID from pdmzeva where 物品名称=") + zeva::sqlQuote(name)),
                      QStringLiteral("2"));
            EXPECT_EQ(scalarText(*db, QStringLiteral("SELECT count(*) FROM pdmzeva WHERE 产品ID=2 and 物品名称 like '%")
                                          + zeva::sqlEscape(name) + QStringLiteral("%'")),
                      QStringLiteral("1"));
        }
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from pdmzeva")), before);
        EXPECT_EQ(runForText(*db, QStringLiteral("select 产品ID, 物品名称 from pdmzeva where 产品ID<>2 order by 产品ID")), others);
    }
}

TEST_F(BothBackEnds, TransactionsRollBackAndSurviveAFailingStatement)
{
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        const QString prices = scalarText(*db, QStringLiteral("select count(*) from pubwlprice where 产品ID=1"));
        ASSERT_NE(prices, QStringLiteral("0"));
        ASSERT_TRUE(db->BeginTrans());
        EXPECT_FALSE(db->BeginTrans());   // no nesting
        qint64 rows = 0;
        EXPECT_TRUE(db->Prepare(QStringLiteral("DELETE FROM pubWLPrice WHERE 产品ID =1"), 1)->Execute(&rows));
        EXPECT_EQ(QString::number(rows), prices);
        EXPECT_TRUE(db->Prepare(QStringLiteral("delete from pdmzevaB where 产品ID=1"), 1)->Execute(&rows));
        // A failing statement reports, and the transaction goes on, as on SQL Server.
        EXPECT_FALSE(db->Prepare(QStringLiteral("delete from nosuchtable where 产品ID=1"), 1)->Execute(&rows));
        EXPECT_NE(db->LastError().Description(), QString());
        EXPECT_EQ(rows, 0);
        EXPECT_TRUE(db->Prepare(QStringLiteral("delete from pdmzeva where 产品ID=1"), 1)->Execute(&rows));
        EXPECT_EQ(db->LastError().Description(), QString());
        EXPECT_EQ(rows, 1);
        ASSERT_TRUE(db->RollbackTrans());
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from pubwlprice where 产品ID=1")), prices);
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from pdmzeva where 产品ID=1")), QStringLiteral("1"));
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from PDMZEVAB where 产品ID=1")), QStringLiteral("1"));
        EXPECT_FALSE(db->RollbackTrans());
        EXPECT_NE(db->LastError().Description(), QString());

        // A transaction that the back end aborted behind the host's back does not commit
        // silently.
        ASSERT_TRUE(db->BeginTrans());
        EXPECT_TRUE(db->Prepare(QStringLiteral("delete from pdmzeva where 产品ID=4"), 1)->Execute());
        QSqlQuery(db->connection()).exec(QStringLiteral("SELECT nosuch FROM pdmzeva"));
        const bool committed = db->CommitTrans();
        EXPECT_EQ(committed, db->LastError().Description().isEmpty());
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from pdmzeva where 产品ID=4")),
                  committed ? QStringLiteral("0") : QStringLiteral("1"));

        // A transaction spans several fetches of the same connection.
        ASSERT_TRUE(db->BeginTrans());
        EXPECT_TRUE(db->Prepare(QStringLiteral("delete from pdmzeva where 产品ID=3"), 1)->Execute());
        ASSERT_TRUE(db->CommitTrans());
        EXPECT_EQ(scalarText(*db, QStringLiteral("select count(*) from pdmzeva where 产品ID=3")), QStringLiteral("0"));
    }
}

TEST_F(BothBackEnds, LastErrorNamesTheFailureAndClearsOnSuccess)
{
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        auto rs = db->Prepare(QStringLiteral("SELECT nosuch FROM pdmzeva"), 1)->OpenRecordset();
        ASSERT_TRUE(rs);
        EXPECT_TRUE(rs->IsEOF() && rs->IsBOF());
        const QString description = db->LastError().Description();
        EXPECT_TRUE(description.contains(QStringLiteral("nosuch"))) << description.toStdString();
        EXPECT_FALSE(description.contains(QStringLiteral("LINE 1"))) << description.toStdString();
        EXPECT_TRUE(db->Prepare(QStringLiteral("select top 1 产品ID from pdmzeva"), 1)->GetValue().toInteger() > 0);
        EXPECT_EQ(db->LastError().Description(), QString());
        // A duplicate key through the form's insert.
        EXPECT_FALSE(db->Prepare(QStringLiteral("insert into pdmxsy (AutoID,代码,名称) values (1,'x','y')"), 1)->Execute());
        EXPECT_NE(db->LastError().Description(), QString());
        EXPECT_NE(db->LastError().NativeCode(), QString());
        // A view takes no rows.
        auto view = db->Prepare(QStringLiteral("SELECT TOP 0 * From vtPDMZEVA"), 1)->OpenRecordset();
        EXPECT_FALSE(view->AddNew());
        EXPECT_NE(db->LastError().Description(), QString());
    }
}

// The server ends the session (as a restart does): the failing statement says so with a
// message, the next one connects again; a transaction that was open is gone, not replayed.
TEST(LostConnection, TheNextStatementConnectsAgainAndAnOpenTransactionIsRolledBack)
{
    auto db = demoDatabase(Backend::Postgres);
    auto admin = zeva::host::test::freshDatabase(Backend::Postgres);
    ASSERT_TRUE(db && admin);
    const auto endSession = [&] {
        const QString pid = db->Prepare(QStringLiteral("SELECT pg_backend_pid()"), 1)->GetValue().toText();
        ASSERT_EQ(admin->Prepare(QStringLiteral("SELECT pg_terminate_backend(") + pid + u')', 1)->GetValue().toText(),
                  QStringLiteral("1"));
    };
    const QString count = QStringLiteral("SELECT count(*) FROM pdmxsy");
    const QString before = db->Prepare(count, 1)->GetValue().toText();

    endSession();
    db->Prepare(count, 1)->GetValue();
    const QString lost = db->LastError().Description();
    EXPECT_TRUE(lost.contains(QStringLiteral("connects again"))) << lost.toStdString();
    EXPECT_FALSE(lost.contains(QStringLiteral("without a message"))) << lost.toStdString();
    EXPECT_EQ(db->Prepare(count, 1)->GetValue().toText(), before);
    EXPECT_EQ(db->LastError().Description(), QString());

    ASSERT_TRUE(db->BeginTrans());
    EXPECT_TRUE(db->Prepare(QStringLiteral("insert into pdmxsy (AutoID,代码,名称) values (900,'x','y')"), 1)->Execute());
    endSession();
    EXPECT_FALSE(db->Prepare(QStringLiteral("insert into pdmxsy (AutoID,代码,名称) values (901,'x','y')"), 1)->Execute());
    EXPECT_TRUE(db->LastError().Description().contains(QStringLiteral("rolled back"))) << db->LastError().Description().toStdString();
    EXPECT_FALSE(db->inTransaction());
    EXPECT_FALSE(db->CommitTrans()) << "nothing left to commit";
    EXPECT_EQ(db->Prepare(count, 1)->GetValue().toText(), before) << "neither insert survived";
}

TEST_F(BothBackEnds, TwentyMegabytesRoundTripThroughARecordset)
{
    QByteArray bytes(20 * 1024 * 1024, '\0');
    quint32 state = 12345;
    for (char &b : bytes) {
        state = state * 1103515245u + 12345u;
        b = char(state >> 24);
    }
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        {
            auto rs = db->Prepare(QStringLiteral("SELECT TOP 0 * From PDMZEVADraw"), 1)->OpenRecordset();
            ASSERT_TRUE(rs->AddNew());
            rs->Fields(QStringLiteral("rowIndex")) = 77;
            rs->Fields(QStringLiteral("CpID")) = 1;
            rs->Fields(QStringLiteral("fileName")) = QStringLiteral("总装图.dwg");
            rs->Fields(QStringLiteral("fileSize")) = qint64(bytes.size());
            rs->Fields(QStringLiteral("markDate")) = QDate(2026, 12, 6);
            rs->Fields(QStringLiteral("fileImage")) = bytes;
            ASSERT_TRUE(rs->Update()) << db->LastError().Description().toStdString();
            // Columns the form did not write show their defaults after the insert.
            EXPECT_EQ(rs->Fields(QStringLiteral("contents")).Value().toText(), QString());
            EXPECT_EQ(rs->Fields(QStringLiteral("invalidation")).Value().toInteger(), 0);
        }
        auto back = db->Prepare(QStringLiteral("SELECT * From pdmZevaDraw WHERE rowIndex=77"), 1)->OpenRecordset();
        ASSERT_EQ(back->RecordCount(), 1);
        EXPECT_TRUE(back->Fields(QStringLiteral("fileImage")).Value().toBytes() == bytes);
        EXPECT_EQ(back->Fields(QStringLiteral("filesize")).Value().toText(), QString::number(bytes.size()));
        EXPECT_EQ(back->Fields(QStringLiteral("markDate")).Value().toText(), QStringLiteral("2026-12-06"));
        // A picture row without a key of its own can be changed in place.
        {
            auto rs = db->Prepare(QStringLiteral("SELECT TOP 0 * From PDMZEVAAttach"), 1)->OpenRecordset();
            ASSERT_TRUE(rs->AddNew());
            rs->Fields(QStringLiteral("产品ID")) = 1;
            rs->Fields(QStringLiteral("fileName")) = QStringLiteral("a.jpg");
            ASSERT_TRUE(rs->Update()) << db->LastError().Description().toStdString();
        }
        auto picture = db->Prepare(QStringLiteral("SELECT * From PDMZEVAAttach WHERE 产品ID =1"), 1)->OpenRecordset();
        ASSERT_EQ(picture->RecordCount(), 1);
        picture->Fields(QStringLiteral("fileName")) = QStringLiteral("b.jpg");
        picture->Fields(QStringLiteral("fileImage")) = QByteArray("\x89PNG", 4);
        ASSERT_TRUE(picture->Update()) << db->LastError().Description().toStdString();
        EXPECT_EQ(scalarText(*db, QStringLiteral("select fileName from PDMZEVAAttach where 产品ID=1")), QStringLiteral("b.jpg"));
    }
}

// Names are looked up through a cache: asking again, in another case or with an equal
// string built afresh, finds the same column on every row.
TEST_F(BothBackEnds, ColumnsAreFoundByAnySpellingOfTheirName)
{
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        auto rs = db->Prepare(QStringLiteral("SELECT * FROM vtPDMZEVA WHERE 产品ID<=3 ORDER BY 产品ID"), 1)->OpenRecordset();
        ASSERT_EQ(rs->RecordCount(), 3);
        for (int row = 1; row <= 3; ++row, rs->MoveNext()) {
            for (const QString &name : {QStringLiteral("产品ID"), QStringLiteral("产品id"), QString::fromUtf8("产品Id")})
                EXPECT_EQ(rs->Fields(name).Value().toInteger(), row) << name.toStdString();
            EXPECT_EQ(rs->Fields(QString::fromUtf8("abc码")).Name().toLower(), QStringLiteral("abc码"));
            EXPECT_FALSE(rs->Fields(QStringLiteral("nosuch")).exists());
        }
    }
}

TEST_F(BothBackEnds, ATableMadeAgainIsSeenAfreshAndOnlyDataStatementsCountRows)
{
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        const auto run = [db](const char *sql) {
            qint64 rows = -1;
            const bool ok = db->Prepare(QString::fromUtf8(sql), 1)->Execute(&rows);
            EXPECT_TRUE(ok) << sql << ": " << db->LastError().Description().toStdString();
            return rows;
        };
        run("CREATE TABLE shape (id INTEGER PRIMARY KEY, code VARCHAR(10))");
        EXPECT_EQ(run("INSERT INTO shape VALUES (1, 'a')"), 1);
        EXPECT_EQ(run("DROP TABLE shape"), 0) << "no count left over from the insert";
        // Made again with another key: a recordset must write by the new one.
        run("CREATE TABLE shape (id INTEGER, code VARCHAR(10) PRIMARY KEY, note VARCHAR(10))");
        run("INSERT INTO shape VALUES (5, 'a', 'x')");
        run("INSERT INTO shape VALUES (5, 'b', 'y')");
        auto rs = db->Prepare(QStringLiteral("SELECT * From shape WHERE code='a'"), 1)->OpenRecordset();
        rs->Fields(QStringLiteral("note")) = QStringLiteral("changed");
        EXPECT_TRUE(rs->Update()) << db->LastError().Description().toStdString();
        EXPECT_EQ(db->Prepare(QStringLiteral("SELECT note FROM shape WHERE code='b'"), 1)->GetValue().toText(),
                  QStringLiteral("y"));
        // An alias of the key cannot write at all.
        auto aliased = db->Prepare(QStringLiteral("SELECT note AS code FROM shape WHERE code='b'"), 1)->OpenRecordset();
        EXPECT_FALSE(aliased->isUpdatable());
        run("DROP TABLE shape");
    }
}
