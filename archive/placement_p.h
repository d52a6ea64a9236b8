#pragma once
// Where an unpacked entry goes, and how it gets there: below outputpath or nowhere, and
// into place in one rename once it is whole.

#include <cstdint>
#include <functional>
#include <string>

namespace zeva::archive::internal {

// The target of stored name `stored` below `outputpath` (empty: the current folder;
// relative: against it), creating its folders (letEventsRun, when set, is called before
// each); without `usePaths` only the last component is used. "" when the name is refused
// or the target exists while `overwrite` is false. Throws Failure when outputpath cannot
// be resolved, the target is a folder, or a folder cannot be created.
std::string targetPath(const std::string &stored, const std::string &outputpath, bool usePaths, bool overwrite,
                       const std::function<void()> &letEventsRun);

// Puts the finished work file in place of `target`. Throws Failure; the target is then as
// it was, and the work file is the caller's to remove.
void moveToTarget(const std::string &work, const std::string &target, int32_t readBuf);

} // namespace zeva::archive::internal
