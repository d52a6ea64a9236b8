// cTreeView: adding, finding, moving, copying, deleting, record navigation, the visible
// rows, scrolling, and the drag and context-menu events of the tree.
#include "treetestsupport.h"

#include "mtreeview.h"

#include <QSignalSpy>
#include <QTest>

namespace zeva::test {
namespace {

class CTreeViewTest : public TreeFixture {
protected:
    // r ─ a ─ a1 (xABCx), a2 (abc) ; b ─ b1 ; then a second top-level node s (abc).
    void buildSample()
    {
        add({}, "r", "root");
        add("r", "a", "A");
        add("a", "a1", "xABCx");
        add("a", "a2", "abc");
        add("r", "b", "B");
        add("b", "b1", "B1");
        add({}, "s", "abc second");
        selected.clear();
    }
    QString key(TreeNode *n) const { return n ? n->key() : QString("<none>"); }
    TreeNode *node(const QString &k) const { return tree.Nodes().item(k); }
};

TEST_F(CTreeViewTest, NodeAddSelectsWithoutEventAndDefaultsImagesOnlyWithThreeOrMore)
{
    TreeImageList two;
    two.add(QPixmap(16, 16));
    two.add(QPixmap(16, 16));
    helper.HookCtrl(&tree, &two);
    TreeNode *n = helper.NodeAdd({}, tvwLast, "k", "root");
    ASSERT_TRUE(n);
    EXPECT_FALSE(n->image().isValid());
    EXPECT_FALSE(n->selectedImage().isValid());
    EXPECT_FALSE(n->expandedImage().isValid());

    TreeImageList three;
    for (int i = 0; i < 3; ++i)
        three.add(QPixmap(16, 16));
    helper.HookCtrl(&tree, &three);
    TreeNode *c = helper.NodeAdd("k", tvwChild, "k01", "01  cat", {}, {}, 5, true);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->image().toInt(), 1);
    EXPECT_EQ(c->selectedImage().toInt(), 2);
    EXPECT_EQ(c->expandedImage().toInt(), 1);
    EXPECT_EQ(c->tag().toInt(), 5);
    EXPECT_TRUE(c->bold());
    TreeNode *p = helper.NodeAdd("k01", tvwChild, "w1", "product", 3);
    EXPECT_EQ(p->image().toInt(), 3) << "a given image stays";

    EXPECT_EQ(tree.selectedItem(), p) << "bSelected false still selects";
    EXPECT_TRUE(tree.isExpanded(tree.Nodes().indexOf(c))) << "and makes it visible";
    EXPECT_TRUE(selected.isEmpty());

    EXPECT_EQ(helper.NodeAdd("k01", tvwChild, "w1", "dup"), nullptr);
    EXPECT_EQ(helper.NodeAddError(), TreeModel::KeyNotUnique);
    EXPECT_EQ(helper.NodeAddErrorText(), "key is not unique");
    EXPECT_EQ(helper.NodeAdd("k99", tvwChild, "w2", "orphan"), nullptr);
    EXPECT_EQ(helper.NodeAddError(), TreeModel::RelativeNotFound);
    EXPECT_TRUE(helper.NodeAdd("k01", tvwChild, "w2", "fine"));
    EXPECT_EQ(helper.NodeAddError(), TreeModel::NoError);

