// Every statement the form issues runs on SQLite and on PostgreSQL with the same answer;
// quoting, transactions, failures and large binary values on both.
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

// The form's statements in the order a session could issue them, values spliced in as
// the form splices them. Some change the data; both back ends see the same sequence.
QStringList formStatements(const QString &bomProduct, const QString &routedProduct, const QString &newId)
{
    const QString q = QStringLiteral("SELECT PDMZEVA.产品ID, PDMZEVA.物品编码, PDMZEVA.物品名称,")
        + QStringLiteral("PDMZEVA.产品类别ID , PDMCPLB.类别编码") + QStringLiteral(" FROM PDMZEVA ")
        + QStringLiteral(" INNER JOIN PDMCPLB ON PDMZEVA.产品类别ID = PDMCPLB.类别ID");
    const QString qf = q + QStringLiteral(" WHERE PDMCPLB.对应科目编号 IN (") + QStringLiteral("'01','03'") + u')';
    const QString find = QStringLiteral("SELECT top 1 PDMCPLB.类别编码") + QStringLiteral(" FROM PDMZEVA ")
        + QStringLiteral(" INNER JOIN PDMCPLB ON PDMZEVA.产品类别ID = PDMCPLB.类别ID");
    const QString insert =
        QStringLiteral("insert into pdmzeva (产品ID,规格,物品编码,助忆词,物品名称,物品产地,条形码,")
        + QStringLiteral("产品类别ID,颜色,特性,尺寸,图号,物品说明,短缺限额,超储限额,参考进价,参考零售价,参考税额,参考批发价,损耗率,保质期,")
        + QStringLiteral("缺省货位,换算比例,是否使用,是否需批次管理,ABC码,库存单位,重量单位,工艺路线ID,主往来ID,采购提前期,来源ID,是否需单件管理) values (")
        + newId
        + QStringLiteral(",'M8','ZX-001','zx','蜗杆 ''特制''','上海','','3','','','','ZV-9001','',0,0,12.5,0,0,0,0,0,'',1,1,0, 'B','个','',0,2,0,1,0)");
    const QString update =
        QStringLiteral("update pdmzeva set 物品编码='ZX-001', 规格='M10',物品名称='蜗杆',物品产地='上海',助忆词='zx',条形码='',")
        + QStringLiteral("颜色='',特性='',尺寸='',图号='ZV-9001',物品说明='',短缺限额=0,超储限额=0,参考进价=13.75,")
        + QStringLiteral("参考零售价=0,参考税额=0,参考批发价=0,损耗率=0,保质期=0,缺省货位='',换算比例=1,是否使用=1, 是否需批次管理=0,")
        + QStringLiteral("ABC码='C',库存单位='个',重量单位='',工艺路线ID=0,主往来ID =2,采购提前期=0,来源ID=1,是否需单件管理=0 where 产品ID=")
        + newId;
    return {
        // Configuration.
        QStringLiteral("SELECT progName,progCommandLine From xt_objects Where ProgID =1003"),
        QStringLiteral("select text from xt_billattribute where attribute='limitdrawing'"),
        QStringLiteral("select text from xt_billattribute where attribute='limitpicture'"),
        // The tree.
        QStringLiteral("select * from pdmcplb where 对应科目编号 IN ('01','03') order by 级次,类别编码"),
        QStringLiteral("select * from pdmcplb  order by 级次,类别编码"),
        QStringLiteral("SELECT Count(产品ID) From (") + q + QStringLiteral(") a "),
        QStringLiteral("SELECT Count(产品ID) From (") + qf + QStringLiteral(") a "),
        QStringLiteral(" select distinct 类别编码 FROM (") + q + QStringLiteral(") a ORDER BY 类别编码 "),
        QStringLiteral(" SELECT 类别编码,物品编码,物品名称,产品ID FROM (") + qf + QStringLiteral(") a ORDER BY 类别编码, 物品编码 "),
        QStringLiteral("SELECT 类别编码,物品编码,物品名称,产品ID FROM vtPDMZEVAX  WHERE 产品类别ID =3  ORDER BY 物品编码 "),
        QStringLiteral("SELECT count(*) FROM vtPDMZEVAX  WHERE 产品类别ID =3"),
        // The record.
        QStringLiteral("SELECT * FROM vtPDMZEVA WHERE 产品ID=1"),
        QStringLiteral("SELECT * FROM PDMZEVAB WHERE 产品ID=1"),
        QStringLiteral("SELECT Caption From xt_billattribute Where attribute ='产品来源' AND Text='2'"),
        QStringLiteral("SELECT 公司名称 FROM PDMWLDW Where 往来ID=8"),
        QStringLiteral("SELECT Caption From xt_billattribute Where ProgID=") + QStringLiteral("200008")
            + QStringLiteral(" AND attribute ='采购方式' AND Text='") + QStringLiteral("2") + u'\'',
        QStringLiteral("SELECT 名称 From pdmxsy Where AutoID=2"),
        QStringLiteral("select top 1 BomID FROM PDMbom where smark='02' and 是否标准=1 and 是否失效=0 and 产品ID=") + bomProduct,
        QStringLiteral("select top 1 ID FROM PDMSRLX where 是否标准=1 and 是否失效=0 and 产品ID=") + routedProduct,
        // Lookups, with the typed entry in place of "@" (in another case than stored).
        QStringLiteral("Select 单位ID,代码,名称 From PDMjldw  where 代码 = 'KG' or 名称 = 'KG'"),
        QStringLiteral("select text,caption FROM xt_billattribute where (code = 'KG' or caption='KG' ) AND ( attribute ='产品来源' ) "),
        QStringLiteral("select text,caption FROM xt_billattribute where ProgID=") + QStringLiteral("200008")
            + QStringLiteral(" AND (code = '月结采购' or caption='月结采购' ) AND ( attribute ='采购方式' ) "),
        QStringLiteral("select text,caption FROM xt_billattribute where ProgID=200008 AND (code = 'QT' or caption='QT' ) AND ( attribute ='采购方式' ) "),
        QStringLiteral("select * from vtpdmwldw ")
            + QStringLiteral("where (公司编号='g0101' or 助忆词='g0101' or 公司名称='g0101') and 属性=1 AND 是否明细=1 and 是否停用=0"),
        QStringLiteral("select * from vtpdmwldw where (公司编号='dfdj' or 助忆词='dfdj' or 公司名称='dfdj') and 属性=1 AND 是否明细=1 and 是否停用=0"),
        QStringLiteral("select 路线名称,ID FROM PDMSRLX where 是否标准=1 and  路线名称 = '标准装配路线'"),
        QStringLiteral("select 路线名称,ID FROM PDMSRLX where 是否标准=1 and  路线名称 = '返修路线'"),
        QStringLiteral("Select 代码,名称,AutoID From pdmxsy where 代码= '王芳' or 名称='王芳'"),
        // Save validation.
        QStringLiteral(" Select * From pdmzeva Where 物品编码='0101001001'"),
        QStringLiteral(" Select * From pdmzeva Where 物品名称='圆钢a-10'"),
        QStringLiteral(" Select * From pdmzeva Where 图号='zv-0001'"),
        QStringLiteral(" Select * From pdmzeva Where 产品ID <> 1 and 物品编码='0101001001'"),
        QStringLiteral(" Select  * From pdmzeva Where 产品ID <> 1 and 物品名称='圆钢A-10'"),
        QStringLiteral(" Select * From pdmzeva Where 产品ID <> 2 and  图号='ZV-0001'"),
        // Saving.
        insert,
        update,
        QStringLiteral("SELECT * From PDMZEVAB Where 产品ID=") + newId,
        QStringLiteral("Insert Into PDMZEVAB (产品ID,建议备库量,采购方式,最高采购价,最低销售价,业务员ID) Values (") + newId
            + QStringLiteral(",10,2,12.5,13,1)"),
        QStringLiteral("select text from xt_billattribute where ProgID=") + QStringLiteral("200008")
            + QStringLiteral(" and attribute ='参考进价' and caption='是否保存到往来价格库'"),
        QStringLiteral("select text from xt_billattribute where ProgID=200008 and attribute ='参考进价' and caption='为零是否保存到往来价格库'"),
        QStringLiteral("select wlpriceID from pubwlprice where 往来ID=2 and 币种ID=1 and 产品ID=") + newId,
        QStringLiteral("insert into pubwlprice(wlpriceID,往来ID,币种ID,产品ID,单价,smark,systemcode,备注)values(9001,2,1,") + newId
            + QStringLiteral(",12.5,'02','PO','产品目录记入')"),
        QStringLiteral("update pubwlprice set 单价=") + QStringLiteral("13.75") + u',' + QStringLiteral("备注='产品目录记入'")
            + QStringLiteral(" where wlpriceID=9001"),
        QStringLiteral("select wlpriceID from pubwlprice where 往来ID=2 and 币种ID=1 and 产品ID=") + newId,
        // New and moving.
        QStringLiteral("SELECT 是否明细 FROM pdmcplb WHERE 类别ID=2"),
        QStringLiteral("SELECT 是否明细 FROM pdmcplb WHERE 类别ID=3"),
        QStringLiteral("update pdmzeva set 产品类别ID = '") + QStringLiteral("4") + QStringLiteral("'  where 产品ID =") + newId,
        // Drawings, pictures, annotations.
        QStringLiteral("SELECT * From pdmZevaDraw WHERE cpID=1 order by rowIndex "),
        QStringLiteral("SELECT TOP 0 * From PDMZEVADraw"),
        QStringLiteral("SELECT * From pdmZevaDraw WHERE rowIndex=5"),
        QStringLiteral(" Update pdmZevaDraw set  contents='说明',  postil = 'O''Brien' Where rowIndex =5"),
        QStringLiteral("DELETE PDMZEVADraw Where rowIndex = 5"),
        QStringLiteral("SELECT * From pdmZevaAttach WHERE 产品ID=1"),
        QStringLiteral("SELECT TOP 0 * From PDMZEVAAttach"),
        QStringLiteral("SELECT * From PDMZEVAAttach WHERE 产品ID =1"),
        QStringLiteral("DELETE FROM PDMZEVAAttach WHERE 产品ID=1"),
        QStringLiteral("DELETE FROM pdmZevaAttach WHERE 产品ID = 1"),
        // Search.
        find + QStringLiteral(" and (物品编码 like '%") + QStringLiteral("a-1") + QStringLiteral("%' or 物品名称 like '%")
            + QStringLiteral("a-1") + QStringLiteral("%') ORDER BY 类别编码,物品编码"),
        find + QStringLiteral(" WHERE PDMCPLB.对应科目编号 IN (") + QStringLiteral("'01','02'") + u')'
            + QStringLiteral(" and (物品编码 like '%钢%' or 物品名称 like '%钢%') ORDER BY 类别编码,物品编码"),
        find + QStringLiteral(" and (物品编码 like '%o''b%' or 物品名称 like '%o''b%') ORDER BY 类别编码,物品编码"),
        find + QStringLiteral(" and (物品编码 like '%\\%' or 物品名称 like '%\\%') ORDER BY 类别编码,物品编码"),
        // Deleting.
        QStringLiteral("SELECT 产品ID FROM PdmBom Where 产品ID = ") + bomProduct,
        QStringLiteral("SELECT count(配件ID) FROM PdmBommx Where 配件ID = 1"),
        QStringLiteral("SELECT top 1 产品ID FROM jxcgoodszztz Where 产品ID = 8"),
        QStringLiteral("DELETE FROM pubWLPrice WHERE 产品ID =") + newId,
        QStringLiteral("DELETE FROM pdmZevaAttach WHERE 产品ID = ") + newId,
        QStringLiteral("delete from pdmzevaB where 产品ID=") + newId,
        QStringLiteral("delete from pdmzeva where 产品ID=") + newId,
    };
}

