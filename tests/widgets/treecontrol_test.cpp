// The tree control and its node collection: relationships, Index order, keys, removal,
// moves, roles, input-only user events and the deferred selection of bulk fills.
#include "treetestsupport.h"

#include <QSignalSpy>
#include <QTest>

namespace zeva::test {
namespace {

using TreeControlTest = TreeFixture;

TEST_F(TreeControlTest, RelationshipsPlaceNodesAndIndexFollowsAdding)
{
    TreeModel &nodes = tree.Nodes();
    TreeNode *b = nodes.add({}, tvwLast, "b", "B");
    TreeNode *a = nodes.add({}, tvwFirst, "a", "A");
    nodes.add("b", tvwChild, "b2", "B2");
    nodes.add("b2", tvwPrevious, "b1", "B1");
    nodes.add("b2", tvwNext, "b3", "B3");
    nodes.add("b2", tvwFirst, "b0", "B0");
    nodes.add(QVariant::fromValue(a), tvwLast, "c", "C");
    nodes.add(2, tvwNext, "a1", "A1");   // by Index: after node 2 ("a")
    EXPECT_EQ(dump(), QStringList({"0 a A", "0 a1 A1", "0 b B", "1 b0 B0", "1 b1 B1", "1 b2 B2", "1 b3 B3", "0 c C"}));

    ASSERT_EQ(nodes.count(), 8);
    QStringList byIndex;
    for (TreeNode *n : nodes)
        byIndex << QString("%1:%2").arg(n->index()).arg(n->key());
    EXPECT_EQ(byIndex, QStringList({"1:b", "2:a", "3:b2", "4:b1", "5:b3", "6:b0", "7:c", "8:a1"}));

    TreeNode *b2 = nodes.item("b2");
    EXPECT_EQ(nodes.item(3), b2);
    EXPECT_EQ(b2->parent(), b);
    EXPECT_EQ(b2->firstSibling()->key(), "b0");
    EXPECT_EQ(b2->lastSibling()->key(), "b3");
    EXPECT_EQ(b2->next()->key(), "b3");
    EXPECT_EQ(b2->previous()->key(), "b1");
    EXPECT_EQ(b2->root(), b);
    EXPECT_EQ(b->child()->key(), "b0");
    EXPECT_EQ(b->children(), 4);
    EXPECT_EQ(b2->fullPath(), "B\\B2");
    EXPECT_EQ(b->fullPath(), "B");
    EXPECT_EQ(a->previous(), nullptr);
    EXPECT_EQ(nodes.item(0), nullptr);
    EXPECT_EQ(nodes.item(9), nullptr);
    EXPECT_EQ(nodes.item("B2"), nullptr) << "keys are case-sensitive";
}

TEST_F(TreeControlTest, AddFailuresSayWhy)
{
    TreeModel &nodes = tree.Nodes();
    ASSERT_TRUE(nodes.add({}, tvwLast, "k", "root"));
    EXPECT_EQ(nodes.add("k", tvwChild, "k", "again"), nullptr);
    EXPECT_EQ(nodes.error(), TreeModel::KeyNotUnique);
    EXPECT_EQ(nodes.errorString(), "key is not unique");

    EXPECT_EQ(nodes.add("k010", tvwChild, "k01001", "x"), nullptr);
    EXPECT_EQ(nodes.error(), TreeModel::RelativeNotFound);
    EXPECT_TRUE(nodes.errorString().contains("k010"));

    EXPECT_EQ(nodes.add("k", 7, "z", "z"), nullptr);
    EXPECT_EQ(nodes.error(), TreeModel::InvalidRelationship);
    EXPECT_EQ(nodes.add(5, tvwChild, "z", "z"), nullptr);
    EXPECT_EQ(nodes.error(), TreeModel::RelativeNotFound);
    EXPECT_EQ(nodes.count(), 1) << "a failed add leaves nothing behind";

    // Nodes without a key (placeholders) may be many.
    EXPECT_TRUE(nodes.add("k", tvwChild, {}, "waiting"));
    EXPECT_TRUE(nodes.add("k", tvwChild, {}, "waiting"));
    EXPECT_EQ(nodes.error(), TreeModel::NoError);
}

TEST_F(TreeControlTest, RemoveTakesTheSubtreeAndClosesUpIndexes)
{
    TreeModel &nodes = tree.Nodes();
    nodes.add({}, tvwLast, "r", "R");
    nodes.add("r", tvwChild, "a", "A");
    nodes.add("a", tvwChild, "a1", "A1");
    nodes.add("r", tvwChild, "b", "B");
    nodes.add("a", tvwChild, "a2", "A2");
    tree.setSelectedItem(nodes.item("a2"));

    QSignalSpy aboutToRemove(&tree.Nodes(), &TreeModel::nodeAboutToBeRemoved);
    ASSERT_TRUE(nodes.remove(nodes.item("a")));
    EXPECT_EQ(aboutToRemove.count(), 1);
    EXPECT_EQ(dump(), QStringList({"0 r R", "1 b B"}));
    EXPECT_EQ(nodes.count(), 2);
    EXPECT_EQ(nodes.item("b")->index(), 2);
    EXPECT_EQ(nodes.item("a1"), nullptr);
    EXPECT_EQ(tree.selectedItem(), nodes.item("b")) << "the tree picks a surviving node";
    nodes.remove(nodes.item("b"));
    EXPECT_EQ(tree.selectedItem(), nodes.item("r")) << "the parent when no sibling is left";
    EXPECT_TRUE(nodes.add("r", tvwChild, "a1", "again")) << "a removed key is free again";
    EXPECT_FALSE(nodes.remove(99));
    EXPECT_EQ(nodes.error(), TreeModel::NodeNotFound);

    nodes.clear();
    EXPECT_EQ(nodes.count(), 0);
    EXPECT_EQ(tree.selectedItem(), nullptr);
    EXPECT_TRUE(nodes.add({}, tvwLast, "r", "R")) << "clear frees every key";
}

TEST_F(TreeControlTest, KeysStayFoundThroughManyRemovalsAndReusedPlaces)
{
    // Enough keys to grow the index several times; removals shift probe runs back.
    tester.reset();   // thousands of single-row changes: the tester is slow, not needed here
    TreeModel &nodes = tree.Nodes();
    constexpr int n = 3000;
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(nodes.add({}, tvwLast, QString("w%1").arg(i), QString::number(i)));
    for (int i = 0; i < n; i += 3)
        ASSERT_TRUE(nodes.remove(nodes.item(QString("w%1").arg(i))));
    for (int i = 0; i < n; i += 6)
        ASSERT_TRUE(nodes.add({}, tvwLast, QString("w%1").arg(i), "again"));
    for (int i = 0; i < n; ++i) {
        TreeNode *node = nodes.item(QString("w%1").arg(i));
        const bool present = i % 3 != 0 || i % 6 == 0;
        ASSERT_EQ(node != nullptr, present) << i;
        if (node) {
            ASSERT_EQ(node->key(), QString("w%1").arg(i));
        }
    }
    EXPECT_EQ(nodes.count(), n - n / 3 + n / 6);
    int index = 0;
    for (TreeNode *node : nodes)
        ASSERT_EQ(node->index(), ++index);
    ASSERT_TRUE(nodes.setKey(nodes.item("w1"), "renamed"));
    EXPECT_EQ(nodes.item("w1"), nullptr);
    EXPECT_FALSE(nodes.setKey(nodes.item("w2"), "renamed"));
    EXPECT_EQ(nodes.item("renamed")->text(), "1");
}

TEST_F(TreeControlTest, ParentAssignmentMovesTheSubtreeButNeverIntoItself)
{
    TreeModel &nodes = tree.Nodes();
    nodes.add({}, tvwLast, "r", "R");
    nodes.add("r", tvwChild, "a", "A");
    nodes.add("a", tvwChild, "a1", "A1");
    nodes.add("r", tvwChild, "b", "B");
    tree.Nodes().setExpanded(nodes.item("a"), true);

    ASSERT_TRUE(nodes.move(nodes.item("a"), nodes.item("b")));
    EXPECT_EQ(dump(), QStringList({"0 r R", "1 b B", "2 a A", "3 a1 A1"}));
    EXPECT_EQ(nodes.item("a")->index(), 2) << "moving keeps the Index";
    EXPECT_TRUE(tree.isExpanded(nodes.indexOf(nodes.item("a"))));

    EXPECT_FALSE(nodes.move(nodes.item("b"), nodes.item("a1")));
    EXPECT_EQ(nodes.error(), TreeModel::WouldCreateLoop);
    EXPECT_FALSE(nodes.move(nodes.item("b"), nodes.item("b")));
    EXPECT_EQ(dump(), QStringList({"0 r R", "1 b B", "2 a A", "3 a1 A1"}));

    ASSERT_TRUE(nodes.move(nodes.item("a1"), nullptr));
    EXPECT_EQ(dump(), QStringList({"0 r R", "1 b B", "2 a A", "0 a1 A1"}));
}

TEST_F(TreeControlTest, ModelExposesKeyTagAndIndexRoles)
{
    TreeNode *n = tree.Nodes().add({}, tvwLast, "k01", "01  Steel");
    tree.Nodes().setTag(n, 17);
    const QModelIndex index = tree.model()->index(0, 0);
    EXPECT_EQ(index.data(TreeControl::KeyRole).toString(), "k01");
    EXPECT_EQ(index.data(TreeControl::TagRole).toInt(), 17);
    EXPECT_EQ(index.data(TreeControl::IndexRole).toInt(), 1);
    EXPECT_EQ(index.data(Qt::DisplayRole).toString(), "01  Steel");
    EXPECT_EQ(tree.property("zevaType").toString(), "TreeView");
}

TEST_F(TreeControlTest, ExpansionByCodeRaisesNoEventButTheUsersDoes)
{
    TreeModel &nodes = tree.Nodes();
    nodes.add({}, tvwLast, "r", "R");
    nodes.add("r", tvwChild, "a", "A");
    nodes.add("a", tvwChild, "a1", "A1");
    nodes.add("a1", tvwChild, "a11", "A11");
    QSignalSpy expands(&tree, &TreeControl::nodeExpand);
    QSignalSpy clicks(&tree, &TreeControl::nodeClick);

    tree.ensureVisible(nodes.item("a11"));
    tree.setSelectedItem(nodes.item("a11"));
    tree.Nodes().setExpanded(nodes.item("r"), false);
    tree.Nodes().setExpanded(nodes.item("r"), true);
    EXPECT_TRUE(nodes.item("a1")->expanded());
    EXPECT_EQ(expands.count(), 0);
    EXPECT_EQ(clicks.count(), 0);

    // The user collapses and expands "a" from the keyboard; the arrow keys click.
    tree.setSelectedItem(nodes.item("a"));
    QTest::keyClick(&tree, Qt::Key_Left);
    EXPECT_FALSE(nodes.item("a")->expanded());
    QTest::keyClick(&tree, Qt::Key_Right);
    ASSERT_EQ(expands.count(), 1);
    EXPECT_EQ(expands.at(0).at(0).value<TreeNode *>()->key(), "a");
    QTest::keyClick(&tree, Qt::Key_Down);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<TreeNode *>()->key(), "a1");
    EXPECT_EQ(tree.selectedItem()->key(), "a1");
}

TEST_F(TreeControlTest, AClickOnTheExpandMarkExpandsWithoutClicking)
{
    TreeModel &nodes = tree.Nodes();
    nodes.add({}, tvwLast, "r", "R");
    nodes.add("r", tvwChild, "a", "A");
    nodes.add({}, tvwLast, "s", "S");
    tree.setSelectedItem(nodes.item("s"));
    QSignalSpy expands(&tree, &TreeControl::nodeExpand);
    QSignalSpy clicks(&tree, &TreeControl::nodeClick);

    const QRect row = tree.visualRect(nodes.indexOf(nodes.item("r")));
    const QPoint mark(row.left() - tree.indentation() / 2, row.center().y());
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, mark);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, mark);
    ASSERT_EQ(expands.count(), 1);
    EXPECT_EQ(expands.at(0).at(0).value<TreeNode *>()->key(), "r");
    EXPECT_TRUE(nodes.item("r")->expanded());
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(tree.selectedItem()->key(), "s");
}

