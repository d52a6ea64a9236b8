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

UniqueFd openRegular(const std::string &path, struct stat &st)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer before fstat can refuse it; to a
    // regular file it means nothing, so it stays.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd || ::fstat(fd.get(), &st) != 0)
        return {};
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP;
        return {};
    }
    return fd;
}

void readFull(int fd, void *data, size_t length, const std::string &path)
{
    auto *to = static_cast<unsigned char *>(data);
    for (size_t done = 0; done < length;) {
        const ssize_t n = ::read(fd, to + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Failure{"cannot read " + path + (n < 0 ? ": " + errnoText() : std::string(": it became shorter"))};
        done += size_t(n);
    }
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
    unsigned char bytes[4];
    putInt(bytes, value);
    writeBytes(f, bytes, 4, path);
}

bool isFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t modifiedNs(const struct stat &st)
{
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void UniqueFd::reset()
{
    if (m_fd >= 0) {
        const int saved = errno;   // a failure's reason outlives the descriptor it closes
        ::close(m_fd);
        errno = saved;
    }
    m_fd = -1;
}

} // namespace zeva::archive::internal
