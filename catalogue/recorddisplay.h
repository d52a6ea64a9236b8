#pragma once
// The record display: what the form shows when a node of the tree is selected. A
// product fills every field from vtPDMZEVA and PDMZEVAB with its looked-up names, its
// BOM and routing marks, and raises the host's Property events for its IDs.

namespace zeva {

struct FormState;
class TreeNode;

// The tree helper's Selected event (m_Tv_Selected).
void showSelection(FormState &state, TreeNode *node);
// Fills the record of one product; an unknown ID leaves the fields empty.
void ShowRecord(FormState &state, int productId);
// Empties the record: text boxes, coded boxes (key 0), check marks and the picture.
void ClearFields(FormState &state);

} // namespace zeva
