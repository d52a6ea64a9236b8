// Unnamed files and their named stand-ins. An O_TMPFILE file is linked into its folder
// through /proc/self/fd (linkat's AT_EMPTY_PATH would need a capability most users lack).
// Replacing an existing file takes a hidden link first and a rename over the old one, so
// the old file is whole until the new one is. The named stand-ins sit in fixed slots that a
// signal handler can read without allocating or locking.
//
// ZEVA_ARCHIVE_NAMED_FILES=1 in the environment uses the named stand-ins everywhere, for file
// systems whose unnamed files misbehave (and to exercise that path).

#include "workfiles_p.h"

#include "container_p.h"
#include "zlibarchive.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

namespace zeva::archive {
namespace {

struct NamedSlot {
    std::atomic<bool> taken{false};
    std::atomic<bool> live{false};
    int folder = AT_FDCWD;
    char name[PATH_MAX];
};
NamedSlot g_named[32];
static_assert(std::atomic<bool>::is_always_lock_free);

} // namespace

void removeNamedWorkFiles() noexcept
{
    for (NamedSlot &slot : g_named)
        if (slot.live.load(std::memory_order_acquire))
            ::unlinkat(slot.folder, slot.name, 0);
}

} // namespace zeva::archive

namespace zeva::archive::internal {
namespace {

bool namedOnly()
{
    static const bool named = [] {
        const char *value = std::getenv("ZEVA_ARCHIVE_NAMED_FILES");
        return value && std::strcmp(value, "1") == 0;
    }();
    return named;
}

// A slot for a named file, or -1 when all are taken (the file is then still removed by its
// owner, only not by a signal handler).
int listNamed(int folder, const std::string &name)
{
    if (name.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < int(std::size(g_named)); ++i) {
        bool expected = false;
        if (g_named[i].taken.compare_exchange_strong(expected, true)) {
            g_named[i].folder = folder;
            std::memcpy(g_named[i].name, name.c_str(), name.size() + 1);
            g_named[i].live.store(true, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void unlistNamed(int slot)
{
    if (slot < 0)
        return;
    g_named[slot].live.store(false, std::memory_order_release);
    g_named[slot].taken.store(false, std::memory_order_release);
}

// Holds back the signals that end a run politely while a named file is made and listed (or
// made and unlinked), so that no such signal finds it named but not yet listed.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t polite;
        sigemptyset(&polite);
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&polite, s);
        pthread_sigmask(SIG_BLOCK, &polite, &m_before);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    sigset_t m_before;
};

// "<prefix>" and eight random letters and digits, then ".tmp".
std::string randomName(const char *prefix)
{
    thread_local std::mt19937 random{std::random_device{}()};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = prefix;
    for (int i = 0; i < 8; ++i)
        name += letters[random() % (sizeof letters - 1)];
    return name + ".tmp";
}

std::string hiddenName() { return randomName(".zLi"); }

} // namespace

PendingFile::PendingFile(int folder, std::string display) : m_folder(folder), m_display(std::move(display))
{
    int fd = namedOnly() ? -1 : ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        // Listed before it exists, as a signal may be taken by another thread.
        const SignalsHeld held;
        for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            m_hidden = hiddenName();
            m_slot = listNamed(folder, m_hidden);
            fd = ::openat(folder, m_hidden.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd < 0) {
                const int error = errno;
                unlistNamed(m_slot);
                m_slot = -1;
                errno = error;
                if (error != EEXIST)
                    break;
            }
        }
    }
    if (fd < 0) {
        const std::string reason = errnoText();
        m_hidden.clear();
        throw Failure{"cannot write beside " + m_display + ": " + reason};
    }
    m_file.reset(::fdopen(fd, "w+b"));
    if (!m_file) {
        const std::string reason = errnoText();
        ::close(fd);
        forgetHidden();
        throw Failure{"cannot write beside " + m_display + ": " + reason};
    }
}

PendingFile::~PendingFile()
{
    m_file.reset();
    forgetHidden();
}

void PendingFile::forgetHidden()
{
    if (!m_hidden.empty())
        ::unlinkat(m_folder, m_hidden.c_str(), 0);
    unlistHidden();
}

void PendingFile::unlistHidden()
{
    m_hidden.clear();
    unlistNamed(m_slot);
    m_slot = -1;
}

bool PendingFile::linkAs(const std::string &name)
{
    const int fd = fileno(m_file.get());
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), m_folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == ENOENT && ::linkat(fd, "", m_folder, name.c_str(), AT_EMPTY_PATH) == 0)
        return true;   // no /proc: the capability may still be there
    if (errno == EEXIST)
        return false;
    throw Failure{"cannot write " + m_display + ": " + errnoText()};
}

bool PendingFile::place(const std::string &leaf, bool replace)
{
    if (std::fflush(m_file.get()) != 0)
        throw Failure{"cannot write " + m_display + ": " + errnoText()};
    const bool placed = m_hidden.empty() ? placeUnnamed(leaf, replace) : placeNamed(leaf, replace);
    if (placed)
        closeChecked(m_file, m_display);
    return placed;
}

bool PendingFile::placeUnnamed(const std::string &leaf, bool replace)
{
    if (linkAs(leaf))
        return true;
    if (!replace)
        return false;
    // The name is taken and may be replaced: a hidden link first, renamed over it.
    for (int attempt = 0; m_hidden.empty() && attempt < 100; ++attempt) {
        const std::string name = hiddenName();
        m_slot = listNamed(m_folder, name);   // listed before it exists: no signal finds it unlisted
        if (linkAs(name))
            m_hidden = name;
        else
            unlistHidden();
    }
    if (m_hidden.empty())
        throw Failure{"cannot write beside " + m_display + ": no free hidden name"};
    return placeNamed(leaf, true);
}

bool PendingFile::placeNamed(const std::string &leaf, bool replace)
{
    if (!replace) {
        // A link fails rather than replace a file that appeared meanwhile; where the file
        // system has no links, a last look before the rename has to do.
        if (::linkat(m_folder, m_hidden.c_str(), m_folder, leaf.c_str(), 0) == 0) {
            forgetHidden();
            return true;
        }
        struct stat st {};
        if (errno == EEXIST || ::fstatat(m_folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            return false;
    }
    if (::renameat(m_folder, m_hidden.c_str(), m_folder, leaf.c_str()) != 0)
        throw Failure{"cannot write " + m_display + ": " + errnoText()};
    unlistHidden();   // the name is the target's now
    return true;
}

UniqueFd openWorkFile(const std::string &folder)
{
    int fd = namedOnly() ? -1 : ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    // A named stand-in lives only until it is unlinked. It is listed before it exists: the
    // signals held here are held on this thread only, and one taken by another thread
    // must still find it.
    for (int tries = 0; fd < 0 && tries < 100; ++tries) {
        const SignalsHeld held;
        const std::string name = folder + "/" + randomName("zLi");
        const int slot = listNamed(AT_FDCWD, name);
        fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        const int error = errno;
        if (fd >= 0)
            ::unlink(name.c_str());
        unlistNamed(slot);
        errno = error;
        if (fd < 0 && error != EEXIST)
            break;
    }
    if (fd < 0)
        throw Failure{"cannot create a work file in " + folder + ": " + errnoText()};
    return UniqueFd(fd);
}

} // namespace zeva::archive::internal
