// Find, Find next, Next and Previous record as the host sends them, on a catalogue whose
// products load category by category.
#include "formfixture.h"
#include "recordingdatabase.h"

#include "treecontrol.h"

namespace zeva::testing {
namespace {

// The statement's shape, written out once here as the catalogue has always built it.
QString expectedQuery(const QString &where, const QString &text)
{
    return QStringLiteral("SELECT top 1 PDMCPLB.类别编码 FROM PDMZEVA  INNER JOIN PDMCPLB ON PDMZEVA.产品类别ID = PDMCPLB.类别ID")
        + where + QStringLiteral(" and (物品编码 like '%") + text + QStringLiteral("%' or 物品名称 like '%") + text
        + QStringLiteral("%') ORDER BY 类别编码,物品编码");
}

class Search : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (HasFatalFailure())
            return;
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"), false, QStringLiteral("1401"));
        addCategory(2, QStringLiteral("0101"), QStringLiteral("轴类"), true, QStringLiteral("1401"));
        addCategory(3, QStringLiteral("0102"), QStringLiteral("盘类"), true, QStringLiteral("1402"));
        addCategory(4, QStringLiteral("02"), QStringLiteral("标准件"), true, QStringLiteral("1403"));
        addProduct(20, QStringLiteral("A-1"), QStringLiteral("主轴"), 2);
        addProduct(21, QStringLiteral("A-2"), QStringLiteral("副轴"), 2);
        addProduct(22, QStringLiteral("MX8"), QStringLiteral("芯轴"), 2);
        addProduct(30, QStringLiteral("B''1"), QStringLiteral("O''Brien盘"), 3);
        addProduct(31, QStringLiteral("M_8"), QStringLiteral("端盘"), 3);
        addProduct(40, QStringLiteral("C-100%"), QStringLiteral("垫圈"), 4);
        exec(QStringLiteral("INSERT INTO xt_objects (ProgID, progName, progCommandLine) VALUES (7, '轴盘', 'k=1401,1402')"));
        desktop->setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("1"));
        recorder = std::make_shared<RecordingDatabase>(db);
        session = recorder;
    }
    bool find(const QString &text)
    {
        desktop->answerText(text);
        return form->IFormUI_Find(QVariant());
    }
    QString selected() const
    {
        TreeNode *node = form->state().controls.TV->selectedItem();
        return node ? node->key() : QString();
    }
    QStringList queries() const { return recorder->statements().filter(QStringLiteral("SELECT top 1")); }

    std::shared_ptr<RecordingDatabase> recorder;
};

TEST_F(Search, ALoadedNodeIsFoundWithoutAQueryAndACancelledBoxFindsTheFirstNode)
{
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    ASSERT_TRUE(find(QStringLiteral("盘类")));
    EXPECT_EQ(selected(), QStringLiteral("k0102"));
    EXPECT_EQ(form->state().selection.nodeKey, QStringLiteral("k0102")) << "the record follows";
    EXPECT_EQ(desktop->records().last().text, QStringLiteral("输入要查找的节点名称:"));
    EXPECT_EQ(desktop->records().last().title, QStringLiteral("查找记录"));

    desktop->answerCancel();
    ASSERT_TRUE(form->IFormUI_Find(QVariant()));
    EXPECT_EQ(selected(), QStringLiteral("k"));
    EXPECT_EQ(queries(), QStringList());
}

TEST_F(Search, AProductNotLoadedLoadsItsCategoryAndFindNextStopsAtTheLastMatch)
{
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    ASSERT_TRUE(find(QStringLiteral("A-")));
    EXPECT_EQ(queries(), QStringList{expectedQuery(QString(), QStringLiteral("A-"))});
    EXPECT_EQ(form->state().controls.TV->Nodes().item(QStringLiteral("k0101"))->children(), 3);
    EXPECT_EQ(selected(), QStringLiteral("wA-1"));
    EXPECT_EQ(form->state().selection.productId, 20);

    ASSERT_TRUE(form->IFormUI_FindNext());
    EXPECT_EQ(selected(), QStringLiteral("wA-2"));
    takeEvents();
    ASSERT_TRUE(form->IFormUI_FindNext());
    EXPECT_EQ(selected(), QStringLiteral("wA-2")) << "no wrap-around";
    EXPECT_EQ(takeEvents(), QStringList()) << "nothing shown again";
    EXPECT_EQ(queries().size(), 1) << "Find next asks no database";
}

TEST_F(Search, TheFilterListQuotesAndWildcardsKeepTheStatementsShape)
{
    ASSERT_TRUE(init(7));
    ASSERT_TRUE(form->IFormUI_Refresh());
    // `_` is LIKE's any-character: MX8 of the earlier category answers first, and the
    // tree, searched for the text as typed, then holds no such node.
    ASSERT_TRUE(find(QStringLiteral("M_8")));
    EXPECT_EQ(selected(), QStringLiteral("k0101"));
    ASSERT_TRUE(find(QStringLiteral("O'Brien")));
    EXPECT_EQ(selected(), QStringLiteral("wB'1"));
    ASSERT_TRUE(find(QStringLiteral("100%")));
    EXPECT_EQ(selected(), QStringLiteral("wB'1")) << "a category outside the filter is not searched";
    const QString in = QStringLiteral(" WHERE PDMCPLB.对应科目编号 IN ('1401','1402')");
    EXPECT_EQ(queries(), (QStringList{expectedQuery(in, QStringLiteral("M_8")), expectedQuery(in, QStringLiteral("O''Brien")),
                                      expectedQuery(in, QStringLiteral("100%"))}));
}

TEST_F(Search, AFailingLookUpIsReportedAndFindAnswersFalse)
{
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    exec(QStringLiteral("DROP VIEW vtPDMZEVAX"));
    exec(QStringLiteral("DROP VIEW vtPDMZEVA"));
    exec(QStringLiteral("DROP TABLE pdmzeva"));
    takeEvents();
    EXPECT_FALSE(find(QStringLiteral("A-")));
    const QStringList events = takeEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events.first().startsWith(QStringLiteral("ErrMessage|查找记录时出错，原因：")));
    EXPECT_TRUE(events.first().contains(QStringLiteral("pdmzeva"), Qt::CaseInsensitive)) << "the driver's own text";
    EXPECT_EQ(selected(), QStringLiteral("k"));
}

TEST_F(Search, NextAndPreviousStopAtTheEndsFirstAndLastRecordRefuse)
{
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    ASSERT_TRUE(find(QStringLiteral("MX8")));
    takeEvents();
    ASSERT_TRUE(form->IFormUI_RecordNext());
    EXPECT_EQ(selected(), QStringLiteral("wMX8")) << "the last product has no children";
    EXPECT_EQ(takeEvents(), QStringList());
    for (const char *key : {"wA-2", "wA-1", "k0101", "k01", "k", "k"}) {
        ASSERT_TRUE(form->IFormUI_RecordPrevious());
        EXPECT_EQ(selected(), QString::fromLatin1(key));
    }
    EXPECT_EQ(form->state().selection.kind, Selection::Kind::Root);
    EXPECT_FALSE(form->IFormUI_RecordTop());
    EXPECT_FALSE(form->IFormUI_RecordBottom());
}

} // namespace
} // namespace zeva::testing
