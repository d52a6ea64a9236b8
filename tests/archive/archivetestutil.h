#pragma once
// Helpers of the archive tests: a private folder per test, files as bytes, and a writer
// of containers straight from the format description (independent of the engine).

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zeva::archive::test {

using Bytes = std::string;

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zeva-archive-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string path(const std::string &name = {}) const { return name.empty() ? m_path : m_path + "/" + name; }

private:
    std::string m_path;
};

inline void writeFile(const std::string &path, const Bytes &bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Equal bytes, or where they first differ (a container is too long to print whole).
inline ::testing::AssertionResult sameBytes(const Bytes &actual, const Bytes &expected)
{
    const size_t n = std::min(actual.size(), expected.size());
    size_t at = 0;
    while (at < n && actual[at] == expected[at])
        ++at;
    if (at == n && actual.size() == expected.size())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at byte " << at;
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

// One entry as a writer of the format produces it: `name` in GBK bytes, `characters` its
// length in characters.
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

// A line of /proc/self/status in KiB: "VmRSS:" now, "VmHWM:" the peak since resetPeak.
inline long residentKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

inline void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

inline Bytes headerBytes(int32_t lastIndex)
{
    return le32(21) + "Quorvanta zLibControl" + le32(lastIndex);
}

} // namespace zeva::archive::test
