// Unpacking: CRC handling, targets, and containers nobody should trust.

#include "archivetestutil.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

namespace zeva::archive::test {
namespace {

const Bytes kAlpha = compress2Of("alpha");
const int32_t kL = int32_t(kAlpha.size());

// A flipped bit in an entry's header: unpacking keeps or drops the entry as asked (dropping
// says nothing and leaves an existing target as it was); Verify names it either way.
TEST(ArchiveDecompress, FlippedHeaderBitsAreKeptOrDroppedAsAskedAndVerifyNamesThem)
{
    const size_t kFileSize = 4 + 2, kDataCrc = kFileSize + 4, kPackedCrc = kDataCrc + 4;
    const struct {
        const char *description;
        size_t flipAt;
        bool doubleCrc;
        bool saveCorrupted;
        const char *unpacked;   // out/a afterwards ("mine" before)
    } cases[] = {
        {"data CRC, corrupted files saved", kDataCrc, false, true, "alpha"},
        {"data CRC, corrupted files dropped", kDataCrc, false, false, "mine"},
        {"packed CRC, single check", kPackedCrc, false, false, "alpha"},
        {"packed CRC, double check", kPackedCrc, true, false, "mine"},
        {"file size (only Verify checks it)", kFileSize, true, false, "alpha"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.description);
        Unpacker unpack;
        Bytes entry = entryBytes("\\a", 2, "alpha");
        entry[c.flipAt] ^= 0x01;
        writeFile(unpack.dir.path("out/a"), "mine");
        EXPECT_EQ(unpack(headerBytes(1) + entry + entryBytes("\\b", 2, "beta"), false, c.saveCorrupted, c.doubleCrc), 0);
        EXPECT_TRUE(unpack.messages.empty());
        EXPECT_EQ(readFile(unpack.dir.path("out/a")), c.unpacked);
        EXPECT_EQ(tree(unpack.dir.path("out")), (std::vector<std::string>{"a", "b"}));
        std::vector<int32_t> bad;
        EXPECT_EQ(unpack.zip.Verify(unpack.dir.path("c"), &bad), 0);
        EXPECT_EQ(bad, std::vector<int32_t>{0});
    }
    TempDir dir;   // data announced, none stored
    writeFile(dir.path("c"), headerBytes(1) + entryBytes("\\a", 2, "a") + rawEntry("\\e", 5, "", 0));
    ZLibArchive zip;
    std::vector<int32_t> bad;
    EXPECT_EQ(zip.Verify(dir.path("c"), &bad), 0);
    EXPECT_EQ(bad, std::vector<int32_t>{1});
}

TEST(ArchiveDecompress, NamesLandBelowOutputpathOrAreRefused)
{
    const struct {
        const char *name;       // stored name, UTF-8
        bool usePaths;
        const char *expected;   // file below out/, or "" when refused
    } cases[] = {
        {"\\a\\b\\c.dwg", true, "a/b/c.dwg"},
        {"\\a\\b\\c.dwg", false, "c.dwg"},
        {"C:\\a\\c.dwg", true, "a/c.dwg"},              // a drive is dropped
        {"\\a/b\\c.dwg", true, "a/b/c.dwg"},            // "/" separates as on Windows
        {"\\inner\\c.dwg", true, "sub/c.dwg"},          // a link that stays inside
        {"C:evil", true, "evil"},                       // drive-relative: still below out
        {"\\link\\evil", false, "evil"},
        {"\\link\\evil", true, ""},                     // out/link -> out2 (not below out)
        {"\\..\\evil", true, ""}, {"\\..\\evil", false, ""}, {"\\a\\..\\..\\evil", true, ""}, {"\\.\\x", true, ""},
        {"\\\\server\\share\\evil", true, ""}, {"C:\\\\server\\share\\evil", true, ""},   // a share, also behind a drive
        {"\\a:b", true, ""}, {"\\dir\\", true, ""}, {"", true, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.usePaths ? " with paths" : ""));
        Unpacker unpack;
        fs::create_directories(unpack.dir.path("out/sub"));
        fs::create_directories(unpack.dir.path("out2"));
        fs::create_directory_symlink(unpack.dir.path("out2"), unpack.dir.path("out/link"));
        fs::create_directory_symlink("sub", unpack.dir.path("out/inner"));
        EXPECT_EQ(unpack(headerBytes(1) + entryBytes(c.name, int32_t(strlen(c.name)), "payload")
                             + entryBytes("\\after", 6, "after"), c.usePaths), 0);
        EXPECT_TRUE(unpack.messages.empty());
        EXPECT_EQ(readFile(unpack.dir.path("out/after")), "after");   // the next entry still unpacks
        EXPECT_TRUE(tree(unpack.dir.path("out2")).empty()) << "wrote outside";
        EXPECT_FALSE(fs::exists(unpack.dir.path("evil")));
        EXPECT_EQ(unpack.zip.targetRefused(), *c.expected ? 0 : 1);
        if (*c.expected) {
            EXPECT_EQ(readFile(unpack.dir.path("out/") + c.expected), "payload");
        }
    }
}

TEST(ArchiveDecompress, RelativeOutputpathIsTakenFromTheCurrentFolder)
{
    TempDir dir;
    writeFile(dir.path("c"), headerBytes(0) + entryBytes("\\a", 2, "alpha"));
    {
        ScopedCurrentPath cwd(dir.path());
        ZLibArchive zip;
        EXPECT_EQ(zip.Decompress("c", "rel", false, true, false, true, false), 0);
        EXPECT_EQ(zip.Decompress("c", "", false, true, false, true, false), 0);
    }
    EXPECT_EQ(readFile(dir.path("rel/a")), "alpha");
    EXPECT_EQ(readFile(dir.path("a")), "alpha");
}

// Files nobody should trust (more are under tests/data): each ends in its result (the
// unexpected-failure message for a fault found in a container), writes nothing outside,
// leaves no work file, allocates no more than the file holds, and replaces the existing
// target only with a whole, sound entry.
TEST(ArchiveDecompress, HostileContainersEndInTheirResultAndLoseNothing)
{
    const auto chunk = [](int32_t declared, int32_t length, const Bytes &bytes, int32_t entryLength) {
        return headerBytes(0) + rawEntry("\\a", 5, le32(declared) + le32(length) + bytes, entryLength);
    };
    const struct {
        const char *description;
        Bytes bytes;
        int16_t code;
        bool failed;
        const char *target;     // out/a afterwards ("mine" before)
    } cases[] = {
        {"no container", "PK", result::BadSignature, false, "mine"},
        {"another signature", le32(21) + "Quorvanta zLibContro!" + le32(0), result::BadSignature, false, "mine"},
        {"signature length near 2^31", le32(0x7fffffff) + "Quorvanta zLibControl", result::BadSignature, false, "mine"},
        {"entry count near 2^31", headerBytes(0x7ffffffe), 0, true, "mine"},
        {"negative entry count", headerBytes(-5), 0, true, "mine"},
        {"name length beyond the file", headerBytes(0) + le32(0x7fffffff) + "\\a", 0, true, "mine"},
        {"name cut inside a double-byte character", headerBytes(0) + le32(1) + "\xCD", 0, true, "mine"},
        {"chunk claiming 2 GB", chunk(0x7fffffff, kL, kAlpha, kL + 8), 0, true, "mine"},
        {"chunk length beyond its entry", chunk(5, kL + 100, kAlpha + Bytes(100, 'x'), kL + 8), 0, true, "mine"},
        {"negative chunk length", chunk(5, -8, kAlpha, kL + 8), 0, true, "mine"},
        {"chunk header cut by the entry", chunk(5, kL, kAlpha + "xxxx", kL + 12), 0, true, "mine"},
        {"corrupt deflate data", chunk(5, kL, Bytes(size_t(kL), 'z'), kL + 8), -3, true, "mine"},
        {"deflate stream cut short", chunk(5, kL - 3, kAlpha.substr(0, size_t(kL - 3)), kL + 5), -3, true, "mine"},
        {"second entry missing", headerBytes(1) + entryBytes("\\a", 2, "alpha"), 0, true, "alpha"},
        {"chunk larger than declared, within the repeats", chunk(2, kL, kAlpha, kL + 8), 0, false, "alpha"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.description);
        TempDir temp;
        Unpacker unpack(temp.path());
        writeFile(unpack.dir.path("out/a"), "mine");
        EXPECT_EQ(unpack(c.bytes, true), c.code);
        EXPECT_EQ(unpack.zip.failed(), c.failed);
        ASSERT_EQ(unpack.messages.size(), c.failed && c.code == 0 ? 1u : 0u);
        if (!unpack.messages.empty()) {
            EXPECT_EQ(unpack.messages[0].rfind("发生错误，原因：", 0), 0u);
        }
        EXPECT_EQ(tree(unpack.dir.path()), (std::vector<std::string>{"c", "out", "out/a"}));
        EXPECT_EQ(readFile(unpack.dir.path("out/a")), c.target);
        EXPECT_TRUE(tree(temp.path()).empty()) << "a work file was left behind";
        EXPECT_LE(unpack.zip.FileCount(), 2);
    }
}

TEST(ArchiveDecompress, EveryTruncationOfAGoodContainerFails)
{
    const Bytes full = headerBytes(2) + entryBytes("\\\xCD\xBC\\a", 4, sampleData(3000)) + entryBytes("\\e", 2, "")
        + entryBytes("\\b", 2, "beta");
    Unpacker unpack;
    unpack.zip.setReadBuf(1000);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const int16_t code = unpack(full.substr(0, cut), true);
        EXPECT_TRUE(unpack.zip.failed() || code != 0) << "cut at " << cut;
    }
    EXPECT_EQ(unpack(full, true), 0);
    EXPECT_FALSE(unpack.zip.failed());
    EXPECT_EQ(readFile(unpack.dir.path("out/图/a")), sampleData(3000));
}

