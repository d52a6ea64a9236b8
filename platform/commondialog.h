#pragma once
// The open and save file dialogs with the inputs and outputs the form's callers pass: a
// request goes in, and the same record comes back holding the choice — the path, its file
// name, the chosen filter entry and index, and the flags — or cleared on cancel.

#include "desktopservices.h"
#include "zevaplatform_export.h"

#include <QString>

namespace zeva {

struct FileDialogArgs {
    QString fileName;            // in: the proposed name; out: the chosen path
    QString fileTitle;           // in: a caption for the name; out: the chosen file's name
    QString filter;              // in: "A|*.a|B|*.b"; out: the chosen entry, "B" NUL "*.b"
    int filterIndex = 1;         // in/out, from 1
    QString initialFolder;
    QString title;
    QString defaultExtension;
    bool mustExist = false;      // open
    bool multiSelect = false;    // open
    bool readOnly = false;       // open
    bool hideReadOnly = false;   // open
    bool overwritePrompt = false;   // save
    int flags = 0;               // in: extra flags; out: the flags the dialog ran with
};

// The dialog flags' numbers.
enum FileDialogFlag : int {
    kReadOnly = 1, kOverwritePrompt = 2, kHideReadOnly = 4, kEnableHook = 32, kEnableTemplate = 64,
    kAllowMultiSelect = 512, kFileMustExist = 4096,
};

// True when the user chose a file. On cancel the outputs are cleared: names and filter
// "", flags 0, and the filter index -1 (open) or 0 (save).
ZEVA_PLATFORM_EXPORT bool ShowOpen(DesktopServices &desktop, FileDialogArgs &args);
ZEVA_PLATFORM_EXPORT bool ShowSave(DesktopServices &desktop, FileDialogArgs &args);

// "A|*.a|B:x|*.b" as the dialog record holds it: every "|" and ":" a NUL, two NULs after.
ZEVA_PLATFORM_EXPORT QString dialogFilterText(const QString &filter);
// The index-th (from 1) description-and-pattern pair of a converted filter ("B" NUL "*.b");
// "" for an empty filter or an index past its end.
ZEVA_PLATFORM_EXPORT QString FilterEntry(const QString &converted, int index);

} // namespace zeva
