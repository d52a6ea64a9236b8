#pragma once
// Helpers of the archive tests: a private folder per test, guards that put the environment
// and the current folder back, files as bytes, and a writer of containers straight from
// the format description (independent of the engine).

#include "zlibarchive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace zeva::archive::test {

namespace fs = std::filesystem;
using Bytes = std::string;

class TempDir {
public:
    TempDir() : m_path((fs::temp_directory_path() / "zeva-archive-XXXXXX").string()) { ::mkdtemp(m_path.data()); }
    ~TempDir() { std::error_code ec; fs::remove_all(m_path, ec); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string path(const std::string &name = {}) const { return name.empty() ? m_path : m_path + "/" + name; }

private:
    std::string m_path;
};

// Sets an environment variable (TMPDIR: where an archive made now keeps its work files)
// until the scope ends, then puts back what was there before, or its absence.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::string &value) : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

// Makes `path` the current folder until the scope ends.
class ScopedCurrentPath {
public:
    explicit ScopedCurrentPath(const std::string &path) : m_old(fs::current_path()) { fs::current_path(path); }
    ~ScopedCurrentPath() { std::error_code ec; fs::current_path(m_old, ec); }
    ScopedCurrentPath(const ScopedCurrentPath &) = delete;
    ScopedCurrentPath &operator=(const ScopedCurrentPath &) = delete;

private:
    fs::path m_old;
};

inline void writeFile(const std::string &path, const Bytes &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Everything below `root` (links not followed), as sorted relative paths.
inline std::vector<std::string> tree(const std::string &root)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
        out.push_back(fs::relative(it->path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

// Equal bytes, or where they first differ (a container is too long to print whole).
inline ::testing::AssertionResult sameBytes(const Bytes &actual, const Bytes &expected)
{
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (a == actual.end() && e == expected.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at byte " << (a - actual.begin());
}

inline Bytes le32(int64_t v)
{
    const auto u = uint32_t(v);
    return Bytes{char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
}

inline uint32_t crcOf(const Bytes &b, uint32_t crc = 0)
{
    return uint32_t(crc32(crc, reinterpret_cast<const Bytef *>(b.data()), uInt(b.size())));
}

// Some text-like, some incompressible bytes.
inline Bytes sampleData(size_t size, unsigned seed = 1)
{
    Bytes out;
    out.reserve(size);
    uint32_t x = seed * 2654435761u + 1;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        if ((x >> 20) % 3 == 0)
            out += "LINE 100,200 TO 300,400 图层 ";
        else
            out += char(x >> 24);
    }
    out.resize(size);
    return out;
}

inline Bytes compress2Of(const Bytes &data, int level = 6)
{
    uLongf capacity = compressBound(uLong(data.size())) + 64;
    Bytes out(capacity, '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &capacity, reinterpret_cast<const Bytef *>(data.data()),
              uLong(data.size()), level);
    out.resize(capacity);
    return out;
}

inline Bytes headerBytes(int32_t lastIndex)
{
    return le32(21) + "Quorvanta zLibControl" + le32(lastIndex);
}

// One entry as a writer of the format produces it: `gbkName` in GBK bytes, `characters`
// its length in characters.
inline Bytes entryBytes(const Bytes &gbkName, int32_t characters, const Bytes &data, int32_t readBuf = 65536,
                        int level = 6)
{
    Bytes stream;
    uint32_t ccrc = 0;
    for (size_t at = 0; at < data.size(); at += size_t(readBuf)) {
        const Bytes chunk = data.substr(at, size_t(readBuf));
        const Bytes packed = compress2Of(chunk, level);
        stream += le32(int64_t(chunk.size())) + le32(int64_t(packed.size())) + packed;
        ccrc = crcOf(packed, ccrc);
    }
    return le32(characters) + gbkName + le32(int64_t(data.size())) + le32(data.empty() ? 0 : crcOf(data))
        + le32(ccrc) + le32(int64_t(stream.size())) + stream;
}

// An entry with its header fields and chunk stream as given, right or wrong.
inline Bytes rawEntry(const Bytes &name, int32_t fileSize, const Bytes &chunks, int32_t compressedSize)
{
    return le32(int32_t(name.size())) + name + le32(fileSize) + le32(0) + le32(0) + le32(compressedSize) + chunks;
}

// A fresh folder and an archive that keeps its work files in `workFolder` (while this
// lives), that unpack a container written as bytes into dir/out, collecting the failure
// messages the archive shows.
struct Unpacker {
    TempDir dir;
    ScopedEnv tmpdir;
    ZLibArchive zip;
    std::vector<std::string> messages;

    explicit Unpacker(const std::string &workFolder = fs::temp_directory_path().string()) : tmpdir("TMPDIR", workFolder)
    {
        zip.setCallbacks({{}, {}, [this](const std::string &m) { messages.push_back(m); }});
    }
    int16_t operator()(const Bytes &container, bool usePaths = false, bool saveCorrupted = true, bool doubleCrc = false)
    {
        writeFile(dir.path("c"), container);
        return zip.Decompress(dir.path("c"), dir.path("out"), false, true, doubleCrc, saveCorrupted, usePaths);
    }
};

// Runs `body` in a child process that is killed after `seconds`: a fault that hangs or
// exhausts memory ends the child, not the test run. The child's exit status, or -1 when
// it was killed or crashed.
template <typename Body>
int inChild(unsigned seconds, Body body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(seconds);
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A line of /proc/self/status in KiB: "VmRSS:" now, "VmHWM:" the peak (in a child from
// inChild, since it was forked).
inline long residentKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

} // namespace zeva::archive::test