TEST_F(TreeControlTest, LeftClickSelectsAndClicksRightClickLeavesSelection)
{
    helper.UnHookCtrl();   // the helper would select on the right click
    TreeModel &nodes = tree.Nodes();
    nodes.add({}, tvwLast, "r", "R");
    nodes.add("r", tvwChild, "a", "A");
    nodes.add("r", tvwChild, "b", "B");
    tree.Nodes().setExpanded(nodes.item("r"), true);
    tree.setSelectedItem(nodes.item("r"));
    QSignalSpy clicks(&tree, &TreeControl::nodeClick);
    QSignalSpy downs(&tree, &TreeControl::mouseDown);
    QSignalSpy ups(&tree, &TreeControl::mouseUp);

    const QPoint b = rowCenter(nodes.item("b"));
    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, b);
    mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, b);
    EXPECT_EQ(tree.selectedItem()->key(), "r");
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).toInt(), 2);
    EXPECT_EQ(downs.at(0).at(3).toInt(), tree.toTwips(b.y()));
    EXPECT_EQ(ups.count(), 1);

    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, b);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, b);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<TreeNode *>()->key(), "b");
    EXPECT_EQ(tree.selectedItem()->key(), "b");

    // Empty space below the rows is no node.
    EXPECT_EQ(tree.hitTest(tree.toTwips(5), tree.toTwips(tree.viewport()->height() - 2)), nullptr);
    EXPECT_EQ(tree.hitTest(5, tree.toTwips(b.y())), nodes.item("b"));
}

