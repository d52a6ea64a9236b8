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
// outputpath or nowhere. A target is replaced in one renameat once its entry has been read
// whole, so an existing file is never lost to an entry that turns out corrupt, and a link in
// its place is replaced, never written through.

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
#include <cstdlib>
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

Target openTarget(const std::string &stored, const std::string &outputpath, bool usePaths, bool overwrite,
                  const std::function<void()> &letEventsRun)
{
    std::vector<std::string> parts = acceptedParts(stored);
    if (parts.empty())
        return {};
    if (!usePaths)
        parts.erase(parts.begin(), parts.end() - 1);

    std::error_code ec;
    fs::path base = outputpath.empty() ? fs::current_path(ec) : fs::absolute(outputpath, ec);
    if (ec)
        throw Failure{"cannot resolve the output folder " + outputpath + ": " + ec.message()};
    base = base.lexically_normal();
    fs::path full = base;
    for (const auto &p : parts)
        full /= p;
    if (full.native().size() >= PATH_MAX)
        return {};   // beyond what the system can open: refused like an unusable name

    // outputpath is the caller's own: made where missing, links in it followed.
    fs::path prefix;
    for (const auto &part : base) {
        prefix /= part;
        if (letEventsRun)
            letEventsRun();
        if (!isFolder(prefix.string()) && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            throw Failure{"cannot create the folder " + prefix.string() + ": " + errnoText()};
    }
    const int root = ::open(base.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
    if (root < 0)
        throw Failure{"cannot open the output folder " + base.string() + ": " + errnoText()};
    UniqueFd rootHandle(root);

    // Below it, every folder is resolved from that handle, and made one by one.
    UniqueFd folder;
    std::string relative;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (letEventsRun)
            letEventsRun();
        relative += (relative.empty() ? "" : "/") + parts[i];
        int fd = openBeneath(root, relative);
        if (fd < 0 && errno == ENOENT) {
            const int parent = folder ? folder.get() : root;
            if (::mkdirat(parent, parts[i].c_str(), 0777) != 0 && errno != EEXIST)
                throw Failure{"cannot create the folder " + (base / relative).string() + ": " + errnoText()};
            fd = openBeneath(root, relative);
        }
        if (fd < 0) {
            if (errno == EXDEV || errno == ELOOP || errno == ENOTDIR || errno == EAGAIN)
                return {};   // it leads outside, or is no folder: refused
            throw Failure{"cannot open the folder " + (base / relative).string() + ": " + errnoText()};
        }
        folder = UniqueFd(fd);
    }

    const int into = folder ? folder.get() : root;
    struct stat st {};
    if (::fstatat(into, parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode))
            throw Failure{"cannot write " + full.string() + ": it is a folder"};
        // The old file stays until the entry has been read whole: moveToTarget replaces it.
        if (!overwrite)
            return {};
    }
    return Target{folder ? std::move(folder) : std::move(rootHandle), parts.back(), full.string()};
}

void moveToTarget(const std::string &work, const Target &target, int32_t readBuf)
{
    if (::renameat(AT_FDCWD, work.c_str(), target.folder.get(), target.leaf.c_str()) == 0) {
        ::fchmodat(target.folder.get(), target.leaf.c_str(), creationMode(), 0);
        return;
    }
    if (errno != EXDEV)
        throw Failure{"cannot write " + target.display + ": " + errnoText()};
    // Across file systems the bytes go first to a new hidden file in the target's folder.
    FilePtr in = openFile(work, "rb", "the work file");
    std::string name;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        name = ".zLi" + std::to_string(::getpid()) + "_" + std::to_string(std::rand()) + ".tmp";
        fd = ::openat(target.folder.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw Failure{"cannot write beside " + target.display + ": " + errnoText()};
    struct Hidden {
        int folder;
        std::string name;
        ~Hidden()
        {
            if (!name.empty())
                ::unlinkat(folder, name.c_str(), 0);
        }
    } hidden{target.folder.get(), name};
    FilePtr out(::fdopen(fd, "wb"));
    if (!out) {
        ::close(fd);
        throw Failure{"cannot write beside " + target.display + ": " + errnoText()};
    }
    std::vector<unsigned char> buffer(size_t(std::clamp<int32_t>(readBuf, 1, 1 << 20)));
    for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        writeBytes(out.get(), buffer.data(), n, target.display);
    if (std::ferror(in.get()))
        throw Failure{"cannot read " + work + ": " + errnoText()};
    ::fchmod(::fileno(out.get()), creationMode());
    closeChecked(out, target.display);
    if (::renameat(target.folder.get(), name.c_str(), target.folder.get(), target.leaf.c_str()) != 0)
        throw Failure{"cannot write " + target.display + ": " + errnoText()};
    hidden.name.clear();
    in.reset();
    ::unlink(work.c_str());   // handed on as a copy: the work file itself is done with
}

} // namespace zeva::archive::internal
