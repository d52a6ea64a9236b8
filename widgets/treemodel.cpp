#include "treemodel.h"

#include "treekeyindex_p.h"

#include <QFont>

#include <algorithm>
#include <new>

namespace zeva {

TreeModel::TreeModel(QObject *parent)
    : QAbstractItemModel(parent),
      m_keys(std::make_unique<TreeKeyIndex>([](const TreeNode *node) -> const QString & { return node->key(); }))
{
}

TreeModel::~TreeModel()
{
    releaseAllNodes(false);
}

// ---- node storage --------------------------------------------------------------------

namespace {
constexpr std::size_t kNodesPerBlock = 512;
}

TreeNode *TreeModel::allocateNode()
{
    void *place = nullptr;
    if (!m_freePlaces.empty()) {
        place = m_freePlaces.back();
        m_freePlaces.pop_back();
    } else {
        if (m_blockUsed == kNodesPerBlock) {
            ++m_blockInUse;
            m_blockUsed = 0;
        }
        if (m_blockInUse == m_blocks.size())
            m_blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(sizeof(TreeNode) * kNodesPerBlock));
        place = m_blocks[m_blockInUse].get() + sizeof(TreeNode) * m_blockUsed++;
    }
    return new (place) TreeNode;
}

void TreeModel::destroyNode(TreeNode *node)
{
    node->~TreeNode();
    m_freePlaces.push_back(node);
}

void TreeModel::releaseAllNodes(bool keepBlocks)
{
    for (TreeNode *node : m_nodes)
        node->~TreeNode();
    m_nodes.clear();
    m_root.m_children.clear();
    m_root.m_shown = 0;
    m_heldParents.clear();
    m_freePlaces.clear();
    if (!keepBlocks)
        m_blocks.clear();
    m_blockInUse = 0;
    m_blockUsed = 0;
}

// ---- the collection ------------------------------------------------------------------

void TreeModel::fail(Error error, const QString &text)
{
    m_error = error;
    m_errorString = text;
}

void TreeModel::renumber(std::vector<TreeNode *> &siblings, size_t from)
{
    for (size_t i = from; i < siblings.size(); ++i)
        siblings[i]->m_row = int(i);
}

bool TreeModel::contains(const TreeNode *node) const
{
    if (!node || node == &m_root || node->m_removed)
        return false;
    while (node->m_parent)
        node = node->m_parent;
    return node == &m_root;
}

