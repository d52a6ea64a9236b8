// cTreeView stays one file: it is one class whose members (node editing, finding,
// navigation, the drag bands, the hooked events) are the tree helper's documented
// interface, and they share its hooked tree and drag state.
#include "ctreeview.h"

#include "desktopservices.h"
#include "hostunits.h"
#include "mtreeview.h"
#include "treeimagelist.h"

#include <QApplication>
#include <QPalette>
#include <QStringMatcher>

namespace zeva {

namespace {

// 0 and the system colours (0x8000nnnn) leave the node to the tree's own palette, which
// follows the widget's style.
QColor nodeColor(quint32 color)
{
    return color == 0 || (color & 0x80000000u) ? QColor() : hostColor(color);
}

bool isInside(const TreeNode *node, const TreeNode *ancestor)
{
    for (; node; node = node->parent()) {
        if (node == ancestor)
            return true;
    }
    return false;
}

} // namespace

cTreeView::cTreeView(DesktopServices &services, QObject *parent) : QObject(parent), m_services(services) {}

cTreeView::~cTreeView()
{
    UnHookCtrl();
}

// ---- hooking -------------------------------------------------------------------------

void cTreeView::HookCtrl(TreeControl *ctrl, TreeImageList *oImgList)
{
    UnHookCtrl();
    m_tree = ctrl;
    if (!ctrl)
        return;
    m_connections = {
        connect(ctrl, &TreeControl::nodeClick, this, &cTreeView::onNodeClick),
        connect(ctrl, &TreeControl::mouseDown, this, &cTreeView::onMouseDown),
        connect(ctrl, &TreeControl::mouseMove, this, &cTreeView::onMouseMove),
        connect(ctrl, &TreeControl::mouseUp, this, &cTreeView::onMouseUp),
        connect(ctrl, &TreeControl::dragOver, this, &cTreeView::onDragOver),
        connect(ctrl, &TreeControl::dragDrop, this, &cTreeView::onDragDrop),
        connect(&ctrl->Nodes(), &TreeModel::nodeAboutToBeRemoved, this, &cTreeView::forget),
        connect(&ctrl->Nodes(), &TreeModel::aboutToBeCleared, this, [this] { forget(nullptr); }),
    };
    ctrl->setIndentationTwips(100);
    m_imgList = oImgList;
    if (oImgList) {
        ctrl->setImageList(oImgList);
        ctrl->setDragIcon(oImgList->picture(QStringLiteral("DRAGICON")));
    }
    const bool scroll = ctrl->Scroll();
    ctrl->setScroll(false);
    // One row's height exactly, so that the drag's bands cover whole rows; a tree too
    // short to show a row leaves it as it was.
    if (ctrl->GetVisibleCount() > 0)
        m_rowHeight = ctrl->rowHeightTwips();
    ctrl->setScroll(scroll);
}

void cTreeView::UnHookCtrl()
{
    for (const auto &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_tree = nullptr;
    m_imgList = nullptr;
    forget(nullptr);
}

// Node pointers held across calls must not outlive their nodes.
void cTreeView::forget(TreeNode *removed)
{
    if (!removed || isInside(m_dragNode, removed))
        m_dragNode = nullptr;
    if (!removed || isInside(m_nextSelection, removed))
        m_nextSelection = nullptr;
    if (!removed || isInside(m_deleting, removed))
        m_deleting = nullptr;
    if (!removed) {
        m_dragActive = false;
        m_dragStarted = false;
    }
}

void cTreeView::focusTree()
{
    if (m_tree)
        m_tree->setFocus();
}

// ---- adding, clearing, repaint -------------------------------------------------------

TreeNode *cTreeView::NodeAdd(const QVariant &vRelative, int eRelationship, const QString &sKey,
                             const QString &sText, const QVariant &vImage, const QVariant &vSelectedImage,
                             const QVariant &vTag, bool bBold, bool bChecked, bool bEnsureVisible, bool bExpanded,
                             bool, bool, quint32 lForeColor, quint32 lBackColor,
                             const QVariant &vExpandedImage)
{
    m_addError = TreeModel::NoError;
    m_addErrorText.clear();
    if (!m_tree) {
        m_addError = TreeModel::NodeNotFound;
        m_addErrorText = tr("no tree is hooked");
        return nullptr;
    }
    QVariant image = vImage;
    QVariant selectedImage = vSelectedImage;
    QVariant expandedImage = vExpandedImage;
    if (m_imgList && m_imgList->count() >= 3) {
        if (!image.isValid())
            image = 1;
        if (!expandedImage.isValid())
            expandedImage = 1;
        if (!selectedImage.isValid())
            selectedImage = 2;
    }
    TreeModel &nodes = m_tree->Nodes();
    // The Tag goes in with the node: set afterwards, it would cost every node a change notice.
    TreeNode *node = nodes.add(vRelative, eRelationship, sKey, sText, image, selectedImage, expandedImage, vTag);
    if (!node) {
        m_addError = nodes.error();
        m_addErrorText = nodes.errorString();
        return nullptr;
    }
    nodes.setBold(node, bBold);
    nodes.setChecked(node, bChecked);
    if (bEnsureVisible)
        m_tree->ensureVisible(node);
    nodes.setExpanded(node, bExpanded);
    // bSelected needs no step of its own: the new node ends selected whatever it says.
    nodes.setForeColor(node, nodeColor(lForeColor));
    nodes.setBackColor(node, nodeColor(lBackColor));
    m_tree->setSelectedItem(node);
    m_tree->ensureVisible(node);
    return node;
}

void cTreeView::ClearTreeView()
{
    if (!m_tree)
        return;
    Redraw(false);
    mTreeView::ClearAllNodes(m_tree);
    Redraw(true);
}

void cTreeView::Redraw(bool Enabled)
{
    if (m_tree)
        mTreeView::SetRedraw(m_tree, Enabled);
}

void cTreeView::ExpandAll()
{
    if (!m_tree)
        return;
    Redraw(false);
    TreeModel &nodes = m_tree->Nodes();
    for (TreeNode *node : nodes) {
        if (node->children() > 0)
            nodes.setExpanded(node, true);
    }
    Redraw(true);
}

void cTreeView::CollapseAll()
{
    if (!m_tree)
        return;
    Redraw(false);
    TreeModel &nodes = m_tree->Nodes();
    for (TreeNode *node : nodes) {
        if (node->children() > 0)
            nodes.setExpanded(node, false);
    }
    Redraw(true);
}

void cTreeView::expandTree(TreeNode *node, bool expanded)
{
    m_tree->Nodes().setExpanded(node, expanded);
    for (int row = 0; row < node->children(); ++row)
        expandTree(node->childAt(row), expanded);
}

void cTreeView::ExpandChildNodes(TreeNode *Node)
{
    if (!m_tree || !Node)
        return;
    Redraw(false);
    expandTree(Node, true);
    Redraw(true);
}

void cTreeView::CollapseChildNodes(TreeNode *Node)
{
    if (!m_tree || !Node)
        return;
    Redraw(false);
    expandTree(Node, false);
    Redraw(true);
}

void cTreeView::CutIconState(bool SetState)
{
    if (m_tree)
        mTreeView::SetNodeCut(m_tree, m_tree->selectedItem(), SetState);
}

// ---- node relations ------------------------------------------------------------------

bool cTreeView::IsRootNode(TreeNode *Node) const
{
    return Node && Node->fullPath() == Node->text();
}

QString cTreeView::ParentNodeText(TreeNode *Node) const
{
    if (!Node || IsRootNode(Node) || !Node->parent())
        return {};
    return Node->parent()->text();
}

bool cTreeView::IsSelected() const
{
    TreeNode *selected = m_tree ? m_tree->selectedItem() : nullptr;
    return selected && !IsRootNode(selected);
}

bool cTreeView::IsParentNode(TreeNode *ChildNode, TreeNode *ParentNode) const
{
    // Nodes are compared by Index, that is by identity: a walk up from the child finds
    // the same answer as the walk down the parent's subtree, in depth rather than size.
    if (!ChildNode || !ParentNode || ParentNode->children() == 0)
        return false;
    for (TreeNode *up = ChildNode->parent(); up; up = up->parent()) {
        if (up == ParentNode)
            return true;
    }
    return false;
}

bool cTreeView::IsChildNode(TreeNode *TestNode, TreeNode *ParentNode, int NodeDepth) const
{
    if (!TestNode || !ParentNode)
        return false;
    if (NodeDepth != 0)
        return IsParentNode(TestNode, ParentNode);
    if (ParentNode->children() == 0 || !TestNode->parent())
        return false;
    return TestNode->parent()->text() == ParentNode->text();
}

// ---- copy, delete, find, move, rename ------------------------------------------------

bool cTreeView::NodeCopy(TreeNode *DestNode, TreeNode *SrcNode, bool IncludeChildren)
{
    if (!m_tree || !DestNode || !SrcNode)
        return false;
    if (SrcNode->text() == DestNode->text()) {
        m_cancelCopy = true;
        return false;
    }
    if (IncludeChildren && isInside(DestNode, SrcNode))
        return false;
    m_tree->Nodes().setExpanded(DestNode, true);
    m_tree->Nodes().setExpanded(SrcNode, true);
    emit CopyNode(DestNode, SrcNode);
    if (m_cancelCopy)
        return false;
    if (IncludeChildren && SrcNode->children() > 0) {
        for (TreeNode *child = SrcNode->child()->firstSibling(); child; child = child->next()) {
            TreeNode *copy = DestNode->child() ? DestNode->child()->lastSibling() : nullptr;
            if (!copy || !NodeCopy(copy, child, IncludeChildren))
                break;
            if (child->text() == child->lastSibling()->text())
                break;
        }
    }
    return true;
}

bool cTreeView::NodeDelete(TreeNode *Node, bool)
{
    if (!m_tree || !Node)
        return false;
    // With no next sibling the row above takes the selection, as a list does when its
    // last line goes: the previous sibling, else the parent.
    TreeNode *next = Node->next();
    if (!next)
        next = Node->previous() ? Node->previous() : Node->parent();
    m_nextSelection = next;
    m_tree->setSelectedItem(next ? next : Node);
    TreeNode *selected = m_tree->selectedItem();
    m_deleting = Node;
    if (selected && Node->text() != selected->text())
        emit Selected(m_nextSelection);
    // The handler may have removed the node itself, or unhooked the tree.
    if (!m_tree || !m_deleting)
        return false;
    m_deleting = nullptr;
    m_tree->ensureVisible(m_tree->selectedItem());
    m_tree->Nodes().remove(Node);
    focusTree();
    return true;
}

TreeNode *cTreeView::search(TreeNode *start, const QString &text, int fromIndex, bool started) const
{
    // Pre-order below `start` without recursion: the node with Index fromIndex is never
    // the result and starts the search; with `started` every node may match.
    const QStringMatcher matcher(text, Qt::CaseInsensitive);   // folded and prepared once per search
    for (TreeNode *node = start; node;) {
        const bool matches = matcher.indexIn(node->text()) >= 0;
        if (matches && started && node->index() != fromIndex)
            return node;
        if (node->index() == fromIndex)
            started = true;
        if (node->child()) {
            node = node->child();
            continue;
        }
        while (node != start && !node->next())
            node = node->parent();
        if (node == start)
            break;
        node = node->next();
    }
    return nullptr;
}

bool cTreeView::NodeFind(TreeNode **oResultNode, QString *NodeText, const QString &NodeKey, bool bSelect)
{
    if (oResultNode)
        *oResultNode = nullptr;
    if (!m_tree)
        return false;
    QString text = NodeText ? *NodeText : QString();
    if (text.isEmpty()) {
        text = m_services.inputBox(QStringLiteral("输入要查找的节点名称:"), QStringLiteral("查找记录"), QString())
                   .value_or(QString());
        if (NodeText)
            *NodeText = text;
    }
    TreeModel &nodes = m_tree->Nodes();
    TreeNode *result = nullptr;
    if (!NodeKey.isEmpty()) {
        result = nodes.item(NodeKey);
        if (result && bSelect) {
            m_tree->setSelectedItem(result);
            m_tree->ensureVisible(result);
        }
    } else if (nodes.count() > 0) {
        result = search(nodes.item(1), text, -1, true);
        if (result && bSelect) {
            m_tree->setSelectedItem(result);
            m_tree->ensureVisible(result);
        }
    }
    if (!result)
        return false;
    if (oResultNode)
        *oResultNode = result;
    emit Selected(result);
    focusTree();
    return true;
}

bool cTreeView::NodeFindNext(TreeNode **oResultNode, const QString &NodeText, int FromNodeIndex, bool bSelect)
{
    if (oResultNode)
        *oResultNode = nullptr;
    if (!m_tree || NodeText.isEmpty() || m_tree->Nodes().count() == 0)
        return false;
    TreeNode *result = search(m_tree->Nodes().item(1), NodeText, FromNodeIndex, false);
    if (!result)
        return false;
    if (bSelect) {
        m_tree->setSelectedItem(result);
        m_tree->ensureVisible(result);
    }
    if (oResultNode)
        *oResultNode = result;
    emit Selected(result);
    focusTree();
    return true;
}

bool cTreeView::NodeFindTag(TreeNode **, const QString &NodeTag, QString *NodeKey)
{
    if (!m_tree)
        return false;
    const QString wanted = NodeTag.toUpper();
    for (TreeNode *node : m_tree->Nodes()) {
        if (node->tag().toString().toUpper() == wanted) {
            if (NodeKey)
                *NodeKey = node->key();
            return true;
        }
    }
    return false;
}

bool cTreeView::NodeMove(TreeNode *ParentNode, TreeNode *ChildNode, bool bSelect)
{
    if (!m_tree || !ParentNode || !ChildNode || ParentNode->text() == ChildNode->text())
        return false;
    TreeModel &nodes = m_tree->Nodes();
    if (IsParentNode(ParentNode, ChildNode)) {
        if (!ChildNode->parent())
            return false;
        // Lift the children one level so that the new parent no longer lies below.
        const int children = ChildNode->children();
        for (int i = 0; i < children; ++i) {
            if (!nodes.move(ChildNode->child(), ChildNode->parent()))
                return false;
        }
    }
    nodes.setExpanded(ParentNode, true);
    if (!nodes.move(ChildNode, ParentNode))
        return false;
    if (bSelect) {
        m_tree->ensureVisible(ChildNode);
        m_tree->setSelectedItem(ChildNode);
    }
    return true;
}

bool cTreeView::NodeRename(TreeNode *Node, const QString &NewNodeText, bool bSelect)
{
    if (!m_tree || !Node || NewNodeText.isEmpty())
        return false;
    m_tree->Nodes().setText(Node, NewNodeText);
    if (Node->parent()) {
        m_tree->ensureVisible(Node);
        if (bSelect)
            m_tree->setSelectedItem(Node);
        else if (m_tree->selectedItem() == Node)
            m_tree->setSelectedItem(nullptr);
    }
    return true;
}

// ---- record navigation ---------------------------------------------------------------

void cTreeView::MoveNodeNext()
{
    stepSelection([](TreeNode *node) { return node->next() ? node->next() : node->child(); });
}

void cTreeView::MoveNodePrevious()
{
    stepSelection([](TreeNode *node) { return node->previous() ? node->previous() : node->parent(); });
}

void cTreeView::stepSelection(const std::function<TreeNode *(TreeNode *)> &step)
{
    TreeNode *current = m_tree ? m_tree->selectedItem() : nullptr;
    if (!current)
        return;
    m_nextSelection = step(current);
    if (m_nextSelection)
        m_tree->setSelectedItem(m_nextSelection);
    focusTree();
    TreeNode *selected = m_tree->selectedItem();
    if (selected && current->text() != selected->text())
        emit Selected(m_nextSelection);
}

bool cTreeView::ReSelectItem(TreeNode *poNode)
{
    TreeNode *node = poNode ? poNode : (m_tree ? m_tree->selectedItem() : nullptr);
    if (node)
        emit Selected(node);
    focusTree();
    return false;
}

// ---- visible rows --------------------------------------------------------------------

TreeNode *cTreeView::NodeFirstViewable() const
{
    if (!m_tree)
        return nullptr;
    const int height = m_tree->heightTwips();
    for (int y = 100; y <= height; y += 100) {
        if (TreeNode *node = m_tree->hitTest(5, y))
            return node;
    }
    return nullptr;
}

TreeNode *cTreeView::NodeLastViewable() const
{
    return NodeViewableBelow(0);
}

void cTreeView::visibleWalk(TreeNode *node, const TreeNode *first, int target, int &count, bool &started,
                            TreeNode *&result) const
{
    // The first visible row by identity: a key would match every placeholder, which
    // all have the empty key.
    if (node == first)
        started = true;
    if (started) {
        ++count;
        if (count == target) {
            result = node;
            return;
        }
    }
    if (node->children() > 0 && node->expanded()) {
        for (TreeNode *child = node->child()->firstSibling(); child; child = child->next()) {
            visibleWalk(child, first, target, count, started, result);
            if (count == target || child->text() == child->lastSibling()->text())
                return;
        }
    } else {
        result = node;
    }
}

TreeNode *cTreeView::NodeViewableBelow(int N) const
{
    const TreeNode *first = NodeFirstViewable();
    if (!first)
        return nullptr;
    TreeNode *top = m_tree->Nodes().item(1)->root();
    const int target = m_tree->GetVisibleCount() + N;
    int count = 0;
    bool started = false;
    TreeNode *result = nullptr;
    for (; top; top = top->next()) {
        visibleWalk(top, first, target, count, started, result);
        if (count == target || top->text() == top->lastSibling()->text())
            break;
    }
    return result;
}

TreeNode *cTreeView::NodeViewableAbove(int N) const
{
    TreeNode *node = NodeFirstViewable();
    if (!node)
        return nullptr;
    int count = 0;
    while (count < N) {
        if (node->text() != node->firstSibling()->text() && node->previous()) {
            node = node->previous();
            while (node->children() > 0 && node->expanded())
                node = node->child()->lastSibling();
            ++count;
        } else if (node->parent()) {
            node = node->parent();
            ++count;
        } else {
            break;   // the very first row
        }
    }
    return node;
}

TreeNode *cTreeView::NodeLastVisibleChild(TreeNode *Node) const
{
    while (Node && Node->children() > 0 && Node->expanded())
        Node = Node->child()->lastSibling();
    return Node;
}

void cTreeView::ScrollView(int Dir)
{
    if (!m_tree || m_tree->Nodes().count() == 0)
        return;
    TreeNode *top = m_tree->Nodes().item(1)->root();
    const int visible = m_tree->GetVisibleCount();
    TreeNode *target = nullptr;
    switch (Dir) {
    case 0: target = top; break;
    case 1: target = NodeViewableAbove(visible - 1); break;
    case 2: target = NodeViewableAbove(1); break;
    case 3: target = NodeViewableBelow(1); break;
    case 4: target = NodeViewableBelow(visible - 1); break;
    case 5: target = NodeLastVisibleChild(top->lastSibling()); break;
    default: return;
    }
    if (target)
        m_tree->ensureVisible(target);
}

// ---- the tree's events ---------------------------------------------------------------

void cTreeView::onNodeClick(TreeNode *node)
{
    if (m_dragEnabled) {
        m_dragStarted = false;
        m_dragActive = false;
        if (m_tree)
            m_tree->setDropHighlight(nullptr);
    }
    emit Selected(node);
}

void cTreeView::contextClick(int x, int y)
{
    if (!m_tree)
        return;
    TreeNode *node = m_tree->hitTest(x, y);
    m_tree->setSelectedItem(node);
    emit ContextMenu(m_tree ? m_tree->selectedItem() : nullptr, x, y);
}

void cTreeView::onMouseDown(int Button, int, int x, int y)
{
    if (!m_tree)
        return;
    if (Button == 1 && m_dragEnabled)
        m_dragNode = m_tree->hitTest(x, y);
    if (Button == 2 && m_contextMenuMode == 0)
        contextClick(x, y);
}

void cTreeView::onMouseMove(int Button, int, int x, int y)
{
    if (Button == 1 && m_dragEnabled)
        beginDrag(x, y);
}

void cTreeView::onMouseUp(int Button, int, int x, int y)
{
    if (Button == 2 && m_contextMenuMode == 1)
        contextClick(x, y);
}

void cTreeView::beginDrag(int x, int y)
{
    if (!m_tree || !m_tree->hitTest(x, y))
        return;
    m_dragActive = true;
    if (!m_dragNode)
        return;   // no drag image without a node: the drag is not begun
    const QPixmap image = m_tree->createDragImage(m_dragNode);
    if (image.isNull())
        return;
    m_tree->setDragIcon(image);
    m_tree->drag(TreeControl::vbBeginDrag);
    emit StartDrag(m_dragNode);
    m_dragStarted = true;
}

void cTreeView::onDragOver(TreeControl *, int x, int y, int)
{
    if (!m_tree || !m_dragEnabled || !m_dragStarted || !m_dragActive)
        return;
    TreeNode *target = m_tree->hitTest(x, y);
    m_tree->setDropHighlight(target);
    const int visible = m_tree->GetVisibleCount();
    const int row = m_rowHeight;
    if (y > (visible - 2) * row) {
        m_tree->ensureVisible(NodeViewableBelow(1));
        return;
    }
    if (y < 2 * row) {
        m_tree->ensureVisible(NodeViewableAbove(1));
        return;
    }
    if (target)
        emit Dragging(m_dragNode, target);
}

void cTreeView::onDragDrop(TreeControl *, int, int)
{
    if (!m_dragEnabled)
        return;
    TreeNode *target = m_tree ? m_tree->dropHighlight() : nullptr;
    if (target && m_dragNode && m_dragNode->text() != target->text())
        emit Dropped(m_dragNode, target);
    if (m_tree)
        m_tree->setDropHighlight(nullptr);
    m_dragNode = nullptr;
    m_dragActive = false;
    m_dragStarted = false;
}

} // namespace zeva
