#pragma once
// Helpers of the archive tests: a private folder per test, guards that put TMPDIR and the
// current folder back, files as bytes, and a writer of containers straight from the
// format description (independent of the engine).

#include "zlibarchive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

namespace zeva::archive::test {

namespace fs = std::filesystem;
using Bytes = std::string;

struct TempDir {
    std::string root = (fs::temp_directory_path() / "zeva-archive-XXXXXX").string();
    TempDir() { ::mkdtemp(root.data()); }
    ~TempDir() { std::error_code ec; fs::remove_all(root, ec); }
    std::string path(const std::string &name = {}) const { return name.empty() ? root : root + "/" + name; }
};

// TMPDIR (where an archive made now keeps its work files) until the scope ends, then what
// was there before, or its absence.
struct ScopedTmpdir {
    std::optional<std::string> old = std::getenv("TMPDIR") ? std::optional<std::string>(std::getenv("TMPDIR")) : std::nullopt;
    explicit ScopedTmpdir(const std::string &path) { ::setenv("TMPDIR", path.c_str(), 1); }
    ~ScopedTmpdir() { old ? ::setenv("TMPDIR", old->c_str(), 1) : ::unsetenv("TMPDIR"); }
};

// `path` as the current folder until the scope ends.
struct ScopedCurrentPath {
    fs::path old = fs::current_path();
    explicit ScopedCurrentPath(const std::string &path) { fs::current_path(path); }
    ~ScopedCurrentPath() { std::error_code ec; fs::current_path(old, ec); }
};

inline void writeFile(const std::string &path, const Bytes &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}
inline Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Everything below `root` (links not followed), as sorted relative paths.
inline std::vector<std::string> tree(const std::string &root)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto &entry : fs::recursive_directory_iterator(root, ec))
        out.push_back(fs::relative(entry.path(), root).string());
    std::ranges::sort(out);
    return out;
}

inline Bytes le32(int64_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
inline const Bytef *bytef(const Bytes &b) { return reinterpret_cast<const Bytef *>(b.data()); }
inline uint32_t crcOf(const Bytes &b, uint32_t crc = 0) { return uint32_t(crc32(crc, bytef(b), uInt(b.size()))); }

// Some text-like, some incompressible bytes.
inline Bytes sampleData(size_t size, unsigned seed = 1)
{
    std::minstd_rand random(seed);
    Bytes out;
    while (out.size() < size)
        random() % 3 ? out += char(random()) : out += "LINE 100,200 TO 300,400 图层 ";
    return out.substr(0, size);
}

// Bytes that deflate cannot shrink, so packing them takes its full time.
inline Bytes noiseData(size_t size, uint32_t seed)
{
    Bytes out(size, '\0');
    for (char &c : out)
        c = char((seed = seed * 1103515245u + 12345u) >> 24);
    return out;
}

inline Bytes compress2Of(const Bytes &data, int level = 6)
{
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size, '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, bytef(data), uLong(data.size()), level);
    return out.substr(0, size);
}

inline Bytes headerBytes(int32_t lastIndex) { return le32(21) + "Quorvanta zLibControl" + le32(lastIndex); }

// One entry as a writer of the format produces it: `gbkName` in GBK bytes, `characters`
// its length in characters.
inline Bytes entryBytes(const Bytes &gbkName, int32_t characters, const Bytes &data, int32_t readBuf = 65536, int level = 6)
{
    Bytes stream;
    uint32_t ccrc = 0;
    for (size_t at = 0; at < data.size(); at += size_t(readBuf)) {
        const Bytes chunk = data.substr(at, size_t(readBuf)), packed = compress2Of(chunk, level);
        stream += le32(int64_t(chunk.size())) + le32(int64_t(packed.size())) + packed;
        ccrc = crcOf(packed, ccrc);
    }
    return le32(characters) + gbkName + le32(int64_t(data.size())) + le32(data.empty() ? 0 : crcOf(data)) + le32(ccrc)
        + le32(int64_t(stream.size())) + stream;
}

// An entry with its header fields and chunk stream as given, right or wrong (CRCs 0).
inline Bytes rawEntry(const Bytes &name, int32_t fileSize, const Bytes &chunks, int32_t compressedSize)
{
    return le32(int32_t(name.size())) + name + le32(fileSize) + le32(0) + le32(0) + le32(compressedSize) + chunks;
}

// A fresh folder and an archive that keeps its work files in `workFolder` (while this
// lives), that unpack a container written as bytes into dir/out, collecting the failure
// messages the archive shows.
struct Unpacker {
    TempDir dir;
    ScopedTmpdir tmpdir;
    ZLibArchive zip;
    std::vector<std::string> messages;

    explicit Unpacker(const std::string &workFolder = fs::temp_directory_path().string()) : tmpdir(workFolder)
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
inline int inChild(unsigned seconds, const std::function<int()> &body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(seconds);
        ::_exit(body());
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The peak resident size in KiB (in a child from inChild, the peak starts at its size when forked).
inline long peakKiB() { rusage usage{}; ::getrusage(RUSAGE_SELF, &usage); return usage.ru_maxrss; }

} // namespace zeva::archive::test
