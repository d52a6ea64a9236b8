#pragma once
// The drawing control's state, shared by its routines in form/, catalogue/ and
// documents/: the host objects it holds, what it read at start, the controls of its
// design and the tree helper. One instance per control, owned by it.

#include "formdesign.h"
#include "hostservices.h"
#include "hostsystem.h"

#include <QString>

#include <memory>

namespace zeva {

class FormControl;
class TreeImageList;
class cTreeView;

struct FormState {
    FormControl *form = nullptr;      // raises the four events
    HostServices *services = nullptr;

    std::shared_ptr<HostSystem> pcSystem;
    std::unique_ptr<KeyAllocator> keyAllocator;
    std::unique_ptr<FieldFocus> fieldFocus;
    std::unique_ptr<ValueConverter> valueConverter;
    std::unique_ptr<CodeRule> codeRule;

    int plCzID = 0;
    int currentProductId = 0;
    QString filterList;                // empty, or 'a','b'
    QString formTitle = QStringLiteral("产品类别");
    QString codeRuleText;
    int limitPicture = 0;              // kilobytes, 0: no limit
    int limitDrawing = 0;
    bool setupDone = false;
    bool busy = false;                 // a tree load is letting events run
    bool clearRequested = false;       // the host's Clear arrived during a load

    FormControls controls;
    std::unique_ptr<cTreeView> m_Tv;
    TreeImageList *images = nullptr;   // owned by the form

    DesktopServices &desktop() const { return services->desktop(); }
    // The session's database, fetched afresh for every use; null once the host let go.
    std::shared_ptr<HostDatabase> database() const { return pcSystem ? pcSystem->Database() : nullptr; }
};

} // namespace zeva