TreeNode *TreeModel::add(const QVariant &relative, int relationship, const QString &key, const QString &text,
                         const QVariant &image, const QVariant &selectedImage, const QVariant &expandedImage,
                         const QVariant &tag)
{
    fail(NoError, {});
    if (relationship < tvwFirst || relationship > tvwChild) {
        fail(InvalidRelationship, tr("invalid relationship %1").arg(relationship));
        return nullptr;
    }
    // In a large tree the key's slot is a miss to memory: it is fetched while the node is
    // made, and tested only then.
    const std::size_t keyHash = key.isEmpty() ? 0 : TreeKeyIndex::hashOf(key);
    if (!key.isEmpty())
        m_keys->fetch(keyHash);
    TreeNode *rel = nullptr;
    if (relative.isValid() && !relative.isNull()) {
        if (relative.typeId() == qMetaTypeId<TreeNode *>()) {
            rel = relative.value<TreeNode *>();
            if (!contains(rel)) {
                fail(RelativeNotFound, tr("the relative node is not in this tree"));
                return nullptr;
            }
        } else if (relative.typeId() == QMetaType::QString) {
            // A fill adds the children of one parent in a row: remember the last parent.
            const QString relativeKey = relative.toString();
            if (m_lastRelative && relativeKey == m_lastRelative->m_key) {
                rel = m_lastRelative;
            } else {
                rel = item(relativeKey);
                m_lastRelative = rel;
            }
            if (!rel) {
                fail(RelativeNotFound, tr("no node has the key \"%1\"").arg(relativeKey));
                return nullptr;
            }
        } else {
            bool ok = false;
            const int index = relative.toInt(&ok);
            rel = ok ? item(index) : nullptr;
            if (!rel) {
                fail(RelativeNotFound, tr("no node has the index %1").arg(relative.toString()));
                return nullptr;
            }
        }
    }
    TreeNode *parentNode = &m_root;
    size_t row = 0;
    if (!rel) {
        row = relationship == tvwFirst ? 0 : m_root.m_children.size();
    } else if (relationship == tvwChild) {
        parentNode = rel;
        row = rel->m_children.size();
    } else {
        parentNode = rel->m_parent;
        switch (relationship) {
        case tvwFirst: row = 0; break;
        case tvwLast: row = parentNode->m_children.size(); break;
        case tvwNext: row = size_t(rel->m_row) + 1; break;
        default: row = size_t(rel->m_row); break;   // tvwPrevious
        }
    }

    TreeNode *node = allocateNode();
    node->m_key = key;
    node->m_text = text;
    node->m_image = image;
    node->setStateImage(node->m_selectedIndex, &TreeNode::StateImages::selected, selectedImage);
    node->setStateImage(node->m_expandedIndex, &TreeNode::StateImages::expanded, expandedImage);
    node->m_tag = tag;
    node->m_parent = parentNode;
    node->m_position = int(m_nodes.size());
    // One probe both tests the key and reserves its slot.
    std::size_t slot = 0;
    if (!key.isEmpty()) {
        bool taken = false;
        slot = m_keys->prepare(key, keyHash, &taken);
        if (taken) {
            destroyNode(node);
            fail(KeyNotUnique, QStringLiteral("key is not unique"));
            return nullptr;
        }
    }

    auto &siblings = parentNode->m_children;
    if (m_holdAppends && row == siblings.size()) {
        if (parentNode->m_shown == int(siblings.size()))
            m_heldParents.push_back(parentNode);
        siblings.push_back(node);
        node->m_row = int(row);
        m_nodes.push_back(node);
        if (!key.isEmpty())
            m_keys->fill(slot, node);
        return node;
    }
    announceHeld();
    beginInsertRows(indexOf(parentNode), int(row), int(row));
    siblings.insert(siblings.begin() + std::ptrdiff_t(row), node);
    renumber(siblings, row);
    parentNode->m_shown = int(siblings.size());
    m_nodes.push_back(node);
    if (!key.isEmpty())
        m_keys->fill(slot, node);
    endInsertRows();
    return node;
}

void TreeModel::holdAppends(bool hold)
{
    m_holdAppends = hold;
    if (!hold)
        announceHeld();
}

void TreeModel::announceHeld() const
{
    if (m_heldParents.empty())
        return;
    auto *self = const_cast<TreeModel *>(this);
    std::vector<TreeNode *> parents;
    parents.swap(m_heldParents);
    // A parent held itself comes before its children: announced in order, each parent is
    // a model row by the time its children are told of.
    for (TreeNode *parent : parents) {
        const int first = parent->m_shown;
        const int last = int(parent->m_children.size()) - 1;
        if (last < first)
            continue;
        self->beginInsertRows(indexOf(parent), first, last);
        parent->m_shown = last + 1;
        self->endInsertRows();
    }
}

TreeNode *TreeModel::item(int index) const
{
    return index >= 1 && index <= count() ? m_nodes[size_t(index - 1)] : nullptr;
}

TreeNode *TreeModel::item(const QString &key) const
{
    return key.isEmpty() ? nullptr : m_keys->find(key);
}

