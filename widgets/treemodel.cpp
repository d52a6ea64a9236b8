#include "treemodel.h"

#include "treecontrol.h"
#include "treeimagelist.h"
#include "treekeyindex_p.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <new>

namespace zeva {

// ---- TreeNode ------------------------------------------------------------------------

bool TreeNode::setKey(const QString &key)
{
    return m_model->setKey(this, key);
}

void TreeNode::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    changed();
}

bool TreeNode::setParent(TreeNode *parent)
{
    return m_model->move(this, parent);
}

TreeNode *TreeNode::childAt(int row) const
{
    return row >= 0 && row < children() ? m_children[size_t(row)] : nullptr;
}

TreeNode *TreeNode::firstSibling() const
{
    return m_model->siblingsOf(m_parent).front();
}

TreeNode *TreeNode::lastSibling() const
{
    return m_model->siblingsOf(m_parent).back();
}

TreeNode *TreeNode::next() const
{
    const auto &siblings = m_model->siblingsOf(m_parent);
    return size_t(m_row + 1) < siblings.size() ? siblings[size_t(m_row + 1)] : nullptr;
}

TreeNode *TreeNode::previous() const
{
    return m_row > 0 ? m_model->siblingsOf(m_parent)[size_t(m_row - 1)] : nullptr;
}

TreeNode *TreeNode::root() const
{
    const TreeNode *node = this;
    while (node->m_parent)
        node = node->m_parent;
    return const_cast<TreeNode *>(node);
}

QString TreeNode::fullPath() const
{
    QString path = m_text;
    for (const TreeNode *node = m_parent; node; node = node->m_parent)
        path = node->m_text + m_model->pathSeparator() + path;
    return path;
}

void TreeNode::setExpanded(bool expanded)
{
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    m_model->m_control->expandByCode(this, expanded);
    if (m_expandedImage.isValid())
        changed();
}

bool TreeNode::selected() const
{
    return m_model->m_control->selectedItem() == this;
}

void TreeNode::setSelected(bool selected)
{
    TreeControl *tree = m_model->m_control;
    if (selected)
        tree->setSelectedItem(this);
    else if (tree->selectedItem() == this)
        tree->setSelectedItem(nullptr);
}

void TreeNode::setBold(bool bold)
{
    if (m_bold != bold) {
        m_bold = bold;
        changed();
    }
}

void TreeNode::setChecked(bool checked)
{
    if (m_checked != checked) {
        m_checked = checked;
        changed();
    }
}

void TreeNode::setCut(bool cut)
{
    if (m_cut != cut) {
        m_cut = cut;
        changed();
    }
}

void TreeNode::setForeColor(const QColor &color)
{
    if (m_foreColor != color) {
        m_foreColor = color;
        changed();
    }
}

void TreeNode::setBackColor(const QColor &color)
{
    if (m_backColor != color) {
        m_backColor = color;
        changed();
    }
}

void TreeNode::setImage(const QVariant &image)
{
    m_image = image;
    changed();
}

void TreeNode::setSelectedImage(const QVariant &image)
{
    m_selectedImage = image;
    changed();
}

void TreeNode::setExpandedImage(const QVariant &image)
{
    if (m_expandedImage == image)
        return;
    m_expandedImage = image;
    changed();
}

void TreeNode::ensureVisible()
{
    m_model->m_control->ensureVisible(this);
}

QPixmap TreeNode::createDragImage() const
{
    const TreeControl *tree = m_model->m_control;
    QFont font = tree->font();
    font.setBold(m_bold);
    const QFontMetrics metrics(font);
    const QIcon icon = m_model->data(m_model->indexOf(this), Qt::DecorationRole).value<QIcon>();
    const QSize iconSize = icon.isNull() ? QSize(0, 0) : tree->iconSize();
    const int gap = icon.isNull() ? 0 : 3;
    const int width = iconSize.width() + gap + metrics.horizontalAdvance(m_text) + 4;
    const int height = std::max(iconSize.height(), metrics.height()) + 2;
    QPixmap picture(std::max(width, 1), std::max(height, 1));
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (!icon.isNull())
        icon.paint(&painter, QRect(QPoint(0, (height - iconSize.height()) / 2), iconSize));
    painter.setFont(font);
    painter.setPen(tree->palette().color(QPalette::Text));
    painter.drawText(QRect(iconSize.width() + gap, 0, width, height), Qt::AlignVCenter | Qt::AlignLeft, m_text);
    return picture;
}

TreeControl *TreeNode::treeView() const
{
    return m_model->m_control;
}

void TreeNode::changed()
{
    m_model->nodeChanged(this);
}

// ---- TreeModel -----------------------------------------------------------------------

TreeModel::TreeModel(TreeControl *control, QObject *parent)
    : QAbstractItemModel(parent), m_control(control),
      m_keys(std::make_unique<TreeKeyIndex>([](const TreeNode *node) -> const QString & { return node->m_key; }))
{
}

