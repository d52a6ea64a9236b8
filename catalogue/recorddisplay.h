#pragma once
// The record display: what the form shows when a node of the tree is selected. A
// product's record is read from vtPDMZEVA and PDMZEVAB with its looked-up names and
// shown, with its BOM and routing marks.
//
// Needs: the record's controls, the session's database and the host's value converter.
// Raises, through `events`: Property ("产品ID", "BomID", "工艺ID") and ErrMessage.

#include "formdesign.h"
#include "productrecord.h"
#include "selection.h"

#include <functional>
#include <memory>

namespace zeva {

class FormControl;
class HostDatabase;
class TreeNode;
class ValueConverter;

struct RecordDisplay {
    FormControls &controls;
    FormControl &events;
    Selection &selection;
    int &currentProductId;               // the form's current product ID (a category's ID while one is selected)
    ValueConverter *converter;           // null before Init and after Clear
    std::shared_ptr<HostDatabase> db;    // null without a host
    std::function<void()> loadShownPage; // loads the picture or drawing page when one is shown
};

// Reads a product with the record display's statements, in their order: the view row
// with the source and supplier names, then the supplementary row with the purchase mode
// and salesman names. The first failing statement ends the reading with its text.
struct RecordRead {
    enum Status { Found, Missing, Failed };
    Status status = Missing;
    QString error;            // the driver's text when Failed
    ProductRecord record;     // complete when Found
};
RecordRead readProduct(HostDatabase &db, int productId);

// The tree helper's Selected event (m_Tv_Selected).
void showSelection(RecordDisplay &display, TreeNode *node);
// Clears the fields and fills the record of one product (ShowRecord); an unknown ID leaves
// them empty.
void showProduct(RecordDisplay &display, int productId);

} // namespace zeva
