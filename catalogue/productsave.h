#pragma once
// Saving the product on the form (the host's save command), in two parts around the
// picture step: writeProduct validates and writes the rows — the product (insert with a
// new key, or update), its supplementary row, the supplier price when the form's switches
// ask for it — and showSavedProduct brings the tree up to date and shows the record again.
// The statements are independent: a failing one leaves the earlier ones written.
//
// Raises, through `events`: ErrMessage "数据库操作错误，原因：…" (level 9) for the product
// and price statements, "保存到附表时出错,原因：…" (level 9) for the supplementary insert,
// "没有选中对象" (level 8) when an existing product has no selected node; the messages of
// the validation.

#include "formdesign.h"
#include "selection.h"

#include <memory>

namespace zeva {

class DesktopServices;
class FieldFocus;
class FormControl;
class HostDatabase;
class HostSystem;
class KeyAllocator;
class cTreeView;

struct ProductSave {
    FormControls &controls;
    FormControl &events;
    DesktopServices &desktop;
    FieldFocus *focus;
    HostSystem &system;
    std::shared_ptr<HostDatabase> db;
    KeyAllocator &keys;
    cTreeView &tree;
    const Selection &selection;
    int &currentProductId;   // a new product's key once allocated, also when a later step fails
    bool isNew;              // the record on the form has no row yet
};

// A failure no statement reports (a key that cannot be allocated, a node that cannot be
// added); the caller reports it as an unexpected failure of the save.
struct SaveFailure {
    QString description;
};

// Validation, then the rows. False when validation refused or a statement failed (reported).
bool writeProduct(ProductSave &save);

// The saved product in the tree: a new node beside or below the selection, or the selected
// node's new text; then the selection shown again. Throws SaveFailure.
void showSavedProduct(ProductSave &save);

} // namespace zeva
