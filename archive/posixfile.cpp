// Files on Linux. Every failure carries the path and the system's reason, because the
// engine's failure message is all a user sees of it.

#include "posixfile_p.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zeva::archive::internal {

std::string errnoText()
{
    return std::strerror(errno);
}

FilePtr openFile(const std::string &path, const char *mode, const char *purpose)
{
    FilePtr f(std::fopen(path.c_str(), mode));
    if (!f)
        throw Failure{std::string("cannot open ") + purpose + " " + path + ": " + errnoText()};
    return f;
}

FilePtr openRegular(const std::string &path, struct stat &st)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer before fstat can refuse it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FilePtr f(::fdopen(fd, "rb"));
    if (!f)
        ::close(fd);
    return f;
}

std::string notRegularText()
{
    return errno == ENOTSUP ? std::string("it is not a regular file") : errnoText();
}

void closeChecked(FilePtr &f, const std::string &path)
{
    std::FILE *raw = f.release();
    if (raw && std::fclose(raw) != 0)
        throw Failure{"cannot write " + path + ": " + errnoText()};
}

void writeBytes(std::FILE *f, const void *data, size_t length, const std::string &path)
{
    if (length && std::fwrite(data, 1, length, f) != length)
        throw Failure{"cannot write " + path + ": " + errnoText()};
}

void writeInt(std::FILE *f, int32_t value, const std::string &path)
{
    const uint32_t v = uint32_t(value);
    const unsigned char bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    writeBytes(f, bytes, 4, path);
}

bool isFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t modifiedNs(const struct stat &st)
{
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

mode_t creationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

WorkFileGuard::~WorkFileGuard()
{
    if (!path.empty())
        ::unlink(path.c_str());
}

FilePtr createBeside(const std::string &target, const char *mode, WorkFileGuard &guard)
{
    const size_t slash = target.rfind('/');
    std::string name = target.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".zLiXXXXXX.tmp";
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0)
        throw Failure{"cannot write beside " + target + ": " + errnoText()};
    guard.path = name;
    FilePtr f(::fdopen(fd, mode));
    if (!f) {
        ::close(fd);
        throw Failure{"cannot write " + name + ": " + errnoText()};
    }
    // mkstemps makes it 0600; the finished file gets the mode any new file would have.
    ::fchmod(fd, creationMode());
    return f;
}

void UniqueFd::reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::string makeWorkFile(const std::string &folder)
{
    std::string name = folder + "/zLiXXXXXX.tmp";
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0)
        throw Failure{"cannot create a work file in " + folder + ": " + errnoText()};
    ::close(fd);
    return name;
}

} // namespace zeva::archive::internal
