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

TEST_F(CatalogueTreeTest, EmptyCategoryTableGivesTheRootAlone)
{
    ASSERT_TRUE(init());
    takeEvents();
    EXPECT_TRUE(form->IFormUI_Refresh());
    EXPECT_EQ(treeLines(), QStringList{QStringLiteral("0 k 产品类别 1")});
    EXPECT_EQ(takeEvents(), QStringList{QStringLiteral("FormRefreshed")});
}

TEST_F(CatalogueTreeTest, FullLoadNestsCategoriesAndProductsInCodeOrder)
{
    addCategories();
    addProduct(10, QStringLiteral(" B-2 "), QStringLiteral("法兰盘"), 3);
    addProduct(11, QStringLiteral("A-1"), QStringLiteral("主轴"), 2);
    addProduct(12, QStringLiteral("M8"), QStringLiteral("螺栓"), 4);
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    EXPECT_EQ(treeLines(), (QStringList{
                               QStringLiteral("0 k 产品类别 1"),
                               QStringLiteral("1 k01 01  机加件 1"),
                               QStringLiteral("2 k0101 0101  轴类 2"),
                               QStringLiteral("3 wA-1 A-1  主轴 11"),
                               QStringLiteral("2 k0102 0102  盘类 3"),
                               QStringLiteral("3 wB-2 B-2  法兰盘 10"),
                               QStringLiteral("1 k02 02  标准件 4"),
                               QStringLiteral("2 wM8 M8  螺栓 12"),
                           }));
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

TEST_F(CatalogueTreeTest, DuplicatesFoundWhileExpandingSayOperation)
{
    addCategories();
    addProduct(20, QStringLiteral("X1"), QStringLiteral("甲"), 2);
    addProduct(21, QStringLiteral("X1"), QStringLiteral("乙"), 2);
    setLimit(1);
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    takeEvents();
    expandNode(QStringLiteral("k0101"));
    const QStringList events = takeEvents();
    EXPECT_TRUE(events.contains(QStringLiteral(
        "ErrMessage|操作时出现错误：物品编码[X1]有重复,加载的物品编码改为：[****X1]|8|产品目录")))
        << events.join(u'\n').toStdString();
    EXPECT_TRUE(events.contains(QStringLiteral("Message|共加载2条记录")));
    EXPECT_EQ(treeLines().filter(QStringLiteral(" w****X1 ")).size(), 1);
}

TEST_F(CatalogueTreeTest, FilterListKeepsOnlyItsCategoriesAndTheirProducts)
{
    addCategories();
    addProduct(20, QStringLiteral("A-1"), QStringLiteral("主轴"), 2);
    addProduct(21, QStringLiteral("M8"), QStringLiteral("螺栓"), 4);
    exec(QStringLiteral("INSERT INTO xt_objects (ProgID, progName, progCommandLine) VALUES (5, '标准件目录', 'k=1403')"));
    ASSERT_TRUE(init(5));
    ASSERT_TRUE(form->IFormUI_Refresh());
    EXPECT_EQ(treeLines(), (QStringList{
                               QStringLiteral("0 k 标准件目录 1"),
                               QStringLiteral("1 k02 02  标准件 4"),
                               QStringLiteral("2 wM8 M8  螺栓 21"),
                           }));
}

TEST_F(CatalogueTreeTest, MissingAncestorTakesTheNameOfItsFirstDescendant)
{
    addCategory(5, QStringLiteral("0301"), QStringLiteral("弹簧"), true);
    addCategory(6, QStringLiteral("0302"), QStringLiteral("垫圈"), true);
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    EXPECT_EQ(treeLines(), (QStringList{
                               QStringLiteral("0 k 产品类别 1"),
                               QStringLiteral("1 k03 03  弹簧 5"),
                               QStringLiteral("2 k0301 0301  弹簧 5"),
                               QStringLiteral("2 k0302 0302  垫圈 6"),
                           }));
}

TEST_F(CatalogueTreeTest, CodesLongerOrShorterThanTheRuleStillNest)
{
    options.codeRule = QStringLiteral("2-2");
    addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
    addCategory(2, QStringLiteral("0101"), QStringLiteral("轴类"));
    addCategory(3, QStringLiteral("010199"), QStringLiteral("细长轴"));
    addCategory(4, QStringLiteral("020"), QStringLiteral("半级"));
    ASSERT_TRUE(init());
    ASSERT_TRUE(form->IFormUI_Refresh());
    EXPECT_EQ(treeLines(), (QStringList{
                               QStringLiteral("0 k 产品类别 1"),
                               QStringLiteral("1 k01 01  机加件 1"),
                               QStringLiteral("2 k0101 0101  轴类 2"),
                               QStringLiteral("3 k010199 010199  细长轴 3"),
                               QStringLiteral("1 k02 02  半级 4"),
                               QStringLiteral("2 k020 020  半级 4"),
                           }));
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
