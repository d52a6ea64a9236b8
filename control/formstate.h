#pragma once
// The drawing control's state: the host objects it holds, what it read at Init, the
// controls of its design, the tree helper and the selection. One instance per control,
// owned by it; the routines beneath the control get only the parts they need.

#include "formconfig.h"
#include "formdesign.h"
#include "hostservices.h"
#include "hostsystem.h"
#include "layoutrecorder.h"
#include "selection.h"

#include <memory>

namespace zeva {

class TreeImageList;
class cTreeView;

struct FormState {
    HostServices *services = nullptr;

    std::shared_ptr<HostSystem> pcSystem;
    std::unique_ptr<KeyAllocator> keyAllocator;
    std::unique_ptr<FieldFocus> fieldFocus;
    std::unique_ptr<ValueConverter> valueConverter;
    std::unique_ptr<CodeRule> codeRule;

    FormConfig config;
    int currentProductId = 0;          // the product shown, or the selected category's ID
    Selection selection;
    bool newRecord = false;            // the record on the form is a new one, not yet saved
    QString m_FindText;                // the last Find's text as typed; Find next reuses it
    QString pictureFolder;             // the folder of the last chosen picture
    bool setupDone = false;
    bool busy = false;                 // a tree load is letting events run
    bool clearRequested = false;       // the host's Clear arrived during a load

    FormControls controls;
    std::unique_ptr<LayoutRecorder> layout;   // the controls in proportion to the form's size
    std::unique_ptr<cTreeView> m_Tv;
    TreeImageList *images = nullptr;   // owned by the form

    DesktopServices &desktop() const { return services->desktop(); }
    // The session's database, fetched afresh for every use; null once the host let go.
    std::shared_ptr<HostDatabase> database() const { return pcSystem ? pcSystem->Database() : nullptr; }
};

} // namespace zeva
