#pragma once
// AddFile's patterns, matched as the Windows directory listing matches them.

#include <string>
#include <string_view>
#include <vector>

namespace zeva::archive::internal {

// "*" any run, "?" one character, everything else itself; ASCII letters in either case.
// "*.*" matches every name.
bool matchPattern(std::string_view pattern, std::string_view name);

struct Matches {
    bool any = false;                 // something matched (a folder too, when folders count)
    std::vector<std::string> files;   // the regular files that matched, in name order
};

// The entries of the folder in `path` whose names match its last component. Nothing
// matches when the folder part holds a wildcard or cannot be listed. With `withFolders`,
// folders (also "." and "..") count as matches, though they are never listed as files.
Matches findMatches(const std::string &path, bool withFolders);

} // namespace zeva::archive::internal
