#include "formfixture.h"

#include "treecontrol.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>


namespace zeva::testing {
namespace {

class CatalogueTreeTest : public FormFixture {
protected:
    // Two first-level categories, one with two detail children.
    void addCategories()
    {
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"), false, QStringLiteral("1401"));
        addCategory(2, QStringLiteral("0101"), QStringLiteral("轴类"), true, QStringLiteral("1401"));
        addCategory(3, QStringLiteral("0102"), QStringLiteral("盘类"), true, QStringLiteral("1401"));
        addCategory(4, QStringLiteral("02"), QStringLiteral("标准件"), true, QStringLiteral("1403"));
    }
    void setLimit(int limit)
    {
        desktop->setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QString::number(limit));
    }
};

// Each case on a database of its own: the categories and products, the program record,
// the code rule, and the tree a refresh gives (pre-order "depth key text tag").
TEST(CatalogueTreeShapes, CategoriesNestByTheCodeRule)
{
    struct Case {
        const char *what;
        QStringList statements;   // rows besides the four categories of addCategories
        int czid;
        QString codeRule;
        QStringList tree;
    };
    const QString category = QStringLiteral("INSERT INTO pdmcplb (类别ID, 类别编码, 类别名称, 级次, 是否明细, 对应科目编号) VALUES ");
    const QString product = QStringLiteral("INSERT INTO pdmzeva (产品ID, 物品编码, 物品名称, 产品类别ID) VALUES ");
    const QStringList four = {category + "(1, '01', '机加件', 1, 0, '1401')", category + "(2, '0101', '轴类', 2, 1, '1401')",
                              category + "(3, '0102', '盘类', 2, 1, '1401')", category + "(4, '02', '标准件', 1, 1, '1403')"};
    const Case cases[] = {
        {"no categories: the root alone", {}, 200008, "2-2-3", {"0 k 产品类别 1"}},
        {"full load in code order, codes trimmed",
         four + QStringList{product + "(10, ' B-2 ', '法兰盘', 3)", product + "(11, 'A-1', '主轴', 2)", product + "(12, 'M8', '螺栓', 4)"},
         200008, "2-2-3",
         {"0 k 产品类别 1", "1 k01 01  机加件 1", "2 k0101 0101  轴类 2", "3 wA-1 A-1  主轴 11", "2 k0102 0102  盘类 3",
          "3 wB-2 B-2  法兰盘 10", "1 k02 02  标准件 4", "2 wM8 M8  螺栓 12"}},
        {"the program's filter keeps its categories and their products",
         four + QStringList{product + "(20, 'A-1', '主轴', 2)", product + "(21, 'M8', '螺栓', 4)",
                            "INSERT INTO xt_objects (ProgID, progName, progCommandLine) VALUES (5, '标准件目录', 'k=1403')"},
         5, "2-2-3", {"0 k 标准件目录 1", "1 k02 02  标准件 4", "2 wM8 M8  螺栓 21"}},
        {"a missing ancestor takes its first descendant's name",
         {category + "(5, '0301', '弹簧', 2, 1, '')", category + "(6, '0302', '垫圈', 2, 1, '')"}, 200008, "2-2-3",
         {"0 k 产品类别 1", "1 k03 03  弹簧 5", "2 k0301 0301  弹簧 5", "2 k0302 0302  垫圈 6"}},
        {"codes longer or shorter than the rule",
         {category + "(1, '01', '机加件', 1, 1, '')", category + "(2, '0101', '轴类', 2, 1, '')",
          category + "(3, '010199', '细长轴', 3, 1, '')", category + "(4, '020', '半级', 2, 1, '')"},
         200008, "2-2",
         {"0 k 产品类别 1", "1 k01 01  机加件 1", "2 k0101 0101  轴类 2", "3 k010199 010199  细长轴 3", "1 k02 02  半级 4",
          "2 k020 020  半级 4"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        struct Run : FormFixture {
            void TestBody() override {}
        } run;
        run.SetUp();
        run.options.codeRule = c.codeRule;
        run.exec(c.statements);
        ASSERT_TRUE(run.init(c.czid));
        ASSERT_TRUE(run.form->IFormUI_Refresh());
        EXPECT_EQ(run.treeLines(), c.tree);
        EXPECT_TRUE(run.takeEvents().contains(QStringLiteral("FormRefreshed")));
        run.TearDown();
    }
}

TEST_F(CatalogueTreeTest, ExactlyTheLimitLoadsAllAndOneMoreLoadsPlaceholders)
{
    addCategories();
    for (int i = 0; i < 3; ++i)
        addProduct(20 + i, QStringLiteral("P%1").arg(i), QStringLiteral("件"), 2);
    setLimit(3);
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    EXPECT_TRUE(treeLines().contains(QStringLiteral("3 wP2 P2  件 22")));

    addProduct(30, QStringLiteral("Q0"), QStringLiteral("件"), 4);
    ASSERT_TRUE(form->IFormUI_Refresh());
    const QStringList lines = treeLines();
    EXPECT_FALSE(lines.contains(QStringLiteral("3 wP2 P2  件 22")));
    EXPECT_EQ(lines.filter(QStringLiteral("正在加载数据中,请稍等... waiting")).size(), 2)
        << "one placeholder per category that has products:\n" << lines.join(u'\n').toStdString();
}

TEST_F(CatalogueTreeTest, ExpandingLoadsOnceThenReportsTheCount)
{
    addCategories();
    addProduct(20, QStringLiteral("P1"), QStringLiteral("轴一"), 2);
    addProduct(21, QStringLiteral("P0"), QStringLiteral("轴零"), 2);
    setLimit(1);
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    takeEvents();
    expandNode(QStringLiteral("k0101"));
    EXPECT_EQ(takeEvents().filter(QStringLiteral("Message|")), QStringList{QStringLiteral("Message|共加载2条记录")});
    EXPECT_TRUE(treeLines().contains(QStringLiteral("3 wP0 P0  轴零 21")));
    EXPECT_EQ(treeLines().filter(QStringLiteral("waiting")).size(), 0);

    expandNode(QStringLiteral("k0101"));
    EXPECT_EQ(takeEvents().filter(QStringLiteral("Message|")), QStringList{QStringLiteral("Message|共加载2条记录")});
    EXPECT_EQ(treeLines().filter(QStringLiteral(" wP")).size(), 2) << "nothing loaded twice";

    expandNode(QStringLiteral("k01"));
    EXPECT_EQ(takeEvents().filter(QStringLiteral("Message|")), QStringList{QStringLiteral("Message|")})
        << "a category without products of its own reports an empty text";

    // A taken code found while expanding says which operation met it.
    addProduct(22, QStringLiteral("P0"), QStringLiteral("轴零二"), 3);
    ASSERT_TRUE(form->IFormUI_Refresh());
    takeEvents();
    for (const char *key : {"k01", "k0101", "k0102"})
        expandNode(QString::fromLatin1(key));
    EXPECT_TRUE(takeEvents().contains(QStringLiteral(
        "ErrMessage|操作时出现错误：物品编码[P0]有重复,加载的物品编码改为：[****P0]|8|产品目录")));
}

TEST_F(CatalogueTreeTest, DuplicateCodesGetStarsEachTime)
{
    addCategories();
    addProduct(20, QStringLiteral("X1"), QStringLiteral("甲"), 2);
    addProduct(21, QStringLiteral("X1"), QStringLiteral("乙"), 2);
    addProduct(22, QStringLiteral("X1"), QStringLiteral("丙"), 2);
    ASSERT_TRUE(init());
    takeEvents();
    ASSERT_TRUE(form->IFormUI_Refresh());
    const QStringList lines = treeLines();
    EXPECT_EQ(lines.filter(QStringLiteral(" wX1 X1  ")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral(" w****X1 ****X1  ")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral(" w********X1 ********X1  ")).size(), 1);
    const QStringList errors = takeEvents().filter(QStringLiteral("ErrMessage|"));
    EXPECT_EQ(errors, (QStringList{
                          QStringLiteral("ErrMessage|刷新数据时出错：物品编码[X1]有重复,加载的物品编码改为：[****X1]|8|产品目录"),
                          QStringLiteral("ErrMessage|刷新数据时出错：物品编码[X1]有重复,加载的物品编码改为：[****X1]|8|产品目录"),
                          QStringLiteral("ErrMessage|刷新数据时出错：物品编码[****X1]有重复,加载的物品编码改为：[********X1]|8|产品目录"),
                      }))
        << errors.join(u'\n').toStdString();
}

TEST_F(CatalogueTreeTest, FailingQueryIsReportedAndRefreshAnswersFalse)
{
    ASSERT_TRUE(init());
    exec(QStringLiteral("DROP TABLE pdmcplb"));
    takeEvents();
    EXPECT_FALSE(form->IFormUI_Refresh());
    const QStringList events = takeEvents();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events.first().startsWith(QStringLiteral("ErrMessage|")));
    EXPECT_TRUE(events.first().contains(QStringLiteral("pdmcplb"))) << "the driver's own text";
    EXPECT_TRUE(events.first().endsWith(QStringLiteral("|8|产品目录")));
}

} // namespace
} // namespace zeva::testing