TEST_F(TreeControlTest, BulkFillDefersSelectionToTheEndAndKeepsCategoriesCollapsed)
{
    tree.setRedraw(false);
    cTreeView &h = helper;
    h.NodeAdd({}, tvwLast, "k", "root", {}, {}, {}, false, false, false, true);
    for (int c = 0; c < 5; ++c) {
        h.NodeAdd("k", tvwChild, QString("k%1").arg(c), QString("cat %1").arg(c));
        for (int p = 0; p < 3; ++p)
            h.NodeAdd(QString("k%1").arg(c), tvwChild, QString("w%1-%2").arg(c).arg(p), "product");
    }
    EXPECT_EQ(tree.selectedItem()->key(), "w4-2");
    EXPECT_FALSE(tree.currentIndex().isValid()) << "the view is not touched during the fill";
    tree.setSelectedItem(tree.Nodes().item("k"));
    tree.setRedraw(true);
    EXPECT_EQ(tree.currentIndex().data(TreeControl::KeyRole).toString(), "k");
    for (int c = 0; c < 5; ++c)
        EXPECT_FALSE(tree.Nodes().item(QString("k%1").arg(c))->expanded()) << c;
}

TEST_F(TreeControlTest, GeometryIsInTwips)
{
    EXPECT_DOUBLE_EQ(tree.twipsPerPixel(), 1440.0 / tree.logicalDpiY());
    EXPECT_EQ(tree.heightTwips(), tree.toTwips(400));
    EXPECT_GT(tree.rowHeightTwips(), 0) << "known without rows";
    const int withoutRows = tree.GetVisibleCount();
    tree.Nodes().add({}, tvwLast, "r", "R");
    EXPECT_EQ(tree.GetVisibleCount(), withoutRows);
    EXPECT_EQ(withoutRows, (400 - 2 * tree.frameWidth()) / tree.toPixels(tree.rowHeightTwips()));
    tree.setIndentationTwips(300);
    EXPECT_EQ(tree.indentationTwips(), 300);
    EXPECT_EQ(tree.indentation(), tree.toPixels(300));
}

} // namespace
} // namespace zeva::test

namespace {

TEST(TreeModelRoles, KeyAndTagAreReachableByName)
{
    zeva::TreeControl tree;
    zeva::TreeNode *node = tree.Nodes().add({}, zeva::tvwLast, QStringLiteral("k01"), QStringLiteral("01  机加件"));
    ASSERT_TRUE(node);
    tree.Nodes().setTag(node, 7);
    const QHash<int, QByteArray> names = tree.Nodes().roleNames();
    const int keyRole = names.key("key", -1);
    const int tagRole = names.key("tag", -1);
    ASSERT_NE(keyRole, -1);
    ASSERT_NE(tagRole, -1);
    const QModelIndex index = tree.Nodes().indexOf(node);
    EXPECT_EQ(tree.Nodes().data(index, keyRole).toString(), QStringLiteral("k01"));
    EXPECT_EQ(tree.Nodes().data(index, tagRole).toInt(), 7);
    EXPECT_EQ(names.value(Qt::DisplayRole), QByteArray("display"));
}

} // namespace
