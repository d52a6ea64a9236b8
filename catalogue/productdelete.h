#pragma once
// Deleting the selected product (the host's delete command): refused for no selection, a
// category or the root; then a question for each use the product still has (its own bill of
// materials, a place in another's, the stock ledger), each forced deletion logged at once
// with the user's name; a last question naming the node; and one transaction around the four
// deletions (supplier prices, pictures, supplementary row, product), each reported with the
// rows it removed, all rolled back at the first that fails. Drawings are kept.
//
// Raises, through `events`: ErrMessage level 1 for the log and success lines (title the
// application title) and for a failing deletion (title "产品目录"); ErrMessage
// "删除时出错，请检查,原因:…" level 8 for a failure of anything else.

#include "formdesign.h"
#include "selection.h"

#include <memory>

namespace zeva {

class DesktopServices;
class FormControl;
class HostDatabase;
class HostSystem;
class cTreeView;

struct ProductDelete {
    FormControl &events;
    DesktopServices &desktop;
    HostSystem &system;
    std::shared_ptr<HostDatabase> db;
    cTreeView &tree;
    const Selection &selection;
};

// True only when all four deletions were committed and the node removed from the tree (the
// record of the node selected next is then shown).
bool deleteProduct(const ProductDelete &d);

} // namespace zeva