    TreeNode *coloured = helper.NodeAdd("k01", tvwChild, "w3", "red", {}, {}, {}, false, false, false, false,
                                        false, false, 0x0000ff, 0x80000005);
    EXPECT_EQ(coloured->foreColor(), QColor(255, 0, 0)) << "OLE colours are 0x00BBGGRR";
    EXPECT_FALSE(coloured->backColor().isValid()) << "system colours use the palette";
}

TEST_F(CTreeViewTest, NodeFindIsCaseInsensitiveAndStaysBelowNodeOne)
{
    buildSample();
    TreeNode *found = nullptr;
    QString text = "abc";
    ASSERT_TRUE(helper.NodeFind(&found, &text, {}, true));
    EXPECT_EQ(key(found), "a1") << "abc finds xABCx";
    EXPECT_EQ(key(tree.selectedItem()), "a1");
    EXPECT_EQ(selected, QStringList({"xABCx"}));

    ASSERT_TRUE(helper.NodeFindNext(&found, "abc", found->index(), true));
    EXPECT_EQ(key(found), "a2");
    // a2 is the last match below node 1: "abc second" is another top-level node.
    EXPECT_FALSE(helper.NodeFindNext(&found, "abc", node("a2")->index(), true));
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(key(tree.selectedItem()), "a2") << "the selection stays";
    EXPECT_EQ(selected.size(), 2);

    EXPECT_FALSE(helper.NodeFindNext(&found, {}, 0, true));
    text = "second";
    EXPECT_FALSE(helper.NodeFind(&found, &text));
}

TEST_F(CTreeViewTest, NodeFindAsksForTextAndByKeyIgnoresIt)
{
    buildSample();
    TreeNode *found = nullptr;
    QString text;
    services.answerCancel();
    ASSERT_TRUE(helper.NodeFind(&found, &text, {}, true));
    ASSERT_EQ(services.records().size(), 1);
    EXPECT_EQ(services.records().at(0).kind, "InputBox");
    EXPECT_EQ(services.records().at(0).text, "输入要查找的节点名称:");
    EXPECT_EQ(services.records().at(0).title, "查找记录");
    EXPECT_EQ(key(found), "r") << "the empty text matches node 1";
    EXPECT_EQ(selected, QStringList({"root"}));

    services.answerText("b1");
    text.clear();
    ASSERT_TRUE(helper.NodeFind(&found, &text));
    EXPECT_EQ(text, "b1") << "the answer goes back to the caller";
    EXPECT_EQ(key(found), "b1");

    text = "no such text";
    ASSERT_TRUE(helper.NodeFind(&found, &text, "b", true));
    EXPECT_EQ(key(found), "b");
    EXPECT_EQ(key(tree.selectedItem()), "b");
    selected.clear();
    EXPECT_FALSE(helper.NodeFind(&found, &text, "zz", true));
    EXPECT_TRUE(selected.isEmpty());

    tree.Nodes().setTag(tree.Nodes().item("a1"), "Waiting");
    QString foundKey;
    EXPECT_TRUE(helper.NodeFindTag(nullptr, "WAITING", &foundKey));
    EXPECT_EQ(foundKey, "a1");
    EXPECT_FALSE(helper.NodeFindTag(nullptr, "wait", &foundKey));
}

TEST_F(CTreeViewTest, NodeMoveComparesTextsAndLiftsChildrenBeforeMovingBelowItself)
{
    buildSample();
    add("b", "bb", "A");
    EXPECT_FALSE(helper.NodeMove(node("a"), node("bb"))) << "a parent with the same text";

    ASSERT_TRUE(helper.NodeMove(node("a1"), node("a"), true));
    EXPECT_EQ(dump(), QStringList({"0 r root", "1 b B", "2 b1 B1", "2 bb A", "1 a1 xABCx", "2 a A", "1 a2 abc",
                                   "0 s abc second"}))
        << "a's children were lifted under r, then a moved under a1";
    EXPECT_EQ(key(tree.selectedItem()), "a");
    EXPECT_FALSE(helper.NodeMove(node("b1"), node("r"))) << "a top-level node cannot go below itself";
}

TEST_F(CTreeViewTest, NodeCopyWalksTheSubtreeAndHonoursCancel)
{
    buildSample();
    QStringList copies;
    QObject::connect(&helper, &cTreeView::CopyNode, [&](TreeNode *dest, TreeNode *src) {
        copies << src->text() + ">" + dest->text();
        tree.Nodes().add(QVariant::fromValue(dest), tvwChild, {}, src->text());
    });
    ASSERT_TRUE(helper.NodeCopy(node("b"), node("a"), true));
    EXPECT_EQ(copies, QStringList({"A>B", "xABCx>A", "abc>A"}));
    EXPECT_EQ(node("b")->lastSibling(), node("b"));
    EXPECT_EQ(node("b")->children(), 2);
    EXPECT_EQ(node("b")->childAt(1)->children(), 2);

    EXPECT_FALSE(helper.NodeCopy(node("a1"), node("a"), true)) << "copying a subtree into itself never ends";

    copies.clear();
    EXPECT_FALSE(helper.NodeCopy(node("a"), node("a")));
    EXPECT_TRUE(helper.CancelCopyFlag());
    EXPECT_FALSE(helper.NodeCopy(node("s"), node("b1")));
    EXPECT_EQ(copies, QStringList({"B1>abc second"})) << "CopyNode is raised, then refused";
    helper.setCancelCopy(false);
    EXPECT_TRUE(helper.NodeCopy(node("s"), node("b1")));
}

TEST_F(CTreeViewTest, NodeDeleteSelectsTheNextOrTheRowAbove)
{
    buildSample();
    ASSERT_TRUE(helper.NodeDelete(node("a1")));
    EXPECT_EQ(key(tree.selectedItem()), "a2");
    EXPECT_EQ(selected, QStringList({"abc"}));
    EXPECT_EQ(node("a1"), nullptr);

    ASSERT_TRUE(helper.NodeDelete(node("a2")));
    EXPECT_EQ(key(tree.selectedItem()), "a") << "no sibling left: the parent";
    ASSERT_TRUE(helper.NodeDelete(node("b1")));
    EXPECT_EQ(key(tree.selectedItem()), "b");

    add("b", "x1", "same");
    add("b", "x2", "same");
    selected.clear();
    ASSERT_TRUE(helper.NodeDelete(node("x2")));
    EXPECT_EQ(key(tree.selectedItem()), "x1") << "the previous sibling";
    EXPECT_TRUE(selected.isEmpty()) << "equal texts raise no Selected";
    EXPECT_EQ(helper.NextSelection(), node("x1"));
    EXPECT_FALSE(helper.NodeDelete(nullptr));
}

TEST_F(CTreeViewTest, RenameSelectionQueriesAndNavigation)
{
    buildSample();
    EXPECT_FALSE(helper.NodeRename(node("a"), ""));
    EXPECT_EQ(node("a")->text(), "A");
    EXPECT_TRUE(helper.NodeRename(node("a"), "A renamed", true));
    EXPECT_EQ(key(tree.selectedItem()), "a");

    tree.setSelectedItem(node("r"));
    EXPECT_FALSE(helper.IsSelected()) << "a top-level node";
    EXPECT_EQ(helper.ParentNodeText(node("r")), "");
    EXPECT_EQ(helper.ParentNodeText(node("a1")), "A renamed");
    EXPECT_TRUE(helper.IsRootNode(node("s")));
    EXPECT_TRUE(helper.IsParentNode(node("a1"), node("r")));
    EXPECT_FALSE(helper.IsParentNode(node("r"), node("a1")));
    EXPECT_TRUE(helper.IsChildNode(node("a1"), node("a")));
    EXPECT_FALSE(helper.IsChildNode(node("a1"), node("r")));
    EXPECT_TRUE(helper.IsChildNode(node("a1"), node("r"), 1));

    // Last child of a node without children: nothing happens.
    tree.setSelectedItem(node("b1"));
    selected.clear();
    helper.MoveNodeNext();
    EXPECT_EQ(key(tree.selectedItem()), "b1");
    EXPECT_TRUE(selected.isEmpty());
    // A last sibling with children: into its first child.
    tree.setSelectedItem(node("b"));
    helper.MoveNodeNext();
    EXPECT_EQ(key(tree.selectedItem()), "b1");
    EXPECT_EQ(selected, QStringList({"B1"}));
    helper.MoveNodePrevious();
    EXPECT_EQ(key(tree.selectedItem()), "b") << "a first child steps to its parent";
    helper.MoveNodePrevious();
    EXPECT_EQ(key(tree.selectedItem()), "a");
    EXPECT_EQ(selected, QStringList({"B1", "B", "A renamed"}));

    selected.clear();
    EXPECT_FALSE(helper.ReSelectItem());
    EXPECT_FALSE(helper.ReSelectItem(node("b1")));
    EXPECT_EQ(selected, QStringList({"A renamed", "B1"}));
}

TEST_F(CTreeViewTest, ExpandCollapseClearAndCut)
{
    buildSample();
    helper.CollapseAll();
    EXPECT_FALSE(node("r")->expanded());
    EXPECT_FALSE(node("a")->expanded());
    helper.ExpandChildNodes(node("r"));
    EXPECT_TRUE(node("a")->expanded());
    EXPECT_TRUE(node("b")->expanded());
    EXPECT_FALSE(node("s")->expanded());
    helper.CollapseChildNodes(node("r"));
    EXPECT_FALSE(node("a")->expanded());
    helper.ExpandAll();
    EXPECT_TRUE(node("b")->expanded());
    EXPECT_FALSE(node("s")->expanded());
    EXPECT_FALSE(node("a1")->expanded()) << "nodes without children are left alone";

    tree.setSelectedItem(node("a"));
    helper.CutIconState(true);
    EXPECT_TRUE(node("a")->cut());
    helper.CutIconState(false);
    EXPECT_FALSE(node("a")->cut());
    EXPECT_FALSE(mTreeView::SetNodeCut(&tree, nullptr, true));

    helper.setDragEnabled(true);
    helper.onMouseDown(1, 0, 5, tree.toTwips(rowCenter(node("r")).y()));
    EXPECT_EQ(helper.DragNode(), node("r"));
    helper.ClearTreeView();
    EXPECT_EQ(tree.Nodes().count(), 0);
    EXPECT_EQ(helper.DragNode(), nullptr) << "no stale node is kept";
    EXPECT_TRUE(tree.updatesEnabled());
}

// A tree of 100 top-level rows sized to show exactly 20, with RowHeight 240.
class CTreeViewScrollTest : public CTreeViewTest {
protected:
    void SetUp() override
    {
        for (int i = 1; i <= 100; ++i)
            add({}, QString("n%1").arg(i), QString("node %1").arg(i));
        const int row = tree.toPixels(tree.rowHeightTwips());
        tree.resize(300, 20 * row + 2 * tree.frameWidth() + row / 2);
        tree.setSelectedItem(node("n1"));
        helper.ScrollView(0);
        ASSERT_EQ(tree.GetVisibleCount(), 20);
        helper.setRowHeight(240);
        helper.setDragEnabled(true);
        selected.clear();
    }
    int firstRow() const { return helper.NodeFirstViewable() ? helper.NodeFirstViewable()->index() : 0; }
    void startDragOn(TreeNode *n)
    {
        const int y = tree.toTwips(rowCenter(n).y());
        helper.onMouseDown(1, 0, 300, y);
        helper.onMouseMove(1, 0, 300, y);
        ASSERT_TRUE(helper.DragStarted());
        ASSERT_TRUE(helper.DragActive());
    }
};

TEST_F(CTreeViewScrollTest, VisibleRowsAndScrollView)
{
    EXPECT_EQ(firstRow(), 1);
    EXPECT_EQ(key(helper.NodeLastViewable()), "n20");
    EXPECT_EQ(key(helper.NodeViewableBelow(1)), "n21");
    helper.ScrollView(3);
    EXPECT_EQ(firstRow(), 2);
    helper.ScrollView(4);
    EXPECT_EQ(firstRow(), 21);
    helper.ScrollView(2);
    EXPECT_EQ(firstRow(), 20);
    helper.ScrollView(1);
    EXPECT_EQ(firstRow(), 1);
    helper.ScrollView(5);
    EXPECT_EQ(key(helper.NodeLastViewable()), "n100");
    const int bottom = firstRow();
    helper.ScrollView(6);
    helper.ScrollView(-1);
    EXPECT_EQ(firstRow(), bottom);
    helper.ScrollView(0);
    EXPECT_EQ(firstRow(), 1);
    EXPECT_EQ(helper.NodeViewableAbove(3), node("n1")) << "stops at the very first row";
}

TEST_F(CTreeViewScrollTest, DragBandsScrollOneRowOrRaiseDragging)
{
    helper.ScrollView(4);   // rows 20..39 shown, so both directions can scroll
    helper.ScrollView(2);
    ASSERT_EQ(firstRow(), 19);
    QStringList dragging;
    QObject::connect(&helper, &cTreeView::Dragging,
            [&](TreeNode *s, TreeNode *t) { dragging << s->key() + ">" + t->key(); });
    QSignalSpy starts(&helper, &cTreeView::StartDrag);
    startDragOn(node("n25"));
    EXPECT_EQ(starts.count(), 1);
    EXPECT_TRUE(tree.isDragging());

    helper.onDragOver(&tree, 300, 4400, TreeControl::vbOver);
    EXPECT_EQ(firstRow(), 20) << "bottom band: one row down";
    EXPECT_TRUE(dragging.isEmpty());
    helper.onDragOver(&tree, 300, 4320, TreeControl::vbOver);
    EXPECT_EQ(firstRow(), 20);
    ASSERT_EQ(dragging.size(), 1) << "exactly 18 rows down is the middle band";
    EXPECT_EQ(tree.dropHighlight(), tree.hitTest(300, 4320));
    helper.onDragOver(&tree, 300, 479, TreeControl::vbOver);
    EXPECT_EQ(firstRow(), 19) << "top band: one row up";
    EXPECT_EQ(dragging.size(), 1);
    helper.onDragOver(&tree, 300, 480, TreeControl::vbOver);
    EXPECT_EQ(firstRow(), 19);
    EXPECT_EQ(dragging.size(), 2);

    QSignalSpy drops(&helper, &cTreeView::Dropped);
    helper.onDragOver(&tree, 300, tree.toTwips(rowCenter(node("n25")).y()), TreeControl::vbOver);
    tree.drag(TreeControl::vbEndDrag);
    EXPECT_EQ(drops.count(), 0) << "a drop on itself";
    EXPECT_FALSE(helper.DragStarted());
    EXPECT_FALSE(helper.DragActive());
    EXPECT_EQ(helper.DragNode(), nullptr);
    EXPECT_EQ(tree.dropHighlight(), nullptr);
}

TEST_F(CTreeViewScrollTest, RowHeightZeroPutsEveryPointInTheBottomBand)
{
    TreeControl flat;
    flat.resize(200, 0);
    flat.show();
    cTreeView other(services);
    other.HookCtrl(&flat);
    EXPECT_EQ(other.RowHeight(), 0) << "no whole row shows";

    helper.setRowHeight(0);
    QSignalSpy dragging(&helper, &cTreeView::Dragging);
    startDragOn(node("n5"));
    helper.onDragOver(&tree, 300, 480, TreeControl::vbOver);
    helper.onDragOver(&tree, 300, 2400, TreeControl::vbOver);
    EXPECT_EQ(firstRow(), 3);
    EXPECT_EQ(dragging.count(), 0);
}

TEST_F(CTreeViewTest, DragOverEmptySpaceAndARealMouseDrag)
{
    buildSample();
    helper.setDragEnabled(true);
    helper.setRowHeight(tree.rowHeightTwips());
    QSignalSpy dragging(&helper, &cTreeView::Dragging);
    QStringList dropped;
    QObject::connect(&helper, &cTreeView::Dropped, [&](TreeNode *s, TreeNode *t) { dropped << s->key() + ">" + t->key(); });

    // A real drag with the mouse: press on a1, move past the threshold, over b, release.
    const QPoint from = rowCenter(node("a1"));
    const QPoint over = rowCenter(node("b"));
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, from);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, from + QPoint(1, 0));
    EXPECT_FALSE(tree.isDragging()) << "a jitter is no drag";
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, from + QPoint(0, QApplication::startDragDistance() + 1));
    ASSERT_TRUE(tree.isDragging());
    EXPECT_FALSE(tree.viewport()->cursor().pixmap().isNull()) << "the node's picture is the pointer";

    // Empty space below the last row highlights nothing and raises nothing.
    const QPoint empty(over.x(), tree.viewport()->height() / 2 + 40);
    ASSERT_EQ(tree.hitTest(tree.toTwips(empty.x()), tree.toTwips(empty.y())), nullptr);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, empty);
    EXPECT_EQ(tree.dropHighlight(), nullptr);
    EXPECT_EQ(dragging.count(), 0);

    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, over);
    EXPECT_EQ(tree.dropHighlight(), node("b"));
    EXPECT_EQ(tree.viewport()->grab().toImage().pixelColor(tree.viewport()->width() - 3, over.y()),
              tree.palette().color(QPalette::Highlight));
    EXPECT_EQ(dragging.count(), 1);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, over);
    EXPECT_FALSE(tree.isDragging());
    EXPECT_EQ(dropped, QStringList({"a1>b"}));
    EXPECT_EQ(tree.dropHighlight(), nullptr);

    // Escape ends a drag over no node.
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, from);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, over);
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
    helper.NodeAdd("k", tvwChild, "k01", "01  cat");
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
            helper.NodeAdd(n->key(), tvwChild, QString("w%1").arg(i), QString("product %1").arg(i));
        helper.Redraw(true);
    });
    const QRect row = tree.visualRect(tree.Nodes().indexOf(node("k01")));
    const QPoint mark(row.left() - tree.indentation() / 2, row.center().y());
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, mark);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, mark);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(node("k01")->children(), 50);
    EXPECT_TRUE(node("k01")->expanded());
    // Showing the last product (selected by the fill) raised no second expansion.
    EXPECT_EQ(key(tree.selectedItem()), "w49");
    EXPECT_TRUE(selected.isEmpty());
    helper.CollapseAll();
    tree.ensureVisible(node("w10"));
    EXPECT_EQ(loads, 1);
}