namespace zeva::testing {
namespace {

// Where the user is in the tree: what is highlighted, which rows are in view, where the keys go.
class TreePlace : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (HasFatalFailure())
            return;
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"), false);
        addCategory(2, QStringLiteral("0101"), QStringLiteral("轴类"));
        addCategory(4, QStringLiteral("02"), QStringLiteral("标准件"));
        db->BeginTrans();
        for (int i = 0; i < 60; ++i)
            addProduct(100 + i, QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("轴"), 2);
        ASSERT_TRUE(db->CommitTrans());
        desktop->setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("1"));
        ASSERT_TRUE(init());
        ASSERT_TRUE(form->IFormUI_Refresh());
        clickMark(QStringLiteral("k01"));
    }
    TreeControl &tree() const { return *form->state().controls.TV; }
    // A user's click on the expand mark of the node's row.
    void clickMark(const QString &key)
    {
        const QRect rect = tree().visualRect(tree().Nodes().indexOf(tree().Nodes().item(key)));
        QTest::mouseClick(tree().viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rect.left() - tree().indentation() / 2, rect.center().y()));
        QApplication::processEvents();
    }
    QString highlighted() const { return tree().selectedItem() ? tree().selectedItem()->key() : QString(); }
    const Selection &shown() const { return form->state().selection; }
};

