// The tree control and its node collection: relationships, Index order, keys, removal and
// the selection after it, moves, roles, input-only user events, and the deferred selection
// and held announcements of bulk fills.
#include "treetestsupport.h"

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QTest>

namespace zeva::test {
namespace {

using TreeControlTest = TreeFixture;

TEST_F(TreeControlTest, RelationshipsPlaceNodesAndIndexFollowsAdding)
{
    TreeModel &nodes = tree.Nodes();
    TreeNode *b = nodes.add({}, tvwLast, "b", "B");
    TreeNode *a = nodes.add({}, tvwFirst, "a", "A");
    ASSERT_TRUE(nodes.add("b", tvwChild, "b2", "B2"));
    ASSERT_TRUE(nodes.add("b2", tvwPrevious, "b1", "B1"));
    ASSERT_TRUE(nodes.add("b2", tvwNext, "b3", "B3"));
    ASSERT_TRUE(nodes.add("b2", tvwFirst, "b0", "B0"));
    ASSERT_TRUE(nodes.add(QVariant::fromValue(a), tvwLast, "c", "C"));
    ASSERT_TRUE(nodes.add(2, tvwNext, "a1", "A1"));   // by Index: after node 2 ("a")
    EXPECT_EQ(dump(), QStringList({"0 a A", "0 a1 A1", "0 b B", "1 b0 B0", "1 b1 B1", "1 b2 B2", "1 b3 B3", "0 c C"}));
    QStringList byIndex;
    for (TreeNode *n : nodes)
        byIndex << QString("%1:%2").arg(n->index()).arg(n->key());
    EXPECT_EQ(byIndex, QStringList({"1:b", "2:a", "3:b2", "4:b1", "5:b3", "6:b0", "7:c", "8:a1"}));

    TreeNode *b2 = nodes.item("b2");
    // Parent, root, first and last sibling, previous and next.
    EXPECT_EQ(QStringList({key(b2->parent()), key(b2->root()), key(b2->firstSibling()), key(b2->lastSibling()),
                           key(b2->previous()), key(b2->next())}), QStringList({"b", "b", "b0", "b3", "b1", "b3"}));
    EXPECT_EQ(b2->fullPath() + "|" + b->fullPath(), "B\\B2|B");
    EXPECT_TRUE(!a->parent() && !a->previous() && a->firstSibling() == a && a->root() == a) << "top level";
    EXPECT_EQ(nodes.item("B2"), nullptr) << "keys are case-sensitive";
}

TEST_F(TreeControlTest, AddFailuresSayWhyAndLeaveNothing)
{
    TreeModel &nodes = tree.Nodes();
    ASSERT_TRUE(nodes.add({}, tvwLast, "k", "root"));
    TreeControl other;
    TreeNode *foreign = other.Nodes().add({}, tvwLast, "f", "foreign");
    // Relative, relationship and key; the error and a part of its text.
    const struct { QVariant relative; int relationship; QString key; TreeModel::Error error; QString text; } cases[] = {
        {"k", tvwChild, "k", TreeModel::KeyNotUnique, "key is not unique"},
        {"k010", tvwChild, "x", TreeModel::RelativeNotFound, "k010"},
        {5, tvwChild, "x", TreeModel::RelativeNotFound, "5"},
        {QVariant::fromValue(foreign), tvwChild, "x", TreeModel::RelativeNotFound, "not in this tree"},
        {"k", 7, "x", TreeModel::InvalidRelationship, "7"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(nodes.add(c.relative, c.relationship, c.key, "new"), nullptr);
        EXPECT_EQ(nodes.error(), c.error);
        EXPECT_TRUE(nodes.errorString().contains(c.text)) << nodes.errorString().toStdString();
    }
    EXPECT_EQ(nodes.count(), 1);
    // Nodes without a key (placeholders) may be many.
    EXPECT_TRUE(nodes.add("k", tvwChild, {}, "waiting"));
    EXPECT_TRUE(nodes.add("k", tvwChild, {}, "waiting"));
    EXPECT_EQ(nodes.error(), TreeModel::NoError);
}

TEST_F(TreeControlTest, RemoveTakesTheSubtreeAndTheSelectionGoesToTheNextRowOrAbove)
{
    build({{"", "r", "R"}, {"r", "a", "A"}, {"a", "a1", "A1"}, {"r", "b", "B"}, {"a", "a2", "A2"}, {"r", "c", "C"}});
    TreeModel &nodes = tree.Nodes();
    tree.setSelectedItem(node("a2"));
    ASSERT_TRUE(nodes.remove(node("a")));
    EXPECT_EQ(dump(), QStringList({"0 r R", "1 b B", "1 c C"}));
    EXPECT_EQ(nodes.item("b")->index(), 2);
    EXPECT_EQ(nodes.item("a1"), nullptr);
    EXPECT_EQ(key(tree.selectedItem()), "b") << "the next sibling of the removed ancestor";
    tree.setSelectedItem(node("c"));
    nodes.remove(node("c"));
    EXPECT_EQ(key(tree.selectedItem()), "b") << "no next sibling: the previous one";
    nodes.remove(node("b"));
    EXPECT_EQ(key(tree.selectedItem()), "r") << "no sibling: the parent";
    EXPECT_EQ(tree.currentIndex(), nodes.indexOf(node("r"))) << "the view shows the same selection";
    EXPECT_TRUE(nodes.add("r", tvwChild, "a1", "again")) << "a removed key is free again";
    EXPECT_FALSE(nodes.remove(99));
    EXPECT_EQ(nodes.error(), TreeModel::NodeNotFound);

    nodes.clear();
    EXPECT_EQ(nodes.count(), 0);
    EXPECT_EQ(tree.selectedItem(), nullptr);
    EXPECT_TRUE(nodes.add({}, tvwLast, "r", "R")) << "clear frees every key";
}

TEST_F(TreeControlTest, KeysStayFoundThroughGrowthRemovalsAndRenames)
{
    tester.reset();   // thousands of single-row changes: the tester is slow, not needed here
    TreeModel &nodes = tree.Nodes();
    constexpr int n = 3000;   // enough to grow the index several times
    auto k = [](int i) { return QString("w%1").arg(i); };
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(nodes.add({}, tvwLast, k(i), QString::number(i)));
    // Removals shift probe runs back; removed places are reused by later adds.
    for (int i = 0; i < n; i += 3)
        ASSERT_TRUE(nodes.remove(nodes.item(k(i))));
    for (int i = 0; i < n; i += 6)
        ASSERT_TRUE(nodes.add({}, tvwLast, k(i), "again"));
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(key(nodes.item(k(i))), i % 3 != 0 || i % 6 == 0 ? k(i) : "<none>");
    int index = 0;
    for (TreeNode *each : nodes)
        ASSERT_EQ(each->index(), ++index);
    EXPECT_EQ(index, n - n / 3 + n / 6);
    ASSERT_TRUE(nodes.setKey(nodes.item("w1"), "renamed"));
    EXPECT_EQ(nodes.item("w1"), nullptr);
    EXPECT_FALSE(nodes.setKey(nodes.item("w2"), "renamed"));
    EXPECT_EQ(nodes.error(), TreeModel::KeyNotUnique);
    EXPECT_EQ(nodes.item("renamed")->text(), "1");

    // A cleared tree keeps its index's room but none of its keys.
    nodes.clear();
    EXPECT_EQ(nodes.item("w5"), nullptr);
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(nodes.add({}, tvwLast, k(i), QString::number(i))) << i;
    EXPECT_FALSE(nodes.add({}, tvwLast, k(7), "twice"));
    EXPECT_EQ(nodes.count(), n);
    EXPECT_EQ(nodes.item(k(n - 1))->text(), QString::number(n - 1));
}

TEST_F(TreeControlTest, KeyTagAndIndexAreReachableByRoleName)
{
    tree.Nodes().setTag(helper.NodeAdd({}, tvwLast, "k01", "01  机加件", {}, {}, 17), 18);
    const QHash<int, QByteArray> names = tree.model()->roleNames();
    const QModelIndex index = tree.model()->index(0, 0);
    QStringList values;
    for (const char *role : {"key", "tag", "index", "display"})
        values << index.data(names.key(role)).toString();
    EXPECT_EQ(values, QStringList({"k01", "18", "1", "01  机加件"}));
    EXPECT_EQ(tree.property("zevaType").toString(), "TreeView");
}

TEST_F(TreeControlTest, CodeExpandsAndSelectsSilentlyTheUserRaisesEvents)
{
    build({{"", "r", "R"}, {"r", "a", "A"}, {"a", "a1", "A1"}, {"a1", "a11", "A11"}, {"", "s", "S"}});
    QStringList events;
    QObject::connect(&tree, &TreeControl::nodeExpand, [&](TreeNode *n) { events << "expand " + n->key(); });
    QObject::connect(&tree, &TreeControl::nodeCollapse, [&](TreeNode *n) { events << "collapse " + n->key(); });
    QObject::connect(&tree, &TreeControl::nodeClick, [&](TreeNode *n) { events << "click " + n->key(); });
    tree.Nodes().setExpanded(node("r"), false);
    tree.ensureVisible(node("a11"));
    EXPECT_TRUE(node("r")->expanded() && node("a1")->expanded());
    tree.Nodes().setExpanded(node("r"), false);
    tree.setSelectedItem(node("s"));
    EXPECT_EQ(events, QStringList()) << "code raises nothing";

    click(markOf(node("r")));   // the expand mark expands without clicking
    EXPECT_EQ(key(tree.selectedItem()), "s");
    click(rowCenter(node("a")));
    QTest::keyClick(&tree, Qt::Key_Left);
    EXPECT_FALSE(node("a")->expanded()) << "the user's collapse reaches the node";
    QTest::keyClick(&tree, Qt::Key_Right);
    QTest::keyClick(&tree, Qt::Key_Down);   // an arrow key that moves the selection clicks
    EXPECT_EQ(events, QStringList({"expand r", "click a", "collapse a", "expand a", "click a1"}));
    EXPECT_EQ(key(tree.selectedItem()), "a1");
}

TEST_F(TreeControlTest, BulkFillDefersSelectionToTheEndAndKeepsCategoriesCollapsed)
{
    tree.setRedraw(false);
    helper.NodeAdd({}, tvwLast, "k", "root", {}, {}, {}, false, false, false, true);
    for (int c = 0; c < 5; ++c) {
        add("k", QString("k%1").arg(c), "category");
        for (int p = 0; p < 3; ++p)
            add(QString("k%1").arg(c), QString("w%1-%2").arg(c).arg(p), "product");
    }
    EXPECT_EQ(key(tree.selectedItem()), "w4-2");
    EXPECT_FALSE(tree.currentIndex().isValid()) << "the view is not touched during the fill";
    tree.Nodes().remove(node("w4-2"));
    EXPECT_EQ(key(tree.selectedItem()), "w4-1") << "a waiting selection follows removals too";
    tree.setSelectedItem(node("k"));
    tree.setRedraw(true);
    EXPECT_EQ(tree.currentIndex().data(TreeModel::KeyRole).toString(), "k");
    EXPECT_TRUE(tree.selectionModel()->isSelected(tree.currentIndex()));
    for (int c = 0; c < 5; ++c)
        EXPECT_FALSE(tree.isExpanded(tree.Nodes().indexOf(node(QString("k%1").arg(c))))) << c;
}

TEST_F(TreeControlTest, AHeldFillIsAnnouncedOncePerParentAndWhenARowIsNeeded)
{
    QSignalSpy inserted(&tree.Nodes(), &QAbstractItemModel::rowsInserted);
    tree.setRedraw(false);
    helper.NodeAdd({}, tvwLast, "k", "root");
    for (int c = 0; c < 3; ++c) {
        add("k", QString("k%1").arg(c), "category");
        for (int p = 0; p < 4; ++p)
            add(QString("k%1").arg(c), QString("w%1-%2").arg(c).arg(p), "product");
    }
    EXPECT_EQ(inserted.count(), 0) << "nothing told while held";
    EXPECT_EQ(tree.Nodes().rowCount(), 0);
    EXPECT_EQ(node("k1")->children(), 4) << "the nodes themselves are there at once";
    // Asking for a held node's row tells everything held, parents first.
    EXPECT_EQ(tree.Nodes().indexOf(node("w1-2")).row(), 2);
    EXPECT_EQ(inserted.count(), 5);
    add("k2", "w2-4", "product");
    tree.setRedraw(true);
    EXPECT_EQ(inserted.count(), 6);
    EXPECT_EQ(tree.Nodes().rowCount(tree.Nodes().indexOf(node("k2"))), 5);
}

TEST_F(TreeControlTest, ACutRowShowsItsWholeTextAsTooltipAWholeOneNone)
{
    const QString longText = QStringLiteral("0301001001 蜗轮蜗杆减速机 WPA-80 速比1:30 立式输出轴 带法兰");
    add({}, "short", "短");
    add({}, "long", longText);
    QApplication::processEvents();
    const std::pair<QString, QString> cases[] = {{"short", {}}, {"long", longText}};
    for (const auto &[key, expected] : cases) {
        QHelpEvent help(QEvent::ToolTip, rowCenter(node(key)), tree.viewport()->mapToGlobal(rowCenter(node(key))));
        QApplication::sendEvent(tree.viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), expected) << key.toStdString();
        QToolTip::hideText();
    }
}

} // namespace
} // namespace zeva::test
