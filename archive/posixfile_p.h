#pragma once
// The engine's files on Linux: stdio handles that close themselves, writes that fail loudly
// (a full disk is a Failure, never a short container), sources opened only when they are
// regular files.

#include "container_p.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace zeva::archive::internal {

std::string errnoText();

// A file descriptor that closes itself; -1 holds nothing.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&other) noexcept : m_fd(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = other.release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset();

private:
    int m_fd = -1;
};

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Throws Failure ("cannot open <purpose> <path>: ...") when the file cannot be opened.
FilePtr openFile(const std::string &path, const char *mode, const char *purpose);

// Opens a source for reading only when it is a regular file: a FIFO or a device named in
// its place would block the open or never end. Empty with errno set otherwise (EISDIR for a
// folder, ENOTSUP for anything else that is no regular file); `st` describes what was opened.
UniqueFd openRegular(const std::string &path, struct stat &st);
// Reads `length` bytes of `fd`; throws Failure ("cannot read <path>: ...", or "it became
// shorter" when the file ends first).
void readFull(int fd, void *data, size_t length, const std::string &path);
// Why openRegular failed.
std::string notRegularText();

// Closes `f`, throwing Failure when the last buffered bytes cannot be written.
void closeChecked(FilePtr &f, const std::string &path);
void writeBytes(std::FILE *f, const void *data, size_t length, const std::string &path);
void writeInt(std::FILE *f, int32_t value, const std::string &path);
// The format's integer: 4 bytes, little-endian.
inline void putInt(unsigned char *to, int32_t value)
{
    const uint32_t v = uint32_t(value);
    to[0] = uint8_t(v), to[1] = uint8_t(v >> 8), to[2] = uint8_t(v >> 16), to[3] = uint8_t(v >> 24);
}

bool isFolder(const std::string &path);        // links followed
int64_t modifiedNs(const struct stat &st);

} // namespace zeva::archive::internal