TEST_F(CTreeViewTest, DragDisabledOnlySelects)
{
    buildSample();
    const QPoint from = rowCenter(node("a1"));
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, from);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, rowCenter(node("b")));
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, rowCenter(node("b")));
    EXPECT_FALSE(tree.isDragging());
    EXPECT_EQ(helper.DragNode(), nullptr);
    EXPECT_EQ(selected, QStringList({"xABCx"}));
    EXPECT_EQ(key(tree.selectedItem()), "a1");
}

TEST_F(CTreeViewTest, RightClickSelectsWithoutSelectedInBothModes)
{
    buildSample();
    tree.setSelectedItem(node("r"));
    QStringList menus;
    QObject::connect(&helper, &cTreeView::ContextMenu, [&](TreeNode *n, int, int) { menus << key(n); });
    const QPoint b = rowCenter(node("b"));

    ASSERT_EQ(helper.ContextMenuMode(), 1);
    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, b);
    EXPECT_TRUE(menus.isEmpty()) << "mode 1 waits for the button to come up";
    EXPECT_EQ(key(tree.selectedItem()), "r");
    mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, b);
    EXPECT_EQ(menus, QStringList({"b"}));
    EXPECT_EQ(key(tree.selectedItem()), "b");

    helper.setContextMenuMode(0);
    const QPoint a1 = rowCenter(node("a1"));
    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, a1);
    EXPECT_EQ(menus, QStringList({"b", "a1"}));
    EXPECT_EQ(key(tree.selectedItem()), "a1");
    mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, a1);
    EXPECT_EQ(menus.size(), 2);

    // Empty space: the tree is left with no selection.
    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, tree.viewport()->height() - 3));
    EXPECT_EQ(menus.last(), "<none>");
    EXPECT_EQ(tree.selectedItem(), nullptr);
    EXPECT_TRUE(selected.isEmpty());
}