bool TreeModel::remove(TreeNode *node)
{
    fail(NoError, {});
    if (!contains(node)) {
        fail(NodeNotFound, tr("the node is not in this tree"));
        return false;
    }
    announceHeld();
    emit nodeAboutToBeRemoved(node);
    m_lastRelative = nullptr;
    auto &siblings = node->m_parent->m_children;
    const int row = node->m_row;
    beginRemoveRows(indexOf(node->m_parent), row, row);
    siblings.erase(siblings.begin() + row);
    renumber(siblings, size_t(row));
    node->m_parent->m_shown = int(siblings.size());
    // Mark the subtree, without recursion: deep trees must not exhaust the stack.
    std::vector<TreeNode *> pending{node};
    while (!pending.empty()) {
        TreeNode *n = pending.back();
        pending.pop_back();
        n->m_removed = true;
        if (!n->m_key.isEmpty())
            m_keys->remove(n->m_key);
        pending.insert(pending.end(), n->m_children.begin(), n->m_children.end());
    }
    endRemoveRows();
    // Close up the Index order; the removed nodes are destroyed here.
    const auto isRemoved = [](const TreeNode *n) { return n->m_removed; };
    const auto firstRemoved = size_t(std::find_if(m_nodes.begin(), m_nodes.end(), isRemoved) - m_nodes.begin());
    const auto kept = std::stable_partition(m_nodes.begin() + std::ptrdiff_t(firstRemoved), m_nodes.end(),
                                            [&](const TreeNode *n) { return !isRemoved(n); });
    for (auto it = kept; it != m_nodes.end(); ++it)
        destroyNode(*it);
    m_nodes.erase(kept, m_nodes.end());
    for (size_t i = firstRemoved; i < m_nodes.size(); ++i)
        m_nodes[i]->m_position = int(i);
    return true;
}

void TreeModel::clear()
{
    fail(NoError, {});
    emit aboutToBeCleared();
    beginResetModel();
    m_keys->clear();
    m_lastRelative = nullptr;
    releaseAllNodes(true);
    endResetModel();
}

bool TreeModel::move(TreeNode *node, TreeNode *parent)
{
    fail(NoError, {});
    if (!contains(node) || (parent && !contains(parent))) {
        fail(NodeNotFound, tr("the node is not in this tree"));
        return false;
    }
    for (const TreeNode *up = parent; up; up = up->m_parent) {
        if (up == node) {
            fail(WouldCreateLoop, tr("a node cannot be moved under itself or its own descendant"));
            return false;
        }
    }
    announceHeld();
    TreeNode *newParent = parent ? parent : &m_root;
    auto &from = node->m_parent->m_children;
    auto &to = newParent->m_children;
    const int row = node->m_row;
    if (&from == &to && size_t(row) + 1 == from.size())
        return true;   // already the last child
    const int destination = int(to.size());
    beginMoveRows(indexOf(node->m_parent), row, row, indexOf(newParent), destination);
    from.erase(from.begin() + row);
    renumber(from, size_t(row));
    node->m_parent->m_shown = int(from.size());
    node->m_parent = newParent;
    to.push_back(node);
    node->m_row = int(to.size() - 1);
    newParent->m_shown = int(to.size());
    endMoveRows();
    return true;
}

// ---- changing a node -----------------------------------------------------------------

bool TreeModel::setKey(TreeNode *node, const QString &key)
{
    fail(NoError, {});
    if (node->m_key == key)
        return true;
    if (!key.isEmpty() && m_keys->find(key)) {
        fail(KeyNotUnique, QStringLiteral("key is not unique"));
        return false;
    }
    if (!node->m_key.isEmpty())
        m_keys->remove(node->m_key);
    m_lastRelative = nullptr;
    node->m_key = key;
    if (!key.isEmpty()) {
        bool taken = false;
        const std::size_t slot = m_keys->prepare(key, &taken);
        m_keys->fill(slot, node);
    }
    nodeChanged(node);
    return true;
}

template <typename T>
void TreeModel::assign(TreeNode *node, T TreeNode::*field, const T &value)
{
    if (!node || node->*field == value)
        return;
    node->*field = value;
    nodeChanged(node);
}

void TreeModel::setText(TreeNode *node, const QString &text) { assign(node, &TreeNode::m_text, text); }
void TreeModel::setTag(TreeNode *node, const QVariant &tag) { assign(node, &TreeNode::m_tag, tag); }
void TreeModel::setBold(TreeNode *node, bool bold) { assign(node, &TreeNode::m_bold, bold); }
void TreeModel::setChecked(TreeNode *node, bool checked) { assign(node, &TreeNode::m_checked, checked); }
void TreeModel::setCut(TreeNode *node, bool cut) { assign(node, &TreeNode::m_cut, cut); }
void TreeModel::setForeColor(TreeNode *node, const QColor &color)
{
    assign(node, &TreeNode::m_foreColor, color.isValid() ? color.rgba() : QRgb(0));
}

