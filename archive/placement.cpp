// Placing unpacked files. The container's leading "\" is its own, not an absolute path:
// every name lands below outputpath. Refused: a "." or ".." component, a ":" anywhere but
// a drive's, a "\\" prefix (also behind a drive), a NUL, an empty last component, a
// component longer than the file system allows (NAME_MAX bytes), or a
// target whose resolved folder (links followed) is not below outputpath by whole
// components. A refused name is skipped like an existing target without Overwrite; the
// other entries still unpack.
//
// The folders below outputpath are resolved and made one at a time relative to an open
// handle of outputpath (openat2 with RESOLVE_BENEATH: links that stay below are followed,
// any that leaves is refused), and the target's folder stays open while its entry is
// inflated: whatever another process does to the paths meanwhile, the file lands below
// outputpath or nowhere. The entry is written unnamed in that folder and named only once it
// has been read whole (PendingFile), so an existing file is never lost to an entry that turns
// out corrupt, and a link in its place is replaced, never written through.

#include "placement_p.h"

#include "container_p.h"
#include "posixfile_p.h"
#include "storedname_p.h"

#include <climits>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <utility>
#include <vector>

namespace zeva::archive::internal {
namespace {

namespace fs = std::filesystem;

// The name's components, or none when the name is refused by its text alone.
std::vector<std::string> acceptedParts(std::string name)
{
    if (hasDrive(name))
        name.erase(0, 2);   // before the prefix check: a drive followed by a share prefix is a share too
    if (name.rfind("\\\\", 0) == 0 || name.rfind("//", 0) == 0 || name.rfind("\\/", 0) == 0
        || name.rfind("/\\", 0) == 0)
        return {};
    if (name.find(':') != std::string::npos || name.find('\0') != std::string::npos)
        return {};
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    if (parts.empty() || parts.back().empty())
        return {};
    for (const auto &p : parts)
        if (p == "." || p == ".." || p.size() > NAME_MAX)   // no file system holds a longer component
            return {};
    std::erase_if(parts, [](const std::string &p) { return p.empty(); });
    return parts;
}

} // namespace

namespace {

// Opens `relative` beneath the folder `base`: links that stay below it are followed, an
// absolute link or one that leaves is refused (-1 with errno EXDEV or ELOOP). Where the
// kernel has no openat2, each component is opened in turn without following links.
int openBeneath(int base, const std::string &relative)
{
#ifdef SYS_openat2
    open_how how{};
    how.flags = O_DIRECTORY | O_RDONLY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH;
    const long fd = ::syscall(SYS_openat2, base, relative.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS)
        return int(fd);
#endif
    int current = ::dup(base);
    size_t start = 0;
    while (current >= 0 && start <= relative.size()) {
        const size_t slash = relative.find('/', start);
        const std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        const int next = ::openat(current, part.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        const int saved = errno;
        ::close(current);
        errno = saved;
        current = next;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return current;
}

} // namespace

Placement::Placement(const std::string &outputpath, std::function<void()> letEventsRun)
    : m_letEventsRun(std::move(letEventsRun))
{
    std::error_code ec;
    fs::path base = outputpath.empty() ? fs::current_path(ec) : fs::absolute(outputpath, ec);
    if (ec)
        throw Failure{"cannot resolve the output folder " + outputpath + ": " + ec.message()};
    base = base.lexically_normal();
    // outputpath is the caller's own: made where missing, links in it followed.
    fs::path prefix;
    for (const auto &part : base) {
        prefix /= part;
        yield();
        if (!isFolder(prefix.string()) && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            throw Failure{"cannot create the folder " + prefix.string() + ": " + errnoText()};
    }
    m_root = UniqueFd(::open(base.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC));
    if (!m_root)
        throw Failure{"cannot open the output folder " + base.string() + ": " + errnoText()};
    m_base = base.string();
}

Target Placement::target(const std::string &stored, bool usePaths, bool overwrite) const
{
    std::vector<std::string> parts = acceptedParts(stored);
    if (parts.empty())
        return {};
    if (!usePaths)
        parts.erase(parts.begin(), parts.end() - 1);
    fs::path full = m_base;
    for (const auto &p : parts)
        full /= p;
    if (full.native().size() >= PATH_MAX)
        return {};   // beyond what the system can open: refused like an unusable name

    // Below outputpath, every folder is resolved from its handle, and made one by one.
    UniqueFd folder;
    std::string relative;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        yield();
        relative += (relative.empty() ? "" : "/") + parts[i];
        int fd = openBeneath(m_root.get(), relative);
        if (fd < 0 && errno == ENOENT) {
            const int parent = folder ? folder.get() : m_root.get();
            if (::mkdirat(parent, parts[i].c_str(), 0777) != 0 && errno != EEXIST)
                throw Failure{"cannot create the folder " + m_base + "/" + relative + ": " + errnoText()};
            fd = openBeneath(m_root.get(), relative);
        }
        if (fd < 0) {
            if (errno == EXDEV || errno == ELOOP || errno == ENOTDIR || errno == EAGAIN)
                return {};   // it leads outside, or is no folder: refused
            throw Failure{"cannot open the folder " + m_base + "/" + relative + ": " + errnoText()};
        }
        folder = UniqueFd(fd);
    }

    const int into = folder ? folder.get() : m_root.get();
    struct stat st {};
    if (::fstatat(into, parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode))
            throw Failure{"cannot write " + full.string() + ": it is a folder"};
        // The old file stays until the entry has been read whole: PendingFile replaces it.
        if (!overwrite)
            return {};
    }
    Target t;
    t.folder = into;
    t.owned = std::move(folder);
    t.leaf = parts.back();
    t.display = full.string();
    return t;
}

} // namespace zeva::archive::internal
