#pragma once
// Files that leave nothing behind. A new container or unpacked file is written unnamed in
// its folder (O_TMPFILE) and gets its name only when complete, so a killed run, even by
// SIGKILL, leaves no partial file; the engine's work file is unnamed too. Where the file
// system offers no unnamed files, a hidden ".zLi*.tmp" is used instead and listed, so that
// removeNamedWorkFiles (zlibarchive.h) can delete it from a signal handler.

#include "posixfile_p.h"

#include <cstdio>
#include <string>

namespace zeva::archive::internal {

// A new file in the open folder `folder` (AT_FDCWD: the current one) that takes a name only
// through place(); until then, and when never placed, nothing of it is visible, or only a
// hidden name that the destructor removes.
class PendingFile {
public:
    // `display` names the final file in messages. Throws Failure.
    PendingFile(int folder, std::string display);
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    std::FILE *file() const { return m_file.get(); }

    // Writes out what is buffered and names the file `leaf` in its folder, replacing what is
    // there when `replace`. False when the name is taken and `replace` is false; the file is
    // then discarded. Throws Failure (the file is discarded as well).
    bool place(const std::string &leaf, bool replace);

private:
    bool placeUnnamed(const std::string &leaf, bool replace);
    bool placeNamed(const std::string &leaf, bool replace);
    bool linkAs(const std::string &name);   // the unnamed file; false when the name exists
    void forgetHidden();   // removes the hidden name, and its listing
    void unlistHidden();   // forgets it without removing it (it has become the target)

    int m_folder;
    std::string m_display;
    FilePtr m_file;
    std::string m_hidden;   // the hidden name, while the file has one
    int m_slot = -1;        // its place in the list of named work files
};

// A new unnamed read-write file in `folder`, for the engine's own scratch data. Where the file
// system offers no unnamed files, a named one is removed as soon as it is open. Throws Failure.
UniqueFd openWorkFile(const std::string &folder);

} // namespace zeva::archive::internal
