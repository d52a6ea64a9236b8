// cTreeView: adding, finding, moving, copying, deleting, record navigation, the visible
// rows, scrolling, and the drag and context-menu events of the tree.
#include "treetestsupport.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace zeva::test {
namespace {

class CTreeViewTest : public TreeFixture {
protected:
    // r ─ a ─ a1 (xABCx), a2 (abc) ; b ─ b1 ; then a second top-level node s (abc).
    void buildSample()
    {
        build({{"", "r", "root"}, {"r", "a", "A"}, {"a", "a1", "xABCx"}, {"a", "a2", "abc"}, {"r", "b", "B"}, {"b", "b1", "B1"},
               {"", "s", "abc second"}});
    }
};

TEST_F(CTreeViewTest, NodeAddSetsEverythingAndSelectsWithoutAnEvent)
{
    // Missing images default to 1, 2 and 1 only with three or more images in the list.
    for (const int count : {2, 3}) {
        TreeImageList images;
        for (int i = 0; i < count; ++i)
            images.add(QPixmap(16, 16));
        helper.HookCtrl(&tree, &images);
        TreeNode *n = add({}, QString("n%1").arg(count), "node");
        ASSERT_TRUE(n);
        const QString seen = QString("%1 %2 %3").arg(n->image().toString(), n->selectedImage().toString(),
                                                      n->expandedImage().toString());
        EXPECT_EQ(seen, count == 3 ? "1 2 1" : "  ") << count;
    }
    // Images by key, and indices at the edges of a whole number, read back as they were given.
    TreeNode *keyed = helper.NodeAdd("n3", tvwChild, "keyed", "k", "closed", QString("open"), {}, false, false, false,
                                     false, false, false, 0, 0, std::numeric_limits<int>::min());
    ASSERT_TRUE(keyed);
    EXPECT_EQ(keyed->selectedImage(), QVariant(QString("open")));
    EXPECT_EQ(keyed->expandedImage(), QVariant(std::numeric_limits<int>::min()));
    tree.Nodes().setSelectedImage(keyed, 7);
    tree.Nodes().setExpandedImage(keyed, QString("wide"));
    EXPECT_EQ(keyed->selectedImage(), QVariant(7));
    EXPECT_EQ(keyed->expandedImage(), QVariant(QString("wide")));
    tree.Nodes().setSelectedImage(keyed, {});
    EXPECT_FALSE(keyed->selectedImage().isValid());
    TreeNode *c = helper.NodeAdd("n3", tvwChild, "k01", "cat", 3, {}, 5, true);
    TreeNode *p = add("k01", "w1", "product");
    EXPECT_EQ(QString("%1 %2 %3").arg(c->image().toInt()).arg(c->tag().toInt()).arg(c->bold()), "3 5 1");
    EXPECT_EQ(tree.selectedItem(), p) << "bSelected false still selects";
    EXPECT_TRUE(tree.isExpanded(tree.Nodes().indexOf(c))) << "and shows it";
    EXPECT_TRUE(selected.isEmpty());

    EXPECT_EQ(add("k01", "w1", "dup"), nullptr);
    EXPECT_EQ(helper.NodeAddError(), TreeModel::KeyNotUnique);
    EXPECT_EQ(helper.NodeAddErrorText(), "key is not unique");

    TreeNode *coloured = helper.NodeAdd("k01", tvwChild, "w3", "red", {}, {}, {}, false, false, false, false,
                                        false, false, 0x0000ff, 0x80000005);
    EXPECT_EQ(coloured->foreColor(), QColor(255, 0, 0)) << "OLE colours are 0x00BBGGRR";
    EXPECT_FALSE(coloured->backColor().isValid()) << "system colours use the palette";
}

TEST_F(CTreeViewTest, NodeFindByTextKeyOrTag)
{
    buildSample();
    TreeNode *found = nullptr;
    QString text = "abc";
    ASSERT_TRUE(helper.NodeFind(&found, &text, {}, true));
    EXPECT_EQ(key(found), "a1") << "abc finds xABCx";
    ASSERT_TRUE(helper.NodeFindNext(&found, "abc", found->index(), true));
    EXPECT_EQ(key(found), "a2");
    // a2 is the last match below node 1: "abc second" is another top-level node.
    EXPECT_FALSE(helper.NodeFindNext(&found, "abc", node("a2")->index(), true));
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(key(tree.selectedItem()), "a2") << "the selection stays";

    text.clear();
    services.answerCancel();
    ASSERT_TRUE(helper.NodeFind(&found, &text, {}, true));
    EXPECT_EQ(services.records().at(0).text + services.records().at(0).title, "输入要查找的节点名称:查找记录");
    EXPECT_EQ(key(found), "r") << "the empty text matches node 1";
    services.answerText("b1");
    text.clear();
    ASSERT_TRUE(helper.NodeFind(&found, &text));
    EXPECT_EQ(text, "b1") << "the answer goes back to the caller";
    text = "no such text";
    ASSERT_TRUE(helper.NodeFind(&found, &text, "b", true)) << "a key ignores the text";
    EXPECT_FALSE(helper.NodeFind(&found, &text, "zz", true));
    EXPECT_EQ(key(tree.selectedItem()), "b");
    EXPECT_EQ(selected, QStringList({"a1", "a2", "r", "b1", "b"}));

    tree.Nodes().setTag(node("a1"), "Waiting");
    QString foundKey;
    EXPECT_TRUE(helper.NodeFindTag(nullptr, "WAITING", &foundKey) && foundKey == "a1");
    EXPECT_FALSE(helper.NodeFindTag(nullptr, "wait", &foundKey)) << "the whole tag";
}

TEST_F(CTreeViewTest, MovesTakeTheSubtreeButNeverBelowItself)
{
    buildSample();
    add("b", "bb", "A");
    EXPECT_FALSE(helper.NodeMove(node("a"), node("bb"))) << "a parent with the same text";
    ASSERT_TRUE(helper.NodeMove(node("a1"), node("a"), true));
    EXPECT_EQ(dump(), QStringList({"0 r root", "1 b B", "2 b1 B1", "2 bb A", "1 a1 xABCx", "2 a A", "1 a2 abc",
                                   "0 s abc second"}))
        << "a's children were lifted under r, then a moved under a1";
    EXPECT_EQ(node("a")->index(), 2) << "moving keeps the Index";
    EXPECT_EQ(key(tree.selectedItem()), "a");
    EXPECT_FALSE(helper.NodeMove(node("b1"), node("r"))) << "a top-level node cannot go below itself";

    ASSERT_TRUE(tree.Nodes().move(node("b"), node("s")));
    EXPECT_TRUE(tree.isExpanded(tree.Nodes().indexOf(node("b")))) << "a moved node keeps its expansion";
    EXPECT_FALSE(tree.Nodes().move(node("r"), node("a")));
    EXPECT_EQ(tree.Nodes().error(), TreeModel::WouldCreateLoop);
    ASSERT_TRUE(tree.Nodes().move(node("b1"), nullptr));
    EXPECT_EQ(dump(), QStringList({"0 r root", "1 a1 xABCx", "2 a A", "1 a2 abc", "0 s abc second", "1 b B",
                                   "2 bb A", "0 b1 B1"}));
}

TEST_F(CTreeViewTest, NodeCopyWalksTheSubtreeAndHonoursCancel)
{
    buildSample();
    QStringList copies;
    QObject::connect(&helper, &cTreeView::CopyNode, [&](TreeNode *dest, TreeNode *src) {
        copies << src->text() + ">" + dest->text();
        ASSERT_TRUE(tree.Nodes().add(QVariant::fromValue(dest), tvwChild, {}, src->text()));
    });
    ASSERT_TRUE(helper.NodeCopy(node("b"), node("a"), true));
    EXPECT_EQ(copies, QStringList({"A>B", "xABCx>A", "abc>A"}));
    EXPECT_EQ(node("b")->childAt(1)->children(), 2);
    EXPECT_FALSE(helper.NodeCopy(node("a1"), node("a"), true)) << "copying a subtree into itself never ends";

    copies.clear();
    EXPECT_FALSE(helper.NodeCopy(node("a"), node("a")));   // equal texts set the cancel flag
    EXPECT_FALSE(helper.NodeCopy(node("s"), node("b1")));
    EXPECT_EQ(copies, QStringList({"B1>abc second"})) << "CopyNode is raised, then refused";
    helper.setCancelCopy(false);
    EXPECT_TRUE(helper.NodeCopy(node("s"), node("b1")));
}

TEST_F(CTreeViewTest, NodeDeleteSelectsTheNextOrTheRowAbove)
{
    buildSample();
    add("b", "x1", "same");
    add("b", "x2", "same");
    // The node removed, the one selected then, the Selected events.
    const struct { const char *removed, *then, *events; } steps[] = {
        {"a1", "a2", "a2"},   // the next sibling
        {"a2", "a", "a"},     // no sibling left: the parent
        {"x2", "x1", ""},     // the previous sibling; equal texts raise no Selected
        {"b1", "x1", "x1"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.removed);
        selected.clear();
        ASSERT_TRUE(helper.NodeDelete(node(step.removed)));
        EXPECT_EQ(node(step.removed), nullptr);
        EXPECT_EQ(key(tree.selectedItem()), step.then);
        EXPECT_EQ(selected.join(""), step.events);
    }
    EXPECT_FALSE(helper.NodeDelete(nullptr));
}

TEST_F(CTreeViewTest, RecordNavigationRenameAndRelations)
{
    buildSample();
    tree.setSelectedItem(node("b1"));
    helper.MoveNodeNext();
    EXPECT_EQ(key(tree.selectedItem()), "b1") << "last child without children: nothing";
    tree.setSelectedItem(node("b"));
    helper.MoveNodeNext();
    EXPECT_EQ(key(tree.selectedItem()), "b1") << "a last sibling with children: into its first child";
    helper.MoveNodePrevious();
    EXPECT_EQ(key(tree.selectedItem()), "b") << "a first child steps to its parent";
    helper.MoveNodePrevious();
    EXPECT_EQ(selected, QStringList({"b1", "b", "a"}));
    EXPECT_FALSE(helper.ReSelectItem());
    EXPECT_FALSE(helper.ReSelectItem(node("b1")));
    EXPECT_EQ(selected.mid(3), QStringList({"a", "b1"}));

    EXPECT_FALSE(helper.NodeRename(node("a"), ""));
    EXPECT_TRUE(helper.NodeRename(node("a"), "A renamed", false));
    EXPECT_EQ(tree.selectedItem(), nullptr) << "Selected false on the selected node";
    EXPECT_TRUE(helper.NodeRename(node("a1"), "A1", true));
    EXPECT_EQ(key(tree.selectedItem()), "a1");
    EXPECT_TRUE(helper.IsSelected());
    tree.setSelectedItem(node("r"));
    EXPECT_FALSE(helper.IsSelected()) << "a top-level node";
    EXPECT_EQ(helper.ParentNodeText(node("r")) + "|" + helper.ParentNodeText(node("a1")), "|A renamed");
    EXPECT_FALSE(helper.IsChildNode(node("a1"), node("r"))) << "depth 0: the parent only";
    EXPECT_TRUE(helper.IsChildNode(node("a1"), node("r"), 1));
}

TEST_F(CTreeViewTest, ExpandCollapseCutAndClear)
{
    buildSample();
    // The expanded nodes in Index order; "?" where the view disagrees with the node.
    auto expanded = [&] {
        QStringList keys;
        for (TreeNode *n : tree.Nodes()) {
            const bool shown = tree.isExpanded(tree.Nodes().indexOf(n));
            if (n->expanded() || shown)
                keys << n->key() + (n->expanded() == shown ? "" : "?");
        }
        return keys.join(' ');
    };
    helper.CollapseAll();
    EXPECT_EQ(expanded(), "");
    helper.ExpandChildNodes(node("r"));
    EXPECT_EQ(expanded(), "r a a1 a2 b b1") << "the whole subtree, s not";
    helper.CollapseChildNodes(node("r"));
    EXPECT_EQ(expanded(), "");
    helper.ExpandAll();
    EXPECT_EQ(expanded(), "r a b") << "nodes without children are left alone";

    // The cut mark is drawn, and goes again.
    TreeImageList images;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    images.add(red);
    helper.HookCtrl(&tree, &images);
    tree.Nodes().setImage(node("b"), 1);
    tree.setSelectedItem(node("b"));
    const QImage plain = rowImage(node("b"));
    helper.CutIconState(true);
    EXPECT_NE(rowImage(node("b")), plain);
    helper.CutIconState(false);
    EXPECT_EQ(rowImage(node("b")), plain);

    helper.setDragEnabled(true);
    helper.onMouseDown(1, 0, 5, tree.toTwips(rowCenter(node("r")).y()));
    EXPECT_EQ(helper.DragNode(), node("r"));
    helper.ClearTreeView();
    EXPECT_EQ(tree.Nodes().count(), 0);
    EXPECT_EQ(helper.DragNode(), nullptr) << "no stale node is kept";
    EXPECT_TRUE(tree.updatesEnabled());
}

// A tree sized to show exactly 20 rows, with RowHeight 240.
class CTreeViewScrollTest : public CTreeViewTest {
protected:
    void SetUp() override
    {
        for (int i = 1; i <= 100; ++i)
            add({}, QString("n%1").arg(i), QString("node %1").arg(i));
        const int row = tree.toPixels(tree.rowHeightTwips());
        tree.resize(300, 20 * row + 2 * tree.frameWidth() + row / 2);
        helper.ScrollView(0);
        ASSERT_EQ(tree.GetVisibleCount(), 20);
        helper.setRowHeight(240);
        helper.setDragEnabled(true);
    }
    int firstRow() const { return helper.NodeFirstViewable() ? helper.NodeFirstViewable()->index() : 0; }
    void startDragOn(TreeNode *n)
    {
        const int y = tree.toTwips(rowCenter(n).y());
        helper.onMouseDown(1, 0, 300, y);
        helper.onMouseMove(1, 0, 300, y);
        ASSERT_TRUE(helper.DragStarted() && helper.DragActive());
    }
};

TEST_F(CTreeViewScrollTest, VisibleRowsAndScrollView)
{
    EXPECT_EQ(firstRow(), 1);
    EXPECT_EQ(key(helper.NodeLastViewable()), "n20");
    EXPECT_EQ(key(helper.NodeViewableBelow(1)), "n21");
    const struct { int dir, first; } steps[] = {{3, 2}, {4, 21}, {2, 20}, {1, 1}, {5, 81}, {6, 81}, {-1, 81}, {0, 1}};
    for (const auto &step : steps) {
        helper.ScrollView(step.dir);
        EXPECT_EQ(firstRow(), step.first) << "Dir " << step.dir;
    }
    EXPECT_EQ(helper.NodeViewableAbove(3), node("n1")) << "stops at the very first row";
}

TEST_F(CTreeViewScrollTest, PlaceholdersWithoutKeysAreNotTheFirstVisibleRow)
{
    // The catalogue's lazy categories: each holds one key-less placeholder, all alike.
    tree.Nodes().clear();
    for (int c = 1; c <= 40; ++c) {
        add({}, QString("c%1").arg(c), QString("category %1").arg(c));
        helper.NodeAdd(QString("c%1").arg(c), tvwChild, {}, "正在加载数据中,请稍等...");
        tree.Nodes().setExpanded(node(QString("c%1").arg(c)), true);
    }
    // Rows c1, p1, c2, p2, …: show p6 (row 12) first.
    tree.scrollTo(tree.Nodes().indexOf(node("c6")->child()), QAbstractItemView::PositionAtTop);
    ASSERT_EQ(key(helper.NodeFirstViewable()->parent()), "c6");
    EXPECT_EQ(key(helper.NodeLastViewable()), "c16");
    EXPECT_EQ(key(helper.NodeViewableBelow(1)->parent()), "c16");
}

TEST_F(CTreeViewScrollTest, DragBandsScrollOneRowOrRaiseDragging)
{
    helper.ScrollView(4);   // rows 20..39 shown, so both directions can scroll
    helper.ScrollView(2);
    ASSERT_EQ(firstRow(), 19);
    QSignalSpy dragging(&helper, &cTreeView::Dragging);
    QSignalSpy starts(&helper, &cTreeView::StartDrag);
    startDragOn(node("n25"));
    EXPECT_EQ(starts.count(), 1);
    EXPECT_TRUE(tree.isDragging());
    // The pointer's y (twips), then the first row shown and the Dragging events so far.
    const struct { int y, first, dragging; } steps[] = {
        {4400, 20, 0},   // bottom band: one row down
        {4320, 20, 1},   // exactly 18 rows down is the middle band
        {479, 19, 1},    // top band: one row up
        {480, 19, 2},
    };
    for (const auto &step : steps) {
        TreeNode *under = tree.hitTest(300, step.y);
        helper.onDragOver(&tree, 300, step.y, TreeControl::vbOver);
        EXPECT_EQ(tree.dropHighlight(), under) << step.y;
        EXPECT_EQ(firstRow(), step.first) << step.y;
        EXPECT_EQ(dragging.count(), step.dragging) << step.y;
    }
    QSignalSpy drops(&helper, &cTreeView::Dropped);
    helper.onDragOver(&tree, 300, tree.toTwips(rowCenter(node("n25")).y()), TreeControl::vbOver);
    tree.drag(TreeControl::vbEndDrag);
    EXPECT_EQ(drops.count(), 0) << "a drop on itself";
    EXPECT_FALSE(helper.DragStarted() || helper.DragActive());
    EXPECT_EQ(helper.DragNode(), nullptr);
    EXPECT_EQ(tree.dropHighlight(), nullptr);

    // RowHeight 0 (no row showed when hooked): every point lies in the bottom band.
    helper.setRowHeight(0);
    dragging.clear();
    startDragOn(node("n25"));
    helper.onDragOver(&tree, 300, 480, TreeControl::vbOver);
    helper.onDragOver(&tree, 300, 2400, TreeControl::vbOver);
    EXPECT_EQ(firstRow(), 21);
    EXPECT_EQ(dragging.count(), 0);
}

TEST_F(CTreeViewTest, AMouseDragHighlightsTheTargetAndDrops)
{
    buildSample();
    click(rowCenter(node("a1")));
    press(rowCenter(node("a2")));
    moveHeld(rowCenter(node("b")));
    EXPECT_FALSE(tree.isDragging()) << "dragging is off";
    release(rowCenter(node("b")));
    EXPECT_EQ(selected, QStringList({"a1", "a2"}));

    helper.setDragEnabled(true);
    QSignalSpy dragging(&helper, &cTreeView::Dragging);
    QStringList dropped;
    QObject::connect(&helper, &cTreeView::Dropped, [&](TreeNode *s, TreeNode *t) { dropped << key(s) + ">" + key(t); });
    const QPoint from = rowCenter(node("a1")), over = rowCenter(node("b"));
    press(from);
    moveHeld(from + QPoint(1, 0));
    EXPECT_FALSE(tree.isDragging()) << "a jitter is no drag";
    moveHeld(from + QPoint(0, QApplication::startDragDistance() + 1));
    ASSERT_TRUE(tree.isDragging());
    EXPECT_FALSE(tree.viewport()->cursor().pixmap().isNull()) << "the node's picture is the pointer";

    const QPoint empty(over.x(), tree.viewport()->height() / 2 + 40);   // below the rows, middle band
    ASSERT_EQ(tree.hitTest(tree.toTwips(empty.x()), tree.toTwips(empty.y())), nullptr);
    moveHeld(empty);
    EXPECT_EQ(tree.dropHighlight(), nullptr);
    EXPECT_EQ(dragging.count(), 0);
    const QImage unmarked = rowImage(node("b"));
    moveHeld(over);
    EXPECT_EQ(tree.dropHighlight(), node("b"));
    const QImage marked = rowImage(node("b"));
    EXPECT_EQ(marked.pixelColor(marked.width() - 3, marked.height() / 2), tree.palette().color(QPalette::Highlight));
    EXPECT_EQ(dragging.count(), 1);
    release(over);
    EXPECT_FALSE(tree.isDragging());
    EXPECT_EQ(dropped, QStringList({"a1>b"}));
    EXPECT_EQ(rowImage(node("b")), unmarked) << "the target is drawn plain again";

    // Escape ends a drag over no node.
    press(from);
    moveHeld(over);
    ASSERT_TRUE(tree.isDragging());
    QTest::keyClick(&tree, Qt::Key_Escape);
    EXPECT_FALSE(tree.isDragging());
    EXPECT_EQ(dropped.size(), 1);
    EXPECT_FALSE(helper.DragStarted());
}

TEST_F(CTreeViewTest, LazyLoadInTheExpandHandlerOfARealClick)
{
    // The catalogue's pattern: a placeholder child replaced by the products on expansion.
    helper.NodeAdd({}, tvwLast, "k", "root", {}, {}, {}, false, false, false, true);
    add("k", "k01", "01  cat");
    helper.NodeAdd("k01", tvwChild, {}, "正在加载数据中,请稍等...", {}, {}, "waiting");
    tree.Nodes().setExpanded(node("k01"), false);
    tree.setSelectedItem(node("k"));
    int loads = 0;
    QObject::connect(&tree, &TreeControl::nodeExpand, [&](TreeNode *n) {
        if (n->children() != 1 || n->child()->tag().toString() != "waiting")
            return;
        ++loads;
        helper.Redraw(false);
        tree.Nodes().remove(n->child());
        for (int i = 0; i < 50; ++i)
            add(n->key(), QString("w%1").arg(i), QString("product %1").arg(i));
        helper.Redraw(true);
    });
    click(markOf(node("k01")));
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(node("k01")->children(), 50);
    // Showing the last product (selected by the fill) raised no second expansion.
    EXPECT_EQ(key(tree.selectedItem()), "w49");
    EXPECT_TRUE(selected.isEmpty());
}

TEST_F(CTreeViewTest, RightClickSelectsWithoutSelectedWhenTheModeSays)
{
    buildSample();
    QStringList menus;
    QObject::connect(&helper, &cTreeView::ContextMenu, [&](TreeNode *n, int, int) { menus << key(n); });
    for (const int mode : {1, 0}) {
        SCOPED_TRACE(mode);
        helper.setContextMenuMode(mode);
        tree.setSelectedItem(node("r"));
        menus.clear();
        press(rowCenter(node("b")), Qt::RightButton);
        EXPECT_EQ(menus.size(), mode == 0 ? 1 : 0);
        EXPECT_EQ(key(tree.selectedItem()), mode == 0 ? "b" : "r") << "the tree itself does not select";
        release(rowCenter(node("b")), Qt::RightButton);
        EXPECT_EQ(menus, QStringList({"b"}));
        EXPECT_EQ(key(tree.selectedItem()), "b");
    }
    // Empty space: the tree is left with no selection.
    press(QPoint(5, tree.viewport()->height() - 3), Qt::RightButton);
    EXPECT_EQ(menus.last(), "<none>");
    EXPECT_EQ(tree.selectedItem(), nullptr);
    EXPECT_TRUE(selected.isEmpty());
}

TEST_F(CTreeViewTest, HookMeasuresRowsAndUnhookStopsEvents)
{
    const int withoutRows = tree.GetVisibleCount();
    EXPECT_GT(withoutRows, 0) << "the row height is known before the first row";
    EXPECT_EQ(helper.RowHeight(), tree.rowHeightTwips());
    EXPECT_TRUE(tree.Scroll()) << "the scroll setting is restored";
    TreeControl flat;
    flat.resize(200, 0);
    flat.show();
    cTreeView other(services);
    other.HookCtrl(&flat);
    EXPECT_EQ(other.RowHeight(), 0) << "no whole row shows: RowHeight is left";
    buildSample();
    EXPECT_EQ(tree.GetVisibleCount(), withoutRows);
    TreeImageList images;
    images.add(QPixmap(16, 16));
    images.add(QPixmap(8, 8), "DRAGICON");
    helper.HookCtrl(&tree, &images);
    EXPECT_EQ(tree.dragIcon().size(), QSize(8, 8));

    helper.UnHookCtrl();
    click(rowCenter(node("b")));
    EXPECT_TRUE(selected.isEmpty());
    EXPECT_EQ(helper.NodeAdd({}, tvwLast, "x", "x"), nullptr);
}

} // namespace
} // namespace zeva::test