void TreeModel::setBackColor(TreeNode *node, const QColor &color)
{
    assign(node, &TreeNode::m_backColor, color.isValid() ? color.rgba() : QRgb(0));
}

void TreeModel::setImage(TreeNode *node, const QVariant &image) { assign(node, &TreeNode::m_image, image); }

void TreeModel::setSelectedImage(TreeNode *node, const QVariant &image)
{
    if (!node || node->selectedImage() == image)
        return;
    node->setStateImage(node->m_selectedIndex, &TreeNode::StateImages::selected, image);
    nodeChanged(node);
}

void TreeModel::setExpandedImage(TreeNode *node, const QVariant &image)
{
    if (!node || node->expandedImage() == image)
        return;
    node->setStateImage(node->m_expandedIndex, &TreeNode::StateImages::expanded, image);
    nodeChanged(node);
}

void TreeModel::setExpanded(TreeNode *node, bool expanded)
{
    if (!node || node->m_expanded == expanded)
        return;
    node->m_expanded = expanded;
    emit expandedChanged(node, expanded);
    if (node->expandedImage().isValid())
        nodeChanged(node);
}

void TreeModel::nodeChanged(TreeNode *node)
{
    // A held node is told of with its data, when it is announced.
    if (node->m_removed || !isAnnounced(node))
        return;
    const QModelIndex index = indexOf(node);
    emit dataChanged(index, index);
}

void TreeModel::setCheckboxes(bool on)
{
    if (m_checkboxes == on)
        return;
    m_checkboxes = on;
    if (!m_root.m_children.empty()) {
        beginResetModel();
        endResetModel();
    }
}

// ---- QAbstractItemModel --------------------------------------------------------------

QModelIndex TreeModel::indexOf(const TreeNode *node) const
{
    if (!node || node == &m_root || node->m_removed)
        return {};
    if (!isAnnounced(node))
        announceHeld();
    return createIndex(node->m_row, 0, const_cast<TreeNode *>(node));
}

TreeNode *TreeModel::nodeAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<TreeNode *>(index.internalPointer());
}

TreeNode *TreeModel::getItem(const QModelIndex &index) const
{
    TreeNode *node = nodeAt(index);
    return node ? node : &m_root;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || (parent.isValid() && parent.column() != 0))
        return {};
    const TreeNode *node = getItem(parent);
    TreeNode *child = row < node->m_shown ? node->childAt(row) : nullptr;
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex &child) const
{
    const TreeNode *node = nodeAt(child);
    return node ? indexOf(node->m_parent) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return getItem(parent)->m_shown;
}

int TreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool TreeModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    const TreeNode *node = nodeAt(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->m_text;
    case Qt::FontRole:
        if (node->m_bold) {
            // Only the weight is set: a view resolves the rest against its own font.
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        return node->m_foreColor ? QVariant(node->foreColor()) : QVariant();
    case Qt::BackgroundRole:
        return node->m_backColor ? QVariant(node->backColor()) : QVariant();
    case Qt::CheckStateRole:
        if (m_checkboxes)
            return node->m_checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case KeyRole:
        return node->m_key;
    case TagRole:
        return node->m_tag;
    case IndexRole:
        return node->index();
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex &index) const
{
    if (!nodeAt(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_checkboxes)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool TreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TreeNode *node = nodeAt(index);
    if (!node || role != Qt::CheckStateRole || !m_checkboxes)
        return false;
    setChecked(node, value.toInt() == Qt::Checked);
    return true;
}

QHash<int, QByteArray> TreeModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(KeyRole, QByteArrayLiteral("key"));
    names.insert(TagRole, QByteArrayLiteral("tag"));
    names.insert(IndexRole, QByteArrayLiteral("index"));
    return names;
}

} // namespace zeva
