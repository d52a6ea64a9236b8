#pragma once
// The tree control: a QTreeView over its own node collection (Nodes()), with the
// attributes and events a tree helper such as cTreeView drives. Lengths and positions
// are twips (15 per pixel at 96 dpi, scaled with the logical dpi), measured from the top
// left of the rows area.
//
// User events (nodeClick, nodeExpand, nodeCollapse, the mouse and drag events) come only
// from input the tree receives: mouse, keys, synthetic input. Changes made by code
// (selecting, expanding, scrolling) raise none, so a handler that lazily loads children
// on nodeExpand never runs because code scrolled a node into view. A selection moved
// with the arrow keys is a node click.
//
// While repaint is suspended (setRedraw(false), or updates disabled on the tree or an
// ancestor), selecting a node and ensureVisible() only record the wish; when repaint is
// back, the node selected then is made current and visible. Bulk fills stay linear.
//
// The control is the view: node data lives in the model, expansion follows the model's
// Expanded, and the control alone keeps the selection, the drop target and the image
// list, and draws them.

#include "treeimagelist.h"
#include "treemodel.h"

#include <QPointer>
#include <QTimer>
#include <QTreeView>

namespace zeva {

class TreeControl : public QTreeView {
    Q_OBJECT
public:
    // Roles of the model's indices carrying a node's Key, Tag and Index.
    static constexpr int KeyRole = TreeModel::KeyRole;
    static constexpr int TagRole = TreeModel::TagRole;
    static constexpr int IndexRole = TreeModel::IndexRole;
    // Arguments of drag().
    enum DragAction { vbCancel = 0, vbBeginDrag = 1, vbEndDrag = 2 };
    // State argument of dragOver().
    enum DragState { vbEnter = 0, vbLeave = 1, vbOver = 2 };

    // objectName is left to the owner (the form names it "TV"); zevaType is "TreeView".
    explicit TreeControl(QWidget *parent = nullptr);
    ~TreeControl() override;

    // The node collection; it is also the view's model.
    TreeModel &Nodes() { return *m_model; }
    const TreeModel &Nodes() const { return *m_model; }

    // The selected node, or nullptr: the view's current node, or while repaint is
    // suspended the node chosen since. Setting it raises no event; nullptr clears the
    // selection.
    TreeNode *selectedItem() const;
    void setSelectedItem(TreeNode *node);
    // Expands the node's ancestors and scrolls the least amount that brings it into
    // view; raises no event. Deferred while repaint is suspended.
    void ensureVisible(TreeNode *node);
    // The node drawn as drop target, or nullptr.
    TreeNode *dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(TreeNode *node);
    // A picture of the node (image and text) as drawn, for use as the drag cursor.
    QPixmap createDragImage(const TreeNode *node) const;
    // The node whose row holds the point (twips), or nullptr over empty space.
    TreeNode *hitTest(int x, int y) const;
    // Rows that fit wholly in the tree: (height - frame - header) / row height, from the
    // tree's own geometry (its set size before it is first shown).
    int GetVisibleCount() const;
    // One row's height and the tree's height, in twips.
    int rowHeightTwips() const;
    int heightTwips() const;
    // Indentation of each level, in twips (never narrower than 12 pixels, so the
    // expand mark keeps its room).
    int indentationTwips() const;
    void setIndentationTwips(int twips);
    // Scroll bars shown when needed (true) or never (false).
    bool Scroll() const { return m_scroll; }
    void setScroll(bool on);

    // Pictures beside the nodes; the list is not owned.
    TreeImageList *imageList() const { return m_imageList; }
    void setImageList(TreeImageList *images);
    // The pointer's picture while a drag is under way.
    QPixmap dragIcon() const { return m_dragIcon; }
    void setDragIcon(const QPixmap &icon) { m_dragIcon = icon; }

    // vbBeginDrag starts an in-process drag of the tree onto itself: from then on the
    // pointer shows dragIcon(), moves arrive as dragOver(), and releasing the left
    // button (or vbEndDrag) raises dragDrop(). vbCancel, Escape or losing the focus ends it
    // over no node: the drop highlight is cleared first, then dragDrop() is raised.
    void drag(int action = vbBeginDrag);
    bool isDragging() const { return m_dragging; }

    // Suspends (false) or resumes (true) repainting; resuming applies a deferred
    // selection and ensureVisible.
    void setRedraw(bool enabled);
    // True while repainting is suspended by setRedraw or disabled updates.
    bool isRepaintSuspended() const;

    // Twips and this widget's pixels, by the platform's one rule.
    int toPixels(int twips) const;
    int toTwips(int pixels) const;

signals:
    // User events.
    void nodeClick(zeva::TreeNode *node);
    void nodeExpand(zeva::TreeNode *node);
    void nodeCollapse(zeva::TreeNode *node);
    // button: 1 left, 2 right, 4 middle (mouseMove: the buttons held); shift: 1 Shift,
    // 2 Ctrl, 4 Alt; x, y in twips.
    void mouseDown(int button, int shift, int x, int y);
    void mouseMove(int button, int shift, int x, int y);
    void mouseUp(int button, int shift, int x, int y);
    void dragOver(zeva::TreeControl *source, int x, int y, int state);
    void dragDrop(zeva::TreeControl *source, int x, int y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    // A row whose text the tree's width cuts shows the whole text as its tooltip.
    bool viewportEvent(QEvent *event) override;

private:
    friend class TreeItemDelegate;
    enum class Input { None, Mouse, Key };
    class InputScope;
    template <typename Emit> void raise(Emit emitter);

    // The picture drawn beside a node: its selected or expanded image by its state,
    // ghosted when the node is cut.
    QIcon nodeIcon(const TreeNode *node) const;
    void followExpansion(TreeNode *node, bool expanded);
    void applyDeferred();
    void syncCurrent(TreeNode *node);
    void aboutToRemove(TreeNode *node);
    void aboutToClear();
    void onExpanded(const QModelIndex &index, bool expanded);
    void endDrag(bool drop, QPoint viewportPos);
    int vbShift(Qt::KeyboardModifiers modifiers) const;
    QPoint twipsAt(QPoint viewportPos) const;

    TreeModel *m_model;
    QPointer<TreeImageList> m_imageList;
    // The selection lives in the selection model; while repaint is suspended a new one
    // waits here instead (m_pendingSelect), and the selection model takes it on resume.
    TreeNode *m_pendingSelection = nullptr;
    TreeNode *m_dropHighlight = nullptr;
    QPixmap m_dragIcon;
    QTimer m_deferredTimer;
    Input m_input = Input::None;
    bool m_syncing = false;
    bool m_redraw = true;
    bool m_pendingSelect = false;
    bool m_pendingShow = false;
    bool m_scroll = true;
    bool m_dragging = false;
    bool m_leftHeld = false;
    bool m_toggled = false;   // the current input expanded or collapsed a node
    bool m_movedPastThreshold = false;
    QPoint m_pressPos;
    int m_indentTwips = 0;
};

} // namespace zeva