bool hasOrder(const QString &sql)
{
    return sql.contains(QStringLiteral("order by"), Qt::CaseInsensitive);
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

TEST_F(BothBackEnds, EveryFormStatementGivesTheSameAnswer)
{
    const QString bomProduct = scalarText(*sqlite, QStringLiteral("SELECT 产品ID FROM PdmBom WHERE BomID=1"));
    const QString routedProduct = scalarText(*sqlite, QStringLiteral("SELECT 产品ID FROM PDMSRLX WHERE ID=1"));
    const QStringList statements = formStatements(bomProduct, routedProduct, QStringLiteral("5001"));
    ASSERT_GT(statements.size(), 60);
    for (const QString &sql : statements) {
        QString onSqlite = runForText(*sqlite, sql, !hasOrder(sql));
        QString onPostgres = runForText(*postgres, sql, !hasOrder(sql));
        // An expression's column has no name in SQL Server; each back end makes up its own.
        if (sql.contains(QStringLiteral("count("), Qt::CaseInsensitive)) {
            onSqlite = onSqlite.section(u'\n', 1);
            onPostgres = onPostgres.section(u'\n', 1);
        }
        EXPECT_FALSE(onSqlite.startsWith(QStringLiteral("error"))) << sql.toStdString() << "\n" << onSqlite.toStdString();
        EXPECT_EQ(onSqlite.toStdString(), onPostgres.toStdString()) << sql.toStdString();
    }
}

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

TEST_F(BothBackEnds, ColumnsAreFoundByAnySpellingOfTheirName)
{
    for (auto *db : {sqlite.get(), postgres.get()}) {
        SCOPED_TRACE(db->describe().toStdString());
        auto rs = db->Prepare(QStringLiteral("SELECT * FROM vtPDMZEVA WHERE 产品ID<=3 ORDER BY 产品ID"), 1)->OpenRecordset();
        ASSERT_EQ(rs->RecordCount(), 3);
        const QStringList spellings = {QStringLiteral("产品ID"), QStringLiteral("产品id"), QStringLiteral("物品编码"),
                                       QStringLiteral("ABC码"), QStringLiteral("abc码"), QStringLiteral("nosuch")};
        for (int row = 1; row <= 3; ++row, rs->MoveNext()) {
            for (int round = 0; round < 3; ++round) {
                // The same strings again, then equal strings built afresh.
                for (const QString &name : spellings) {
                    const QString fresh = QString::fromUtf8(name.toUtf8());
                    for (const QString &asked : {name, fresh}) {
                        if (name == u"nosuch") {
                            EXPECT_FALSE(rs->Fields(asked).exists());
                            EXPECT_EQ(rs->Fields(asked).Name(), QStringLiteral("nosuch"));
                        } else if (name.startsWith(u'产')) {
                            EXPECT_EQ(rs->Fields(asked).Value().toInteger(), row);
                        } else if (name == u"物品编码") {
                            EXPECT_TRUE(rs->Fields(asked).Value().toText().startsWith(QStringLiteral("01")));
                        } else {
                            EXPECT_EQ(rs->Fields(asked).Name().toLower(), QStringLiteral("abc码"));
                        }
                    }
                }
            }
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
