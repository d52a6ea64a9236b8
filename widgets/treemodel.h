#pragma once
// The node collection of a TreeControl and the item model its view shows: one column,
// one row per node. Nodes are added with a relative node and a relationship, found by
// Index (from 1, in the order of adding) or by Key in constant time, removed with their
// subtree, and enumerated in Index order (begin/end).
//
// Besides the display roles, every index answers KeyRole, TagRole and IndexRole, so the
// host can read a node's key and tag through the model alone.

#include "treenode.h"

#include <QAbstractItemModel>

#include <memory>
#include <vector>

namespace zeva {

class TreeImageList;
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

    explicit TreeModel(TreeControl *control, QObject *parent = nullptr);
    ~TreeModel() override;

    // Adds a node and returns it, or nullptr with error()/errorString() set:
    // KeyNotUnique ("key is not unique") when another node has `key`; RelativeNotFound
    // when `relative` (a TreeNode*, a key or an Index) names no node; InvalidRelationship
    // for a relationship outside TreeRelationship. Without a relative the node becomes
    // the first (tvwFirst) or else the last top-level node. An empty key is allowed and
    // makes a node that can only be found by Index.
    TreeNode *add(const QVariant &relative = {}, int relationship = tvwNext,
                  const QString &key = {}, const QString &text = {},
                  const QVariant &image = {}, const QVariant &selectedImage = {},
                  const QVariant &expandedImage = {});
    // nullptr when there is no such node.
    TreeNode *item(int index) const;
    TreeNode *item(const QString &key) const;
    // Removes the node with its subtree; false (NodeNotFound) for a null or foreign node
    // or an index out of range.
    bool remove(TreeNode *node);
    bool remove(int index) { return remove(item(index)); }
    int count() const { return int(m_nodes.size()); }
    // Removes every node in one reset.
    void clear();

    // The result of the last add/remove/move: NoError or the reason it failed.
    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }

    // Enumeration in Index order.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TreeNode *;
        using difference_type = std::ptrdiff_t;
        using pointer = TreeNode *const *;
        using reference = TreeNode *;
        explicit const_iterator(std::vector<TreeNode *>::const_iterator it) : m_it(it) {}
        TreeNode *operator*() const { return *m_it; }
        const_iterator &operator++() { ++m_it; return *this; }
        bool operator==(const const_iterator &other) const { return m_it == other.m_it; }
        bool operator!=(const const_iterator &other) const { return m_it != other.m_it; }
    private:
        std::vector<TreeNode *>::const_iterator m_it;
    };
    const_iterator begin() const { return const_iterator(m_nodes.cbegin()); }
    const_iterator end() const { return const_iterator(m_nodes.cend()); }

    int topLevelCount() const { return int(m_topLevel.size()); }
    TreeNode *topLevelAt(int row) const;

    QModelIndex indexOf(const TreeNode *node) const;
    TreeNode *nodeAt(const QModelIndex &index) const;

    // Separator of TreeNode::fullPath(); "\" unless set.
    QString pathSeparator() const { return m_pathSeparator; }
    void setPathSeparator(const QString &separator) { m_pathSeparator = separator; }
    // Show check boxes (Checked) in the view.
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

private:
    friend class TreeNode;
    friend class TreeControl;
    void fail(Error error, const QString &text);
    bool move(TreeNode *node, TreeNode *newParent);
    bool setKey(TreeNode *node, const QString &key);
    void nodeChanged(TreeNode *node);
    // The control's view state the model draws: selected and drop-target nodes.
    void setSelectedNode(TreeNode *node);
    // While the control's repaint is suspended, a moving selection only records where it
    // started; resuming announces the two nodes whose look changed.
    void flushSelectionChange();
    void setDropNode(TreeNode *node);
    std::vector<TreeNode *> &siblingsOf(TreeNode *parent) { return parent ? parent->m_children : m_topLevel; }
    static void renumber(std::vector<TreeNode *> &siblings, size_t from);

    TreeControl *m_control;
    // Nodes live in blocks owned by the model, so a tree's nodes sit together in memory
    // and clearing releases whole blocks; removed nodes' places are reused.
    TreeNode *allocateNode();
    void destroyNode(TreeNode *node);
    void releaseAllNodes();
    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
    std::size_t m_blockUsed = 0;       // nodes placed in the last block
    std::vector<void *> m_freePlaces;  // places of removed nodes
    std::vector<TreeNode *> m_nodes;   // Index order
    std::vector<TreeNode *> m_topLevel;
    std::unique_ptr<TreeKeyIndex> m_keys;
    TreeNode *m_lastRelative = nullptr;
    TreeNode *m_selected = nullptr;
    bool m_selectionDeferred = false;
    QPersistentModelIndex m_selectedBeforeDeferral;
    TreeNode *m_drop = nullptr;
    QString m_pathSeparator = QStringLiteral("\\");
    bool m_checkboxes = false;
    Error m_error = NoError;
    QString m_errorString;
};

} // namespace zeva
