// Placing unpacked files. The container's leading "\" is its own, not an absolute path:
// every name lands below outputpath. Refused: a "." or ".." component, a ":" anywhere but
// a drive's, a "\\" prefix (also behind a drive), a NUL, an empty last component, a
// component longer than the file system allows (NAME_MAX bytes), or a
// target whose resolved folder (links followed) is not below outputpath by whole
// components. A refused name is skipped like an existing target without Overwrite; the
// other entries still unpack.
//
// A target is replaced in one rename once its entry has been read whole, so an existing
// file is never lost to an entry that turns out corrupt, and a link in its place is
// replaced, never written through.

#include "placement_p.h"

#include "container_p.h"
#include "posixfile_p.h"
#include "storedname_p.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

namespace zeva::archive::internal {
namespace {

namespace fs = std::filesystem;

// True when `inner` is `outer` or lies below it, comparing whole components.
bool isWithin(const fs::path &inner, const fs::path &outer)
{
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end())
            break;   // a trailing separator
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

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

std::string targetPath(const std::string &stored, const std::string &outputpath, bool usePaths, bool overwrite,
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

    const fs::path realBase = fs::weakly_canonical(base, ec);
    const fs::path realFolder = ec ? fs::path() : fs::weakly_canonical(full.parent_path(), ec);
    if (ec || !isWithin(realFolder, realBase))
        return {};

    struct stat st {};
    if (::lstat(full.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw Failure{"cannot write " + full.string() + ": it is a folder"};
        // The old file stays until the entry has been read whole: moveToTarget replaces it.
        return overwrite ? full.string() : std::string();
    }
    fs::path prefix;
    for (const auto &part : full.parent_path()) {
        prefix /= part;
        if (letEventsRun)
            letEventsRun();
        if (::lstat(prefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        if (isFolder(prefix.string()))
            continue;   // a link to a folder, already found to stay inside
        if (::mkdir(prefix.c_str(), 0777) != 0)
            throw Failure{"cannot create the folder " + prefix.string() + ": " + errnoText()};
    }
    return full.string();
}

void moveToTarget(const std::string &work, const std::string &target, int32_t readBuf)
{
    if (::rename(work.c_str(), target.c_str()) == 0) {
        ::chmod(target.c_str(), creationMode());
        return;
    }
    if (errno != EXDEV)
        throw Failure{"cannot write " + target + ": " + errnoText()};
    // Across file systems the bytes go first to a new file beside the target.
    FilePtr in = openFile(work, "rb", "the work file");
    WorkFileGuard guard;
    FilePtr out = createBeside(target, "wb", guard);
    std::vector<unsigned char> buffer(size_t(std::clamp<int32_t>(readBuf, 1, 1 << 20)));
    for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        writeBytes(out.get(), buffer.data(), n, guard.path);
    if (std::ferror(in.get()))
        throw Failure{"cannot read " + work + ": " + errnoText()};
    closeChecked(out, guard.path);
    if (::rename(guard.path.c_str(), target.c_str()) != 0)
        throw Failure{"cannot write " + target + ": " + errnoText()};
    guard.path.clear();
    in.reset();
    ::unlink(work.c_str());   // handed on as a copy: the work file itself is done with
}

} // namespace zeva::archive::internal
