#pragma once
// One node of a TreeControl: key, text, tag, place in the tree and its look. Nodes are
// made only by the tree's node collection (TreeModel::add) and belong to it; a pointer
// stays valid until the node is removed or the tree cleared, which the tree announces
// (TreeControl::nodeAboutToBeRemoved, TreeControl::nodesCleared).
//
// Setters that change what is shown update the view; Expanded, Selected and
// ensureVisible() act as code, never as the user, so they raise no user event.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QVariant>

#include <vector>

namespace zeva {

class TreeModel;
class TreeControl;

class TreeNode {
public:
    TreeNode(const TreeNode &) = delete;
    TreeNode &operator=(const TreeNode &) = delete;

    // Unique within the tree (case-sensitive); empty for a node without a key.
    QString key() const { return m_key; }
    // false (and nothing changes) when another node holds the key.
    bool setKey(const QString &key);
    QString text() const { return m_text; }
    void setText(const QString &text);
    QVariant tag() const { return m_tag; }
    void setTag(const QVariant &tag) { m_tag = tag; }

    // Place in the node collection, from 1, in the order of adding; later nodes close up
    // when one is removed.
    int index() const { return m_position + 1; }

    TreeNode *parent() const { return m_parent; }
    // Moves the node with its subtree under `parent` as its last child (nullptr: the
    // last top-level node). false, with the tree's error set, when `parent` is the node
    // itself or one of its descendants.
    bool setParent(TreeNode *parent);
    TreeNode *child() const { return m_children.empty() ? nullptr : m_children.front(); }
    int children() const { return int(m_children.size()); }
    TreeNode *childAt(int row) const;
    TreeNode *firstSibling() const;
    TreeNode *lastSibling() const;
    TreeNode *next() const;
    TreeNode *previous() const;
    // The top-level ancestor (the node itself when it is top-level).
    TreeNode *root() const;
    // Texts from the top-level ancestor down, joined by the tree's path separator.
    QString fullPath() const;
    // Position among its siblings, from 0.
    int row() const { return m_row; }

    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    // Whether this is the tree's SelectedItem. Setting true selects it; setting false on
    // the selected node leaves the tree with no selection.
    bool selected() const;
    void setSelected(bool selected);
    bool bold() const { return m_bold; }
    void setBold(bool bold);
    bool checked() const { return m_checked; }
    void setChecked(bool checked);
    // Drawn ghosted, as a node waiting to be cut and pasted.
    bool cut() const { return m_cut; }
    void setCut(bool cut);
    // An invalid colour draws with the palette's window text / base colour.
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor &color);
    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor &color);
    // Images are indices (from 1) or keys into the tree's image list; an invalid
    // variant means none.
    QVariant image() const { return m_image; }
    void setImage(const QVariant &image);
    QVariant selectedImage() const { return m_selectedImage; }
    void setSelectedImage(const QVariant &image);
    QVariant expandedImage() const { return m_expandedImage; }
    void setExpandedImage(const QVariant &image);

    // Expands the ancestors and scrolls the least amount that brings the node into view.
    // While the tree's repaint is suspended this is deferred (TreeControl::setRedraw).
    void ensureVisible();
    // A picture of the node (image and text) for use as the drag cursor.
    QPixmap createDragImage() const;

    TreeControl *treeView() const;

private:
    friend class TreeModel;
    friend class TreeControl;
    explicit TreeNode(TreeModel *model) : m_model(model) {}
    void changed();

    TreeModel *m_model;
    TreeNode *m_parent = nullptr;
    std::vector<TreeNode *> m_children;
    int m_row = 0;
    int m_position = 0;
    QString m_key;
    QString m_text;
    QVariant m_tag;
    QVariant m_image;
    QVariant m_selectedImage;
    QVariant m_expandedImage;
    QColor m_foreColor;
    QColor m_backColor;
    bool m_expanded = false;
    bool m_bold = false;
    bool m_checked = false;
    bool m_cut = false;
    bool m_removed = false;
};

} // namespace zeva

Q_DECLARE_METATYPE(zeva::TreeNode *)
