#pragma once
// Cansave: the checks a product passes before it is written, in a fixed order, stopping at
// the first failure with its message (information icon, title "提示：") and the focus on
// the offending field. First an invalid coded field (its box has shown its own message),
// then the code (present, trimmed back into its box, free of Chinese characters when
// `bmcannotchinese` is 1), the name, the stock unit, the mnemonic's 16 characters, and
// last the duplicates in pdmzeva: the code always, the name when `zevanameuniquely` is 1,
// a non-empty drawing number when `drawNO` is 0. The host parameters are read only when
// their check is reached. A failing query raises ErrMessage "Cansave中出错，原因：…".

#include "formdesign.h"

namespace zeva {

class DesktopServices;
class FieldFocus;
class FormControl;
class HostDatabase;
class HostSystem;

struct SaveValidation {
    FormControls &controls;
    DesktopServices &desktop;
    FieldFocus *focus;      // may be null: no focus is moved
    HostSystem &system;
    HostDatabase &db;
    FormControl &events;    // raises ErrMessage
    int recordId;           // 产品ID of the record being edited; 0 for a new one
};

bool Cansave(const SaveValidation &check);

} // namespace zeva
