#pragma once
// One node of a tree: its key, text, tag, place in the tree and its look, as plain data.
// Nodes are made, changed and removed only through their collection (TreeModel), which
// tells the views; a node knows neither its model nor any view. A pointer stays valid
// until the node is removed or the tree cleared, which the collection announces
// (TreeModel::nodeAboutToBeRemoved, TreeModel::aboutToBeCleared).

#include <QColor>
#include <QString>
#include <QVariant>

#include <limits>
#include <memory>
#include <vector>

namespace zeva {

class TreeNode {
public:
    TreeNode(const TreeNode &) = delete;
    TreeNode &operator=(const TreeNode &) = delete;

    // Unique within the tree (case-sensitive); empty for a node without a key.
    const QString &key() const { return m_key; }
    const QString &text() const { return m_text; }
    const QVariant &tag() const { return m_tag; }

    // Place in the node collection, from 1, in the order of adding; later nodes close up
    // when one is removed.
    int index() const { return m_position + 1; }

    // nullptr for a top-level node.
    TreeNode *parent() const { return isTopLevel() ? nullptr : m_parent; }
    TreeNode *child() const { return m_children.empty() ? nullptr : m_children.front(); }
    int children() const { return int(m_children.size()); }
    TreeNode *childAt(int row) const
    {
        return row >= 0 && row < children() ? m_children[size_t(row)] : nullptr;
    }
    TreeNode *firstSibling() const { return m_parent->m_children.front(); }
    TreeNode *lastSibling() const { return m_parent->m_children.back(); }
    TreeNode *next() const { return m_parent->childAt(m_row + 1); }
    TreeNode *previous() const { return m_parent->childAt(m_row - 1); }
    // The top-level ancestor (the node itself when it is top-level).
    TreeNode *root() const
    {
        const TreeNode *node = this;
        while (!node->isTopLevel())
            node = node->m_parent;
        return const_cast<TreeNode *>(node);
    }
    // Texts from the top-level ancestor down, joined by "\".
    QString fullPath() const
    {
        QString path = m_text;
        for (const TreeNode *node = parent(); node; node = node->parent())
            path = node->m_text + u'\\' + path;
        return path;
    }
    // Position among its siblings, from 0.
    int row() const { return m_row; }

    bool expanded() const { return m_expanded; }
    bool bold() const { return m_bold; }
    bool checked() const { return m_checked; }
    // Drawn ghosted, as a node waiting to be cut and pasted.
    bool cut() const { return m_cut; }
    // An invalid colour draws with the palette's window text / base colour. Colours are
    // kept as their RGBA value, so a fully transparent one reads back as none.
    QColor foreColor() const { return colorOf(m_foreColor); }
    QColor backColor() const { return colorOf(m_backColor); }
    // Images are indices (from 1) or keys into the tree's image list; an invalid
    // variant means none.
    const QVariant &image() const { return m_image; }
    QVariant selectedImage() const { return stateImage(m_selectedIndex, &StateImages::selected); }
    QVariant expandedImage() const { return stateImage(m_expandedIndex, &StateImages::expanded); }

private:
    friend class TreeModel;
    TreeNode() = default;
    // The model's invisible root holds the top-level nodes; it is the only node
    // without a parent.
    bool isTopLevel() const { return !m_parent || !m_parent->m_parent; }
    static QColor colorOf(QRgb rgba) { return rgba ? QColor::fromRgba(rgba) : QColor(); }

    // The selected and expanded states' images are nearly always indices: those are kept
    // inline, and only an image given otherwise (by key) lives apart, so that a node of a
    // large tree stays small.
    struct StateImages {
        QVariant selected;
        QVariant expanded;
    };
    static constexpr qint32 kNoImage = std::numeric_limits<qint32>::min();
    static constexpr qint32 kImageApart = kNoImage + 1;
    QVariant stateImage(qint32 index, QVariant StateImages::*apart) const
    {
        if (index == kNoImage)
            return {};
        if (index == kImageApart)
            return m_stateImages.get()->*apart;
        return index;
    }
    void setStateImage(qint32 &index, QVariant StateImages::*apart, const QVariant &image)
    {
        bool whole = image.typeId() == QMetaType::Int;
        const qint32 value = whole ? image.toInt() : 0;
        whole = whole && value != kNoImage && value != kImageApart;
        if (!image.isValid() || whole) {
            index = image.isValid() ? value : kNoImage;
            return;
        }
        if (!m_stateImages)
            m_stateImages = std::make_unique<StateImages>();
        m_stateImages.get()->*apart = image;
        index = kImageApart;
    }

    TreeNode *m_parent = nullptr;
    std::vector<TreeNode *> m_children;
    int m_shown = 0;     // children the views have been told of (the rest are held appends)
    int m_row = 0;
    int m_position = 0;
    QString m_key;
    QString m_text;
    QVariant m_tag;
    QVariant m_image;
    std::unique_ptr<StateImages> m_stateImages;   // made for an image that is not an index
    qint32 m_selectedIndex = kNoImage;
    qint32 m_expandedIndex = kNoImage;
    QRgb m_foreColor = 0;   // 0: none
    QRgb m_backColor = 0;
    bool m_expanded = false;
    bool m_bold = false;
    bool m_checked = false;
    bool m_cut = false;
    bool m_removed = false;
};

} // namespace zeva

Q_DECLARE_METATYPE(zeva::TreeNode *)
