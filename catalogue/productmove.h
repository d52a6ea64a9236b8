#pragma once
// Moving a product to another category by dragging its node onto the category, or onto a
// product of it. Refused, with the reason, for the root, a category, a drop on the root or on
// its own category, and a category that has subcategories; otherwise asked for, then the
// tree changes and the product's category is written.
//
// Raises, through `events`: ErrMessage level 4 for the root and a category dragged, Message
// for a drop on the root or the own category, and ErrMessage "移动产品时出错，原因：…"
// (level 8, title "产品目录") when the update fails; the node then goes back where it was,
// so the tree never disagrees with the database unannounced.

#include <memory>

class QWidget;

namespace zeva {

class DesktopServices;
class FieldFocus;
class FormControl;
class HostDatabase;
class TreeNode;
class ValueConverter;
class cTreeView;

struct ProductMove {
    FormControl &events;
    DesktopServices &desktop;
    FieldFocus *focus;             // ShowMessage and SetFocusTo; may be null
    ValueConverter *converter;     // MidText; may be null (plain text is taken then)
    std::shared_ptr<HostDatabase> db;
    cTreeView &tree;
    QWidget *form;                 // takes the focus after a refusal of the user's
};

// MoveProductNode: the dragged node `source` dropped on `target`. True once the user agreed
// (also when nothing had to move); false for a refusal or a failed update.
bool MoveProductNode(const ProductMove &move, TreeNode *source, TreeNode *target);

} // namespace zeva
