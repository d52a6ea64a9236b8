#pragma once
// cTreeView: the catalogue's helper bound (hooked) to one TreeControl. It adds nodes with
// all their attributes in one call, clears, finds by text, key or tag, moves, copies,
// deletes, renames, expands and collapses, steps through records and the visible rows,
// scrolls, and turns the tree's input events into Selected, ContextMenu, StartDrag,
// Dragging, Dropped (and CopyNode for NodeCopy).
//
// Identity by text is deliberate: where the helper asks whether two nodes are the same
// (NodeCopy, NodeMove, NodeDelete, MoveNodeNext/Previous, IsChildNode, the visible-row
// walks and the drop test) it compares their texts, and sibling loops stop at the first
// sibling whose text equals the last sibling's.
//
// Coordinates (x, y, RowHeight) are twips of the tree's rows area. No member shows a
// message: a member that cannot complete answers false (or nullptr) and leaves the tree
// as it stands; without a hooked tree every member does nothing. Everything runs on the GUI thread; events are direct signals, so a
// handler has finished before the member that raised it goes on.

#include "treecontrol.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace zeva {

class DesktopServices;
class TreeImageList;

class cTreeView : public QObject {
    Q_OBJECT
public:
    // The input box of NodeFind goes through `services`, which must outlive the helper.
    explicit cTreeView(DesktopServices &services, QObject *parent = nullptr);
    // Unhooks.
    ~cTreeView() override;

    // Adds a node (TreeModel::add with vRelative, eRelationship, sKey, sText, vImage,
    // vSelectedImage, vExpandedImage and vTag), then sets Bold, Checked, EnsureVisible
    // (if bEnsureVisible), Expanded and the colours, in that order. With a hooked
    // image list of 3 or more images a missing (invalid) vImage and vExpandedImage become
    // 1 and a missing vSelectedImage 2; with fewer they stay unset. Whatever bSelected
    // says, the new node ends selected and made visible, without a Selected event
    // (deferred while repaint is suspended). bVisible has no effect. Colours are OLE
    // colours (0x00BBGGRR); 0 or a system colour (0x8000nnnn) means the palette's.
    // Returns the node, or nullptr when none was made; then NodeAddError() says why
    // (TreeModel::KeyNotUnique, "key is not unique", for a taken key).
    TreeNode *NodeAdd(const QVariant &vRelative, int eRelationship, const QString &sKey, const QString &sText,
                      const QVariant &vImage = {}, const QVariant &vSelectedImage = {}, const QVariant &vTag = {},
                      bool bBold = false, bool bChecked = false, bool bEnsureVisible = false,
                      bool bExpanded = false, bool bSelected = false, bool bVisible = false,
                      quint32 lForeColor = 0, quint32 lBackColor = 0, const QVariant &vExpandedImage = {});
    // Why the last NodeAdd made no node: TreeModel::NoError after a success.
    TreeModel::Error NodeAddError() const { return m_addError; }
    QString NodeAddErrorText() const { return m_addErrorText; }

    // Removes every node at once, with repaint suspended.
    void ClearTreeView();
    // Suspends (false) or resumes (true) the tree's repaint; nothing when unhooked.
    void Redraw(bool Enabled);
    // Collapses / expands every node that has children, in Index order.
    void CollapseAll();
    void CollapseChildNodes(TreeNode *Node);

    // 0: ContextMenu when the right button goes down; 1 (initial): when it comes up.
    int ContextMenuMode() const { return m_contextMenuMode; }
    void setContextMenuMode(int Mode) { m_contextMenuMode = Mode; }
    // The hooked tree, or nullptr.
    TreeControl *ctrl() const { return m_tree; }
    // Draws the selected node as cut (true) or normally (false).
    void CutIconState(bool SetState);
    // Drag-and-drop on or off (off initially).
    bool DragEnabled() const { return m_dragEnabled; }
    void setDragEnabled(bool Enabled) { m_dragEnabled = Enabled; }
    void ExpandAll();
    // Node and its whole subtree.
    void ExpandChildNodes(TreeNode *Node);

