#pragma once
// Where an unpacked entry goes, and how it gets there: below outputpath or nowhere, and
// into place in one rename once it is whole. The target's folder is resolved beneath an
// open handle of outputpath and held open until the file is in place, so a folder swapped
// for a link meanwhile cannot send the file anywhere else.

#include "posixfile_p.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zeva::archive::internal {

// An open folder below outputpath and the name the entry takes in it; empty when refused.
struct Target {
    UniqueFd folder;
    std::string leaf;
    std::string display;   // the path, for messages

    explicit operator bool() const { return bool(folder); }
};

// The target of stored name `stored` below `outputpath` (empty: the current folder;
// relative: against it), creating its folders (letEventsRun, when set, is called before
// each); without `usePaths` only the last component is used. Empty when the name is
// refused, a folder on the way leads outside outputpath, or the target exists while
// `overwrite` is false. Throws Failure when outputpath cannot be opened, the target is a
// folder, or a folder cannot be created.
Target openTarget(const std::string &stored, const std::string &outputpath, bool usePaths, bool overwrite,
                  const std::function<void()> &letEventsRun);

// Puts the finished work file in place of the target, relative to its open folder. Throws
// Failure; the target is then as it was, and the work file is the caller's to remove.
void moveToTarget(const std::string &work, const Target &target, int32_t readBuf);

} // namespace zeva::archive::internal
