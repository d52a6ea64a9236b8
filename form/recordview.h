#pragma once
// The record's controls as the product record and the selection fill them: one function
// puts a ProductRecord into the fields, one empties them, one writes the selection into
// the hidden labels. They touch only the controls; reading the database is the record
// display's job.

#include "formdesign.h"
#include "productrecord.h"
#include "selection.h"

namespace zeva {

// Every field, check mark and ABC option of `record`. Without a supplementary row the
// supplementary fields are left as they are.
void showRecord(FormControls &controls, const ProductRecord &record);

// What the controls hold now: every field's text and key value, the check marks and the ABC
// option ("" when none is chosen). The IDs are the caller's: they never come from a widget.
ProductRecord readRecord(const FormControls &controls);

// ClearFields: the three check marks off, the BOM and routing marks hidden, every text box
// empty and every coded box at key 0, the picture and its state cleared.
void clearRecord(FormControls &controls);

// clearRecord then showRecord, with every field given its final value once (laying a text box
// out is what showing a record spends its time on).
void replaceRecord(FormControls &controls, const ProductRecord &record);

// lbl(0), lbl(1), lbl(2) and lbl(4) from the selection.
void showSelectionLabels(FormControls &controls, const Selection &selection);

} // namespace zeva