    // Binds the helper to `ctrl`: its events arrive here, its Indentation becomes 100,
    // `oImgList` (optional) becomes its image list and that list's "DRAGICON" picture
    // its drag icon, and RowHeight becomes one row's height (with the scroll bars off while
    // measuring). A tree showing no whole row leaves RowHeight unchanged. Hooking another
    // tree unhooks the first.
    void HookCtrl(TreeControl *ctrl, TreeImageList *oImgList = nullptr);
    // "" for a top-level node (or none), else the text of Node's parent.
    QString ParentNodeText(TreeNode *Node) const;
    // NodeDepth 0: TestNode's parent has ParentNode's text (and ParentNode has
    // children). Otherwise: IsParentNode(TestNode, ParentNode).
    bool IsChildNode(TreeNode *TestNode, TreeNode *ParentNode, int NodeDepth = 0) const;
    // True when ChildNode lies below ParentNode at any depth.
    bool IsParentNode(TreeNode *ChildNode, TreeNode *ParentNode) const;
    // True when Node's FullPath equals its Text (a top-level node).
    bool IsRootNode(TreeNode *Node) const;
    // Drops the tree and the image list; the tree's events no longer arrive.
    void UnHookCtrl();
    // Sets or clears the flag that stops NodeCopy; only the owner clears it.
    void setCancelCopy(bool IsCancelled) { m_cancelCopy = IsCancelled; }

    // Raises CopyNode(DestNode, SrcNode) for the source and, with IncludeChildren, for
    // each node of its subtree, the handler adding each copy as DestNode's last child.
    // Equal texts of source and destination set the cancel flag and answer false; while
    // the flag is set every call answers false after raising CopyNode. Copying a subtree
    // into itself is refused (false, no event), as it would never end.
    bool NodeCopy(TreeNode *DestNode, TreeNode *SrcNode, bool IncludeChildren = false);
    // Selects the next sibling (or, lacking one, the previous sibling, else the parent),
    // raises Selected with it when its text differs from Node's, shows it, removes Node
    // with its subtree and focuses the tree. bSelect is not used. false for no node.
    bool NodeDelete(TreeNode *Node, bool bSelect = false);
    // Finds by key (NodeKey not empty; NodeText is then ignored) or by text (a
    // case-insensitive substring, pre-order below node 1; an empty text matches node 1).
    // An empty *NodeText (or none) is asked for with an input box ("输入要查找的节点名称:",
    // "查找记录"); the answer, empty when cancelled, is written back. When found: with
    // bSelect the node is selected and shown; *oResultNode is set; Selected is raised
    // and the tree focused. *oResultNode is nullptr when nothing is found.
    bool NodeFind(TreeNode **oResultNode = nullptr, QString *NodeText = nullptr, const QString &NodeKey = {},
                  bool bSelect = false);
    // The next match of NodeText after the node with Index FromNodeIndex, in pre-order
    // below node 1, no wrap-around; as NodeFind otherwise. false for an empty text.
    bool NodeFindNext(TreeNode **oResultNode = nullptr, const QString &NodeText = {}, int FromNodeIndex = 0,
                      bool bSelect = false);
    // The first node in Index order whose Tag equals NodeTag, ignoring case: its key goes
    // to *NodeKey. oResultNode is not set.
    bool NodeFindTag(TreeNode **oResultNode = nullptr, const QString &NodeTag = {}, QString *NodeKey = nullptr);
    // Moves ChildNode (with its subtree) to be ParentNode's last child; ParentNode is
    // expanded. Equal texts answer false. When ParentNode lies below ChildNode, the
    // children of ChildNode are first lifted to ChildNode's parent (a top-level
    // ChildNode answers false instead). With bSelect the moved node is shown and selected.
    bool NodeMove(TreeNode *ParentNode, TreeNode *ChildNode, bool bSelect = false);
    // Sets the text; unless Node is top-level it is shown and its Selected set to
    // bSelect (false on the selected node leaves no selection). false for an empty text.
    bool NodeRename(TreeNode *Node, const QString &NewNodeText, bool bSelect = false);
    // 0 top, 1 page up, 2 row up, 3 row down, 4 page down, 5 bottom; other values nothing.
    void ScrollView(int Dir);
    // The node in the first visible row, or nullptr.
    TreeNode *NodeFirstViewable() const;
    // True when a node below the top level is selected.
    bool IsSelected() const;
    // The node in the last fully visible row (or the tree's last row), or nullptr.
    TreeNode *NodeLastViewable() const;
    // Selects the next sibling, else the first child; raises Selected when the text
    // changed. Nothing without a selection.
    void MoveNodeNext();
    // Selects the previous sibling, else the parent; as MoveNodeNext.
    void MoveNodePrevious();
    // Raises Selected with poNode, or with the selected node (nothing when both are
    // none), and focuses the tree. Always false.
    bool ReSelectItem(TreeNode *poNode = nullptr);