TEST(ArchiveDecompress, AcrossFileSystemsTheTargetIsStillReplacedWhole)
{
    struct stat here {}, shm {};
    if (::stat(fs::temp_directory_path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0
        || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system for the work files";
    std::string work = "/dev/shm/zeva-archive-XXXXXX";
    ASSERT_NE(::mkdtemp(work.data()), nullptr);
    Unpacker unpack(work);
    writeFile(unpack.dir.path("out/a"), "mine");
    writeFile(unpack.dir.path("victim"), "victim");
    fs::create_symlink(unpack.dir.path("victim"), unpack.dir.path("out/l"));

    EXPECT_EQ(unpack(headerBytes(1) + entryBytes("\\a", 2, sampleData(70000)) + entryBytes("\\l", 2, "link")), 0);
    EXPECT_TRUE(unpack.messages.empty());
    EXPECT_EQ(readFile(unpack.dir.path("out/a")), sampleData(70000));
    EXPECT_FALSE(fs::is_symlink(unpack.dir.path("out/l")));   // replaced, not written through
    EXPECT_EQ(readFile(unpack.dir.path("out/l")), "link");
    EXPECT_EQ(readFile(unpack.dir.path("victim")), "victim");
    EXPECT_EQ(tree(unpack.dir.path("out")), (std::vector<std::string>{"a", "l"}));   // no copy left beside
    EXPECT_TRUE(tree(work).empty());
    fs::remove_all(work);
}

TEST(ArchiveDecompress, AHighRatioChunkIsInflatedInPiecesNotHeldWhole)
{
    // One chunk of 128 MiB of zeros packs into about 128 KiB: within deflate's ratio, so
    // it is valid, and its output must still pass through bounded memory. A second entry
    // is one stored chunk of 48 MiB: its input must not be held whole either.
    constexpr int64_t size = int64_t(128) << 20;
    Bytes zeros(size_t(size), '\0');
    const Bytes packed = compress2Of(zeros, 9);
    const uint32_t crc = crcOf(zeros);
    zeros = Bytes();
    const Bytes stream = le32(size) + le32(int64_t(packed.size())) + packed;
    TempDir dir;
    const Bytes stored = sampleData(48 << 20, 7);
    writeFile(dir.path("bomb"), headerBytes(1) + le32(2) + "\\a" + le32(size) + le32(crc) + le32(crcOf(packed))
                                    + le32(int64_t(stream.size())) + stream
                                    + entryBytes("\\b", 2, stored, int32_t(stored.size()), 0));
    const int status = inChild(120, [&] {
        const long before = residentKiB("VmRSS:");
        ZLibArchive zip;
        std::vector<int32_t> bad;
        if (zip.Verify(dir.path("bomb"), &bad) != 0 || zip.failed() || !bad.empty())
            return 2;
        return residentKiB("VmHWM:") - before < 32 * 1024 ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "1: the output was held in memory; 2: the container did not verify";
}

TEST(ArchiveDecompress, AnUndecodableLongNameIsReadInOnePass)
{
    // A million characters of a lead byte followed by no valid trail byte: mended one by
    // one from the start, they took minutes.
    Bytes name;
    for (int i = 0; i < 1000000; ++i)
        name += "\x81\x20";
    TempDir dir;
    writeFile(dir.path("c"), headerBytes(0) + le32(1000000) + name + le32(0) + le32(0) + le32(0) + le32(0));
    const int status = inChild(30, [&] {
        ZLibArchive zip;
        if (zip.Decompress(dir.path("c"), {}, true) != 0 || zip.FileCount() != 1)
            return 2;
        const std::string decoded = zip.Filename(0);
        return decoded.find("\xEF\xBF\xBD") == std::string::npos && decoded.rfind("_", 0) == 0 ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "-1: it ran out of time";
}

TEST(ArchiveDecompress, CallsMadeWhileEventsRunAreRefused)
{
    Unpacker unpack;
    const std::string container = unpack.dir.path("c"), file = unpack.dir.path("f");
    writeFile(file, "file");
    ZLibArchive &zip = unpack.zip;
    std::vector<int> nested;
    zip.setCallbacks({{}, [&] {
                          nested.push_back(zip.Decompress(container, unpack.dir.path("other")));
                          nested.push_back(zip.Verify(container, nullptr));
                          nested.push_back(zip.Compress(unpack.dir.path("x")));
                          nested.push_back(zip.AddFile(file));
                          nested.push_back(zip.RemoveFile(0));
                          zip.setFilename(0, "changed");
                          zip.Reset();
                      },
                      [&](const std::string &m) { unpack.messages.push_back(m); }});
    ASSERT_EQ(unpack(headerBytes(1) + entryBytes("\\d\\a", 4, sampleData(70000)) + entryBytes("\\e\\b", 4, "beta"), true), 0);
    EXPECT_FALSE(zip.failed()) << zip.failure();
    ASSERT_FALSE(nested.empty());
    for (size_t k = 0; k < nested.size(); k += 5)
        EXPECT_EQ(std::vector<int>(nested.begin() + long(k), nested.begin() + long(k) + 5),
                  (std::vector<int>{result::Busy, result::Busy, result::Busy, false, false}));
    EXPECT_EQ(unpack.messages.size(), nested.size() / 5 * 7);
    EXPECT_EQ(unpack.messages.at(0), "发生错误，原因：the archive is busy with another call");
    ASSERT_EQ(zip.FileCount(), 2);
    EXPECT_EQ(zip.Filename(0), "\\d\\a");
    EXPECT_EQ(readFile(unpack.dir.path("out/d/a")), sampleData(70000));
    EXPECT_EQ(readFile(unpack.dir.path("out/e/b")), "beta");
    EXPECT_FALSE(fs::exists(unpack.dir.path("other")));
    EXPECT_FALSE(fs::exists(unpack.dir.path("x")));
}

// The regression files under tests/data, each named after the fault it reproduces; a file
// added there without a row here fails.
TEST(ArchiveDecompress, CraftedFilesUnderTestData)
{
    const struct Expected {
        bool failed;                  // Decompress and Verify end in the unexpected-failure path
        int refused;                  // entries Decompress skipped
        std::vector<int32_t> bad;     // what Verify names
    } failure{true, 0, {}};
    const std::map<std::string, Expected> expected = {
        {"chunk-claims-2gb.zlc", failure}, {"compressed-size-beyond-file.zlc", failure},
        {"entry-count-huge.zlc", failure}, {"name-length-negative.zlc", failure},
        {"traversal-dotdot.zlc", {false, 1, {0}}}, {"unc-name.zlc", {false, 1, {0}}},   // their CRCs are 0
    };
    size_t seen = 0;
    for (const auto &file : fs::directory_iterator(ZEVA_ARCHIVE_TEST_DATA)) {
        const std::string name = file.path().filename().string();
        SCOPED_TRACE(name);
        ASSERT_EQ(expected.count(name), 1u);
        const Expected &e = expected.at(name);
        ++seen;
        TempDir dir;   // out two levels down, so that "..\..\x" would still land in dir
        ZLibArchive zip;
        EXPECT_EQ(zip.Decompress(file.path().string(), dir.path("x/y/out"), false, true, false, true, true), 0);
        EXPECT_EQ(zip.failed(), e.failed);
        EXPECT_EQ(zip.targetRefused(), e.refused);
        for (const auto &f : tree(dir.path()))
            EXPECT_TRUE(fs::is_directory(dir.path(f))) << f << " was written";
        std::vector<int32_t> bad;
        EXPECT_EQ(zip.Verify(file.path().string(), &bad), 0);
        EXPECT_EQ(zip.failed(), e.failed);
        EXPECT_EQ(bad, e.bad);
    }
    EXPECT_EQ(seen, expected.size());
}

} // namespace
} // namespace zeva::archive::test
