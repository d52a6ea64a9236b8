#pragma once
// Where an unpacked entry goes: below outputpath or nowhere. The target's folder is
// resolved beneath an open handle of outputpath and held open while the entry is written,
// so a folder swapped for a link meanwhile cannot send the file anywhere else.

#include "posixfile_p.h"

#include <functional>
#include <string>

namespace zeva::archive::internal {

// An open folder below outputpath and the name the entry takes in it; empty when refused.
struct Target {
    int folder = -1;    // the folder's handle: `owned`, or outputpath's own
    UniqueFd owned;     // a folder below outputpath; empty when the target is in outputpath
    std::string leaf;
    std::string display;   // the path, for messages

    explicit operator bool() const { return folder >= 0; }
};

// outputpath for one Decompress call: made where missing and opened once.
class Placement {
public:
    // outputpath empty: the current folder; relative: against it. `letEventsRun`, when set,
    // is called before each folder is made or opened. Throws Failure when outputpath cannot
    // be made or opened.
    Placement(const std::string &outputpath, std::function<void()> letEventsRun);

    // The target of stored name `stored`, creating its folders; without `usePaths` only the
    // last component is used. Empty when the name is refused, a folder on the way leads
    // outside outputpath, or the target exists while `overwrite` is false. Throws Failure
    // when the target is a folder or a folder cannot be created.
    Target target(const std::string &stored, bool usePaths, bool overwrite) const;

private:
    void yield() const
    {
        if (m_letEventsRun)
            m_letEventsRun();
    }

    std::string m_base;   // absolute and normal
    UniqueFd m_root;
    std::function<void()> m_letEventsRun;
};

} // namespace zeva::archive::internal