TEST_F(TreePlace, ExpandingWithTheMouseKeepsSelectionScrollAndFocus)
{
    clickNode(QStringLiteral("k02"));
    const int scroll = tree().verticalScrollBar()->value();
    ASSERT_TRUE(tree().hasFocus());
    clickMark(QStringLiteral("k0101"));
    ASSERT_EQ(tree().Nodes().item(QStringLiteral("k0101"))->children(), 60) << "the products were loaded";
    EXPECT_EQ(highlighted(), QStringLiteral("k02"));
    EXPECT_EQ(shown().nodeKey, QStringLiteral("k02"));
    EXPECT_EQ(tree().verticalScrollBar()->value(), scroll);
    EXPECT_TRUE(tree().hasFocus()) << "the next Down key still moves in the tree";
}

TEST_F(TreePlace, RightClickAndCollapseKeepHighlightAndRecordTogether)
{
    clickNode(QStringLiteral("k02"));
    clickMark(QStringLiteral("k0101"));
    const QRect row = tree().visualRect(tree().Nodes().indexOf(tree().Nodes().item(QStringLiteral("wP01"))));
    QTest::mouseClick(tree().viewport(), Qt::RightButton, Qt::NoModifier, row.center());
    QApplication::processEvents();
    EXPECT_EQ(highlighted(), QStringLiteral("wP01"));
    EXPECT_EQ(shown().nodeKey, QStringLiteral("wP01"));
    EXPECT_EQ(shown().productId, 101) << "the host's edit works on the highlighted product";

    clickMark(QStringLiteral("k0101"));   // collapses the category holding the product
    EXPECT_EQ(highlighted(), QStringLiteral("k0101"));
    EXPECT_EQ(shown().kind, Selection::Kind::Category);
    EXPECT_EQ(shown().categoryId, 2);
}

} // namespace
} // namespace zeva::testing
