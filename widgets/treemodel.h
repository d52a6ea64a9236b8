#pragma once
// The node collection of a tree and the item model its views show: one column, one row
// per node. Nodes are added with a relative node and a relationship, found by Index
// (from 1, in the order of adding) or by Key in constant time, changed through the
// setters below (which tell the views), removed with their subtree, and enumerated in
// Index order (begin/end).
//
// The model holds node data only; how a node looks when selected, as drop target or
// with its pictures is the view's business. Every index answers KeyRole, TagRole and
// IndexRole besides the display roles, so a host reads a node's key and tag through the
// model alone.

#include "treenode.h"

#include <QAbstractItemModel>

#include <memory>
#include <vector>

namespace zeva {

class TreeKeyIndex;

// Where Add places a node relative to its relative node.
enum TreeRelationship {
    tvwFirst = 0,     // first sibling of the relative
    tvwLast = 1,      // last sibling of the relative
    tvwNext = 2,      // right after the relative
    tvwPrevious = 3,  // right before the relative
    tvwChild = 4,     // last child of the relative
};

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { KeyRole = Qt::UserRole + 1, TagRole, IndexRole };
    enum Error { NoError = 0, KeyNotUnique, RelativeNotFound, InvalidRelationship, WouldCreateLoop, NodeNotFound };

    explicit TreeModel(QObject *parent = nullptr);
    ~TreeModel() override;

    // Adds a node and returns it, or nullptr with error()/errorString() set:
    // KeyNotUnique ("key is not unique") when another node has `key`; RelativeNotFound
    // when `relative` (a TreeNode*, a key or an Index) names no node; InvalidRelationship
    // for a relationship outside TreeRelationship. Without a relative the node becomes
    // the first (tvwFirst) or else the last top-level node. An empty key is allowed and
    // makes a node that can only be found by Index. The node's data is set before it is
    // shown, so a fill pays for no change notices.
    [[nodiscard]] TreeNode *add(const QVariant &relative = {}, int relationship = tvwNext,
                                const QString &key = {}, const QString &text = {},
                                const QVariant &image = {}, const QVariant &selectedImage = {},
                                const QVariant &expandedImage = {}, const QVariant &tag = {});
    // nullptr when there is no such node.
    TreeNode *item(int index) const;
    TreeNode *item(const QString &key) const;
    // Removes the node with its subtree; false (NodeNotFound) for a null or foreign node.
    bool remove(TreeNode *node);
    bool remove(int index) { return remove(item(index)); }
    int count() const { return int(m_nodes.size()); }
    // Removes every node in one reset.
    void clear();
    // While appends are held (a bulk load whose views do not repaint), nodes added after a
    // parent's last child are told to the views in one insertion per parent: when the
    // hold ends, or as soon as anything needs one of them as a model row.
    void holdAppends(bool hold);
    // Moves the node with its subtree under `parent` as its last child (nullptr: the last
    // top-level node). false, with error() set, when `parent` is the node itself or one
    // of its descendants (WouldCreateLoop) or either node is not in this tree.
    [[nodiscard]] bool move(TreeNode *node, TreeNode *parent);
    // Whether `node` is a node of this tree.
    bool contains(const TreeNode *node) const;

    // The result of the last add/remove/move/setKey: NoError or the reason it failed.
    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }

    // Changing a node. `node` must be a node of this tree.
    // false (KeyNotUnique, nothing changes) when another node holds the key.
    [[nodiscard]] bool setKey(TreeNode *node, const QString &key);
    void setText(TreeNode *node, const QString &text);
    void setTag(TreeNode *node, const QVariant &tag);
    void setBold(TreeNode *node, bool bold);
    void setChecked(TreeNode *node, bool checked);
    void setCut(TreeNode *node, bool cut);
    void setForeColor(TreeNode *node, const QColor &color);
    void setBackColor(TreeNode *node, const QColor &color);
    void setImage(TreeNode *node, const QVariant &image);
    void setSelectedImage(TreeNode *node, const QVariant &image);
    void setExpandedImage(TreeNode *node, const QVariant &image);
    // Expansion is the node's data; views follow it through expandedChanged.
    void setExpanded(TreeNode *node, bool expanded);

    // Enumeration in Index order.
    using const_iterator = std::vector<TreeNode *>::const_iterator;
    const_iterator begin() const { return m_nodes.cbegin(); }
    const_iterator end() const { return m_nodes.cend(); }

    int topLevelCount() const { return m_root.children(); }
    TreeNode *topLevelAt(int row) const { return m_root.childAt(row); }

    QModelIndex indexOf(const TreeNode *node) const;
    // nullptr for an invalid index or one of another model.
    TreeNode *nodeAt(const QModelIndex &index) const;

    // Show check boxes (Checked) in the views.
    bool checkboxes() const { return m_checkboxes; }
    void setCheckboxes(bool on);

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The standard roles plus "key", "tag" and "index", so a host finds a node's key and
    // tag by name without knowing this class.
    QHash<int, QByteArray> roleNames() const override;
    // Only the check state can be set, when check boxes are shown.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // Before `node` and its subtree go away, and before every node goes (clear).
    void nodeAboutToBeRemoved(zeva::TreeNode *node);
    void aboutToBeCleared();
    void expandedChanged(zeva::TreeNode *node, bool expanded);

private:
    // The node an index stands for; the invisible root for an invalid index.
    TreeNode *getItem(const QModelIndex &index) const;
    void fail(Error error, const QString &text);
    void nodeChanged(TreeNode *node);
    template <typename T> void assign(TreeNode *node, T TreeNode::*field, const T &value);
    static void renumber(std::vector<TreeNode *> &siblings, size_t from);

    // Nodes live in blocks owned by the model, so a tree's nodes sit together in memory;
    // removed nodes' places are reused, and so are a cleared tree's blocks by its next load
    // (a reload is usually the same size: no fresh pages to fault in).
    TreeNode *allocateNode();
    void destroyNode(TreeNode *node);
    void releaseAllNodes(bool keepBlocks);
    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
    std::size_t m_blockInUse = 0;      // the block new nodes go to
    std::size_t m_blockUsed = 0;       // nodes placed in it
    std::vector<void *> m_freePlaces;  // places of removed nodes

    mutable TreeNode m_root;           // parent of the top-level nodes
    std::vector<TreeNode *> m_nodes;   // Index order
    std::unique_ptr<TreeKeyIndex> m_keys;
    TreeNode *m_lastRelative = nullptr;
    bool m_holdAppends = false;
    mutable std::vector<TreeNode *> m_heldParents;   // in the order their first held child came
    // Tells the views of every held append; const because indexOf needs it.
    void announceHeld() const;
    bool isAnnounced(const TreeNode *node) const { return node == &m_root || node->m_row < node->m_parent->m_shown; }
    bool m_checkboxes = false;
    Error m_error = NoError;
    QString m_errorString;
};

} // namespace zeva