    // The visible-row helpers behind ScrollView and the drag's auto-scroll. Rows are the
    // nodes in pre-order, entering expanded nodes only.
    // The node GetVisibleCount + N rows down, counting the first visible row as 1 (the
    // last row when the tree is shorter).
    TreeNode *NodeViewableBelow(int N) const;
    // The node N rows above the first visible row (stops at the first row).
    TreeNode *NodeViewableAbove(int N) const;
    // The last row of Node's subtree as shown.
    TreeNode *NodeLastVisibleChild(TreeNode *Node) const;

    // State (read-only except RowHeight, which an owner may set when it knows better).
    bool DragStarted() const { return m_dragStarted; }
    bool DragActive() const { return m_dragActive; }
    int RowHeight() const { return m_rowHeight; }
    void setRowHeight(int twips) { m_rowHeight = twips; }
    TreeNode *NextSelection() const { return m_nextSelection; }
    TreeNode *DragNode() const { return m_dragNode; }
    bool CancelCopyFlag() const { return m_cancelCopy; }
    TreeImageList *ImgList() const { return m_imgList; }

public slots:
    // The tree's events, connected by HookCtrl; public so that an owner or a test can
    // drive them. Buttons 1 left, 2 right; x, y in twips.
    void onNodeClick(zeva::TreeNode *node);
    void onMouseDown(int Button, int Shift, int x, int y);
    void onMouseMove(int Button, int Shift, int x, int y);
    void onMouseUp(int Button, int Shift, int x, int y);
    void onDragOver(zeva::TreeControl *Source, int x, int y, int State);
    void onDragDrop(zeva::TreeControl *Source, int x, int y);

signals:
    void StartDrag(zeva::TreeNode *node);
    void Dragging(zeva::TreeNode *SourceNode, zeva::TreeNode *TargetParent);
    void Dropped(zeva::TreeNode *SourceNode, zeva::TreeNode *TargetParent);
    // node may be nullptr (a right click on empty space leaves no selection).
    void ContextMenu(zeva::TreeNode *node, int x, int y);
    void Selected(zeva::TreeNode *node);
    void CopyNode(zeva::TreeNode *DestNode, zeva::TreeNode *SrcNode);

private:
    void beginDrag(int x, int y);
    void contextClick(int x, int y);
    void forget(TreeNode *removed);
    void expandTree(TreeNode *node, bool expanded);
    TreeNode *search(TreeNode *start, const QString &text, int fromIndex, bool started) const;
    void visibleWalk(TreeNode *node, const TreeNode *first, int target, int &count, bool &started,
                     TreeNode *&result) const;
    void focusTree();
    // Selects what `step` finds from the selected node; Selected when the text changed.
    void stepSelection(const std::function<TreeNode *(TreeNode *)> &step);

    DesktopServices &m_services;
    QPointer<TreeControl> m_tree;
    int m_contextMenuMode = 1;
    bool m_dragEnabled = false;
    bool m_dragStarted = false;
    bool m_dragActive = false;
    int m_rowHeight = 0;
    TreeNode *m_nextSelection = nullptr;
    TreeNode *m_dragNode = nullptr;
    TreeNode *m_deleting = nullptr;   // NodeDelete's node while its Selected handler runs
    bool m_cancelCopy = false;
    QPointer<TreeImageList> m_imgList;
    TreeModel::Error m_addError = TreeModel::NoError;
    QString m_addErrorText;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace zeva