TreeModel::~TreeModel()
{
    releaseAllNodes();
}

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
        if (m_blocks.empty() || m_blockUsed == kNodesPerBlock) {
            m_blocks.push_back(std::make_unique<std::byte[]>(sizeof(TreeNode) * kNodesPerBlock));
            m_blockUsed = 0;
        }
        place = m_blocks.back().get() + sizeof(TreeNode) * m_blockUsed++;
    }
    return new (place) TreeNode(this);
}

void TreeModel::destroyNode(TreeNode *node)
{
    node->~TreeNode();
    m_freePlaces.push_back(node);
}

void TreeModel::releaseAllNodes()
{
    for (TreeNode *node : m_nodes)
        node->~TreeNode();
    m_nodes.clear();
    m_freePlaces.clear();
    m_blocks.clear();
    m_blockUsed = 0;
}

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

TreeNode *TreeModel::add(const QVariant &relative, int relationship, const QString &key, const QString &text,
                         const QVariant &image, const QVariant &selectedImage, const QVariant &expandedImage)
{
    fail(NoError, {});
    if (relationship < tvwFirst || relationship > tvwChild) {
        fail(InvalidRelationship, tr("invalid relationship %1").arg(relationship));
        return nullptr;
    }
    TreeNode *rel = nullptr;
    if (relative.isValid() && !relative.isNull()) {
        if (relative.canConvert<TreeNode *>() && relative.typeId() == qMetaTypeId<TreeNode *>()) {
            rel = relative.value<TreeNode *>();
            if (rel && (rel->m_model != this || rel->m_removed))
                rel = nullptr;
            if (!rel) {
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
                fail(RelativeNotFound, tr("no node has the key \"%1\"").arg(relative.toString()));
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
    // One hash operation both tests the key and reserves its slot.
    std::size_t slot = 0;
    if (!key.isEmpty()) {
        bool taken = false;
        slot = m_keys->prepare(key, &taken);
        if (taken) {
            fail(KeyNotUnique, QStringLiteral("key is not unique"));
            return nullptr;
        }
    }

    TreeNode *parentNode = nullptr;
    size_t row = 0;
    if (!rel) {
        row = relationship == tvwFirst ? 0 : m_topLevel.size();
    } else if (relationship == tvwChild) {
        parentNode = rel;
        row = rel->m_children.size();
    } else {
        parentNode = rel->m_parent;
        switch (relationship) {
        case tvwFirst: row = 0; break;
        case tvwLast: row = siblingsOf(parentNode).size(); break;
        case tvwNext: row = size_t(rel->m_row) + 1; break;
        default: row = size_t(rel->m_row); break;   // tvwPrevious
        }
    }

    TreeNode *node = allocateNode();
    node->m_key = key;
    node->m_text = text;
    node->m_image = image;
    node->m_selectedImage = selectedImage;
    node->m_expandedImage = expandedImage;
    node->m_parent = parentNode;
    node->m_position = int(m_nodes.size());

    auto &siblings = siblingsOf(parentNode);
    beginInsertRows(indexOf(parentNode), int(row), int(row));
    siblings.insert(siblings.begin() + std::ptrdiff_t(row), node);
    renumber(siblings, row);
    m_nodes.push_back(node);
    if (!key.isEmpty())
        m_keys->fill(slot, node);
    endInsertRows();
    return node;
}

TreeNode *TreeModel::item(int index) const
{
    return index >= 1 && index <= count() ? m_nodes[size_t(index - 1)] : nullptr;
}

TreeNode *TreeModel::item(const QString &key) const
{
    return key.isEmpty() ? nullptr : m_keys->find(key);
}

TreeNode *TreeModel::topLevelAt(int row) const
{
    return row >= 0 && size_t(row) < m_topLevel.size() ? m_topLevel[size_t(row)] : nullptr;
}

bool TreeModel::remove(TreeNode *node)
{
    fail(NoError, {});
    if (!node || node->m_model != this || node->m_removed) {
        fail(NodeNotFound, tr("the node is not in this tree"));
        return false;
    }
    m_control->aboutToRemove(node);
    m_lastRelative = nullptr;
    auto &siblings = siblingsOf(node->m_parent);
    const int row = node->m_row;
    beginRemoveRows(indexOf(node->m_parent), row, row);
    siblings.erase(siblings.begin() + row);
    renumber(siblings, size_t(row));
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
    m_control->aboutToClear();
    beginResetModel();
    m_selected = nullptr;
    m_drop = nullptr;
    m_keys->clear();
    m_lastRelative = nullptr;
    m_topLevel.clear();
    releaseAllNodes();
    endResetModel();
}

bool TreeModel::move(TreeNode *node, TreeNode *newParent)
{
    fail(NoError, {});
    if (!node || node->m_removed || (newParent && (newParent->m_model != this || newParent->m_removed))) {
        fail(NodeNotFound, tr("the node is not in this tree"));
        return false;
    }
    for (const TreeNode *up = newParent; up; up = up->m_parent) {
        if (up == node) {
            fail(WouldCreateLoop, tr("a node cannot be moved under itself or its own descendant"));
            return false;
        }
    }
    auto &from = siblingsOf(node->m_parent);
    auto &to = siblingsOf(newParent);
    const int row = node->m_row;
    if (&from == &to && size_t(row) + 1 == from.size())
        return true;   // already the last child
    const int destination = int(to.size());
    beginMoveRows(indexOf(node->m_parent), row, row, indexOf(newParent), destination);
    from.erase(from.begin() + row);
    renumber(from, size_t(row));
    node->m_parent = newParent;
    to.push_back(node);
    node->m_row = int(to.size() - 1);
    endMoveRows();
    return true;
}

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
    return true;
}

void TreeModel::nodeChanged(TreeNode *node)
{
    if (!node || node->m_removed)
        return;
    const QModelIndex index = indexOf(node);
    emit dataChanged(index, index);
}

void TreeModel::setSelectedNode(TreeNode *node)
{
    TreeNode *old = m_selected;
    m_selected = node;
    if (m_control && m_control->isRepaintSuspended()) {
        // A bulk fill selects every node it adds: nothing is drawn meanwhile, so only the
        // node selected before and the one selected at the end need announcing.
        if (!m_selectionDeferred) {
            m_selectionDeferred = true;
            m_selectedBeforeDeferral = old ? indexOf(old) : QModelIndex();
        }
        return;
    }
    // Only a node with a selected image looks different when selected.
    if (old && old != node && old->m_selectedImage.isValid())
        nodeChanged(old);
    if (node && node != old && node->m_selectedImage.isValid())
        nodeChanged(node);
}

void TreeModel::flushSelectionChange()
{
    if (!m_selectionDeferred)
        return;
    m_selectionDeferred = false;
    const QModelIndex before = m_selectedBeforeDeferral;
    m_selectedBeforeDeferral = QPersistentModelIndex();
    TreeNode *old = nodeAt(before);
    if (old && old != m_selected && old->m_selectedImage.isValid())
        nodeChanged(old);
    if (m_selected && m_selected != old && m_selected->m_selectedImage.isValid())
        nodeChanged(m_selected);
}

void TreeModel::setDropNode(TreeNode *node)
{
    TreeNode *old = m_drop;
    m_drop = node;
    if (old && old != node)
        nodeChanged(old);
    if (node && node != old)
        nodeChanged(node);
}

void TreeModel::setCheckboxes(bool on)
{
    if (m_checkboxes == on)
        return;
    m_checkboxes = on;
    if (!m_topLevel.empty()) {
        beginResetModel();
        endResetModel();
    }
}

QModelIndex TreeModel::indexOf(const TreeNode *node) const
{
    if (!node || node->m_removed)
        return {};
    return createIndex(node->m_row, 0, const_cast<TreeNode *>(node));
}

TreeNode *TreeModel::nodeAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<TreeNode *>(index.internalPointer());
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0 || (parent.isValid() && parent.column() != 0))
        return {};
    const TreeNode *parentNode = nodeAt(parent);
    const auto &siblings = parentNode ? parentNode->m_children : m_topLevel;
    if (size_t(row) >= siblings.size())
        return {};
    return createIndex(row, 0, siblings[size_t(row)]);
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
    const TreeNode *node = nodeAt(parent);
    return int(node ? node->m_children.size() : m_topLevel.size());
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
    case Qt::DecorationRole: {
        const TreeImageList *images = m_control->imageList();
        if (!images)
            return {};
        QVariant image = node->m_image;
        if (node == m_selected && node->m_selectedImage.isValid())
            image = node->m_selectedImage;
        else if (node->m_expanded && node->m_expandedImage.isValid())
            image = node->m_expandedImage;
        const QIcon icon = images->icon(image);
        if (icon.isNull())
            return {};
        if (node->m_cut) {
            // A pending cut is drawn ghosted.
            const QSize size = images->imageSize();
            return QIcon(icon.pixmap(size, QIcon::Disabled));
        }
        return icon;
    }
    case Qt::FontRole:
        if (node->m_bold) {
            QFont font = m_control->font();
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        if (node == m_drop)
            return m_control->palette().color(QPalette::HighlightedText);
        if (node->m_cut)
            return m_control->palette().color(QPalette::Disabled, QPalette::Text);
        return node->m_foreColor.isValid() ? QVariant(node->m_foreColor) : QVariant();
    case Qt::BackgroundRole:
        if (node == m_drop)
            return m_control->palette().color(QPalette::Highlight);
        return node->m_backColor.isValid() ? QVariant(node->m_backColor) : QVariant();
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
    node->setChecked(value.toInt() == Qt::Checked);
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