TEST_F(CTreeViewTest, HookMeasuresRowsAndUnhookStopsEvents)
{
    helper.HookCtrl(&tree);
    EXPECT_EQ(helper.RowHeight(), tree.rowHeightTwips());
    EXPECT_GT(tree.GetVisibleCount(), 0);
    EXPECT_EQ(tree.indentationTwips(), 100);
    EXPECT_TRUE(tree.Scroll()) << "the scroll setting is restored";

    TreeImageList images;
    QPixmap drag(8, 8);
    drag.fill(Qt::red);
    images.add(QPixmap(16, 16));
    images.add(drag, "DRAGICON");
    helper.HookCtrl(&tree, &images);
    EXPECT_EQ(tree.imageList(), &images);
    EXPECT_EQ(tree.dragIcon().size(), QSize(8, 8));

    buildSample();
    helper.UnHookCtrl();
    EXPECT_EQ(helper.ctrl(), nullptr);
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, rowCenter(node("b")));
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, rowCenter(node("b")));
    EXPECT_TRUE(selected.isEmpty());
    EXPECT_EQ(helper.NodeAdd({}, tvwLast, "x", "x"), nullptr);
    helper.Redraw(false);
    EXPECT_TRUE(tree.updatesEnabled()) << "Redraw does nothing unhooked";
}

} // namespace
} // namespace zeva::test
