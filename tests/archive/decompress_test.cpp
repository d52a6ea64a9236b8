// Unpacking: CRC handling, targets and overwrite, and containers nobody should trust.

#include "archivetestutil.h"
#include "zlibarchive.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

namespace zeva::archive::test {
namespace {

namespace fs = std::filesystem;

// Every file below `root`, as sorted relative paths.
std::vector<std::string> tree(const std::string &root)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
        out.push_back(fs::relative(it->path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

struct Unpacked {
    int16_t code;
    bool failed;
    std::vector<std::string> messages;
};

Unpacked unpack(ZLibArchive &zip, const std::string &container, const std::string &out, bool usePaths = false,
                bool overwrite = true, bool saveCorrupted = true, bool doubleCrc = false)
{
    Unpacked u{};
    zip.setCallbacks({{}, {}, [&](const std::string &m) { u.messages.push_back(m); }});
    u.code = zip.Decompress(container, out, false, true, doubleCrc, saveCorrupted, usePaths, overwrite);
    u.failed = zip.failed();
    zip.setCallbacks({});
    return u;
}

TEST(ArchiveDecompress, ResultCodesForMissingFolderAndForeignFiles)
{
    TempDir dir;
    ZLibArchive zip;
    EXPECT_EQ(zip.Decompress(dir.path("missing"), dir.path("out")), result::NotAFile);
    EXPECT_EQ(zip.Decompress(dir.path(), dir.path("out")), result::NotAFile);
    writeFile(dir.path("other"), le32(21) + "Quorvanta zLibContro!" + le32(0));
    EXPECT_EQ(zip.Decompress(dir.path("other"), dir.path("out")), result::BadSignature);
    writeFile(dir.path("short"), "PK");
    EXPECT_EQ(zip.Decompress(dir.path("short"), dir.path("out")), result::BadSignature);
    writeFile(dir.path("hugesig"), le32(0x7fffffff) + "Quorvanta zLibControl");
    EXPECT_EQ(zip.Decompress(dir.path("hugesig"), dir.path("out")), result::BadSignature);
    EXPECT_FALSE(zip.failed());
    EXPECT_FALSE(fs::exists(dir.path("out")));
}

TEST(ArchiveDecompress, TrailingBytesAreNeverRead)
{
    TempDir dir;
    writeFile(dir.path("c"), headerBytes(0) + entryBytes("\\a", 2, "alpha") + "garbage that is no entry");
    ZLibArchive zip;
    const auto u = unpack(zip, dir.path("c"), dir.path("out"));
    EXPECT_EQ(u.code, 0);
    EXPECT_FALSE(u.failed);
    EXPECT_EQ(readFile(dir.path("out/a")), "alpha");
}

TEST(ArchiveDecompress, ExistingTargetWithoutOverwriteIsSkippedAndTheNextEntryStillReads)
{
    TempDir dir;
    writeFile(dir.path("c"), headerBytes(1) + entryBytes("\\a", 2, sampleData(90000)) + entryBytes("\\b", 2, "beta"));
    writeFile(dir.path("out/a"), "mine");
    ZLibArchive zip;
    auto u = unpack(zip, dir.path("c"), dir.path("out"), false, false);
    EXPECT_EQ(u.code, 0);
    EXPECT_EQ(readFile(dir.path("out/a")), "mine");
    EXPECT_EQ(readFile(dir.path("out/b")), "beta");
    EXPECT_EQ(zip.targetRefused(), 1);
    u = unpack(zip, dir.path("c"), dir.path("out"), false, true);
    EXPECT_EQ(readFile(dir.path("out/a")), sampleData(90000));
}

TEST(ArchiveDecompress, CorruptCrcWithAndWithoutSavingCorruptedFiles)
{
    TempDir dir;
    Bytes entry = entryBytes("\\a", 2, "alpha");
    entry[4 + 2 + 4] ^= 0x01;   // the stored CRC of the data
    writeFile(dir.path("c"), headerBytes(1) + entry + entryBytes("\\b", 2, "beta"));
    ZLibArchive zip;
    auto u = unpack(zip, dir.path("c"), dir.path("saved"), false, true, true);
    EXPECT_EQ(readFile(dir.path("saved/a")), "alpha");
    u = unpack(zip, dir.path("c"), dir.path("dropped"), false, true, false);
    EXPECT_EQ(u.code, 0);
    EXPECT_TRUE(u.messages.empty());   // a bad entry is dropped without a message
    EXPECT_EQ(tree(dir.path("dropped")), std::vector<std::string>{"b"});

    std::vector<int32_t> bad;
    EXPECT_EQ(zip.Verify(dir.path("c"), &bad), 0);
    EXPECT_EQ(bad, std::vector<int32_t>{0});
}

TEST(ArchiveDecompress, DoubleCrcChecksTheCompressedPayloads)
{
    TempDir dir;
    Bytes entry = entryBytes("\\a", 2, "alpha");
    entry[4 + 2 + 8] ^= 0x01;   // the stored CRC of the compressed payloads
    writeFile(dir.path("c"), headerBytes(0) + entry);
    ZLibArchive zip;
    unpack(zip, dir.path("c"), dir.path("single"), false, true, false, false);
    EXPECT_EQ(readFile(dir.path("single/a")), "alpha");
    unpack(zip, dir.path("c"), dir.path("double"), false, true, false, true);
    EXPECT_FALSE(fs::exists(dir.path("double/a")));
}

struct TargetCase {
    const char *name;        // stored name, UTF-8
    bool usePaths;
    const char *expected;    // file below out/, or "" when refused
};

void PrintTo(const TargetCase &c, std::ostream *os) { *os << c.name << (c.usePaths ? " with paths" : ""); }

class Targets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(Targets, LandBelowOutputpathOrAreRefused)
{
    TempDir dir;
    const TargetCase &c = GetParam();
    writeFile(dir.path("c"), headerBytes(1) + entryBytes(c.name, int32_t(strlen(c.name)), "payload")
                                 + entryBytes("\\after", 6, "after"));
    fs::create_directories(dir.path("out"));
    fs::create_directories(dir.path("out2"));
    fs::create_directory_symlink(dir.path("out2"), dir.path("out/link"));
    fs::create_directory_symlink("sub", dir.path("out/inner"));
    fs::create_directories(dir.path("out/sub"));
    ZLibArchive zip;
    const auto u = unpack(zip, dir.path("c"), dir.path("out"), c.usePaths);
    EXPECT_EQ(u.code, 0);
    EXPECT_FALSE(u.failed) << (u.messages.empty() ? "" : u.messages[0]);
    EXPECT_EQ(readFile(dir.path("out/after")), "after");   // the next entry still unpacks
    EXPECT_TRUE(tree(dir.path("out2")).empty()) << "wrote outside";
    EXPECT_FALSE(fs::exists(dir.path("evil")));
    if (*c.expected) {
        EXPECT_EQ(readFile(dir.path("out/") + c.expected), "payload");
        EXPECT_EQ(zip.targetRefused(), 0);
    } else {
        EXPECT_EQ(zip.targetRefused(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(ArchiveDecompress, Targets, ::testing::Values(
    TargetCase{"\\a\\b\\c.dwg", true, "a/b/c.dwg"},
    TargetCase{"\\a\\b\\c.dwg", false, "c.dwg"},
    TargetCase{"C:\\a\\c.dwg", true, "a/c.dwg"},          // a drive is dropped
    TargetCase{"\\a/b\\c.dwg", true, "a/b/c.dwg"},         // "/" separates as on Windows
    TargetCase{"\\inner\\c.dwg", true, "sub/c.dwg"},       // a link that stays inside
    TargetCase{"\\..\\evil", true, ""},
    TargetCase{"\\..\\evil", false, ""},
    TargetCase{"\\a\\..\\..\\evil", true, ""},
    TargetCase{"\\.\\x", true, ""},
    TargetCase{"\\\\server\\share\\evil", true, ""},
    TargetCase{"C:\\\\server\\share\\evil", true, ""},       // a share behind a drive
    TargetCase{"\\a:b", true, ""},
    TargetCase{"C:evil", true, "evil"},                    // drive-relative: still below out
    TargetCase{"\\dir\\", true, ""},                       // no file name
    TargetCase{"", true, ""},
    TargetCase{"\\link\\evil", true, ""},                  // out/link -> out2 (not below out)
    TargetCase{"\\link\\evil", false, "evil"}));

TEST(ArchiveDecompress, FolderCreationLetsEventsRunAndVerifyFlagsMissingData)
{
    TempDir dir;
    writeFile(dir.path("c"), headerBytes(1) + entryBytes("\\a\\b\\c\\f", 8, "deep")
                                 + le32(2) + "\\e" + le32(5) + le32(0x1234) + le32(0) + le32(0));
    ZLibArchive zip;
    int yields = 0;
    zip.setCallbacks({{}, [&] { ++yields; }, {}});
    ASSERT_EQ(zip.Decompress(dir.path("c"), dir.path("out"), false, true, false, true, true), 0);
    EXPECT_EQ(readFile(dir.path("out/a/b/c/f")), "deep");
    EXPECT_GE(yields, 4);   // once per folder prefix, out/a/b/c at least
    std::vector<int32_t> bad;
    EXPECT_EQ(zip.Verify(dir.path("c"), &bad), 0);
    EXPECT_EQ(bad, std::vector<int32_t>{1});   // five bytes announced, none stored
}

TEST(ArchiveDecompress, RelativeOutputpathIsTakenFromTheCurrentFolder)
{
    TempDir dir;
    writeFile(dir.path("c"), headerBytes(0) + entryBytes("\\a", 2, "alpha"));
    const auto cwd = fs::current_path();
    fs::current_path(dir.path());
    ZLibArchive zip;
    EXPECT_EQ(zip.Decompress("c", "rel", false, true, false, true, false), 0);
    EXPECT_EQ(zip.Decompress("c", "", false, true, false, true, false), 0);
    fs::current_path(cwd);
    EXPECT_EQ(readFile(dir.path("rel/a")), "alpha");
    EXPECT_EQ(readFile(dir.path("a")), "alpha");
}

// Hostile containers: each ends in the unexpected-failure path (or a zlib code), writes
// nothing outside, and allocates no more than the file holds.
struct HostileCase {
    const char *description;
    Bytes bytes;
    int16_t code;   // expected result; 0 means the unexpected-failure path
};

Bytes chunked(const Bytes &name, int32_t characters, int32_t fileSize, const Bytes &chunks, int32_t compressedSize)
{
    return le32(characters) + name + le32(fileSize) + le32(0) + le32(0) + le32(compressedSize) + chunks;
}

std::vector<HostileCase> hostileCases()
{
    const Bytes good = compress2Of("alpha");
    const int32_t L = int32_t(good.size());
    std::vector<HostileCase> cases = {
        {"entry count beyond the file", headerBytes(1000000), 0},
        {"entry count near 2^31", headerBytes(0x7ffffffe), 0},
        {"negative entry count", headerBytes(-5), 0},
        {"negative name length", headerBytes(0) + le32(-1), 0},
        {"name length beyond the file", headerBytes(0) + le32(0x7fffffff) + "\\a", 0},
        {"name cut inside a double-byte character", headerBytes(0) + le32(1) + "\xCD", 0},
        {"compressed size beyond the file", headerBytes(0) + chunked("\\a", 2, 5, "", 0x7fffffff), 0},
        {"chunk claiming 2 GB", headerBytes(0) + chunked("\\a", 2, 5, le32(0x7fffffff) + le32(L) + good, L + 8), 0},
        {"chunk length beyond its entry",
         headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(L + 100) + good + Bytes(100, 'x'), L + 8), 0},
        {"negative chunk length", headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(-8) + good, L + 8), 0},
        {"chunk header cut by the entry", headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(L) + good + "xxxx", L + 12), 0},
        {"corrupt deflate data", headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(L) + Bytes(size_t(L), 'z'), L + 8), -3},
        {"deflate stream cut short",
         headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(L - 3) + good.substr(0, size_t(L - 3)), L + 5), -3},
        {"second entry missing", headerBytes(1) + entryBytes("\\a", 2, "alpha"), 0},
    };
    return cases;
}

TEST(ArchiveDecompress, HostileContainersFailCleanly)
{
    for (const auto &c : hostileCases()) {
        SCOPED_TRACE(c.description);
        TempDir dir, temp;
        writeFile(dir.path("c"), c.bytes);
        writeFile(dir.path("out/a"), "mine");   // the target every hostile entry names
        ::setenv("TMPDIR", temp.path().c_str(), 1);
        ZLibArchive zip;
        ::unsetenv("TMPDIR");
        const auto u = unpack(zip, dir.path("c"), dir.path("out"), true);
        EXPECT_EQ(u.code, c.code);
        if (c.code == 0) {
            EXPECT_TRUE(u.failed);
            ASSERT_EQ(u.messages.size(), 1u);
            EXPECT_EQ(u.messages[0].rfind("发生错误，原因：", 0), 0u);
        }
        for (const auto &f : tree(dir.path()))
            EXPECT_TRUE(f == "c" || f.rfind("out", 0) == 0) << f;
        // Only a whole, sound entry replaces it (the first of "second entry missing" is one).
        const bool replaced = std::string(c.description) == "second entry missing";
        EXPECT_EQ(readFile(dir.path("out/a")), replaced ? "alpha" : "mine");
        EXPECT_TRUE(tree(temp.path()).empty()) << "a work file was left behind";
        EXPECT_LE(zip.FileCount(), 2);
    }
}

TEST(ArchiveDecompress, EveryTruncationOfAGoodContainerFailsWithoutACrash)
{
    TempDir dir;
    const Bytes full = headerBytes(2) + entryBytes("\\\xCD\xBC\\a", 4, sampleData(3000)) + entryBytes("\\e", 2, "")
        + entryBytes("\\b", 2, "beta");
    for (size_t cut = 0; cut < full.size(); ++cut) {
        writeFile(dir.path("c"), full.substr(0, cut));
        ZLibArchive zip;
        zip.setReadBuf(1000);
        const auto u = unpack(zip, dir.path("c"), dir.path("out"), true);
        EXPECT_TRUE(u.failed || u.code != 0) << "cut at " << cut;
    }
    writeFile(dir.path("c"), full);
    ZLibArchive zip;
    const auto u = unpack(zip, dir.path("c"), dir.path("out"), true);
    EXPECT_FALSE(u.failed);
    EXPECT_EQ(readFile(dir.path("out/图/a")), sampleData(3000));
}

TEST(ArchiveDecompress, ChunkLargerThanDeclaredIsRepeatedWithinItsBound)
{
    TempDir dir;
    const Bytes good = compress2Of("alpha");
    const int32_t L = int32_t(good.size());
    writeFile(dir.path("c"), headerBytes(0) + chunked("\\a", 2, 5, le32(2) + le32(L) + good, L + 8));
    ZLibArchive zip;
    const auto u = unpack(zip, dir.path("c"), dir.path("out"));
    EXPECT_EQ(u.code, 0);
    EXPECT_FALSE(u.failed);
    EXPECT_EQ(readFile(dir.path("out/a")), "alpha");
}

TEST(ArchiveDecompress, AnEntryThatFailsLeavesTheExistingTargetAsItWas)
{
    const Bytes good = compress2Of("alpha");
    const int32_t L = int32_t(good.size());
    Bytes badCrc = entryBytes("\\a", 2, "alpha");
    badCrc[4 + 2 + 4] ^= 0x01;
    struct Case {
        const char *description;
        Bytes bytes;
        bool saveCorrupted;
    };
    const Case cases[] = {
        {"corrupt deflate data", headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(L) + Bytes(size_t(L), 'z'), L + 8), true},
        {"deflate stream cut short",
         headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(L - 3) + good.substr(0, size_t(L - 3)), L + 5), true},
        {"chunk header cut by the entry", headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(L) + good + "xxxx", L + 12), true},
        {"CRC mismatch, corrupted files dropped", headerBytes(0) + badCrc, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.description);
        TempDir dir;
        writeFile(dir.path("c"), c.bytes);
        writeFile(dir.path("out/a"), "mine");
        ZLibArchive zip;
        unpack(zip, dir.path("c"), dir.path("out"), false, true, c.saveCorrupted);
        EXPECT_EQ(readFile(dir.path("out/a")), "mine");
        EXPECT_EQ(tree(dir.path("out")), std::vector<std::string>{"a"});
    }
}

TEST(ArchiveDecompress, AcrossFileSystemsTheTargetIsStillReplacedWhole)
{
    TempDir dir;
    struct stat here {}, shm {};
    if (::stat(dir.path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system for the work files";
    std::string work = "/dev/shm/zeva-archive-XXXXXX";
    ASSERT_NE(::mkdtemp(work.data()), nullptr);
    ::setenv("TMPDIR", work.c_str(), 1);
    ZLibArchive zip;
    ::unsetenv("TMPDIR");
    writeFile(dir.path("good"), headerBytes(1) + entryBytes("\\a", 2, sampleData(70000)) + entryBytes("\\l", 2, "link"));
    const Bytes packed = compress2Of("alpha");
    writeFile(dir.path("bad"), headerBytes(0) + chunked("\\a", 2, 5, le32(5) + le32(int32_t(packed.size()))
                                   + Bytes(packed.size(), 'z'), int32_t(packed.size()) + 8));
    writeFile(dir.path("out/a"), "mine");
    writeFile(dir.path("victim"), "victim");
    fs::create_symlink(dir.path("victim"), dir.path("out/l"));

    auto u = unpack(zip, dir.path("good"), dir.path("out"));
    EXPECT_FALSE(u.failed) << (u.messages.empty() ? "" : u.messages[0]);
    EXPECT_EQ(readFile(dir.path("out/a")), sampleData(70000));
    EXPECT_EQ(readFile(dir.path("out/l")), "link");
    EXPECT_FALSE(fs::is_symlink(dir.path("out/l")));   // replaced, not written through
    EXPECT_EQ(readFile(dir.path("victim")), "victim");
    u = unpack(zip, dir.path("bad"), dir.path("out"));
    EXPECT_EQ(u.code, -3);
    EXPECT_EQ(readFile(dir.path("out/a")), sampleData(70000));
    EXPECT_EQ(tree(dir.path("out")), (std::vector<std::string>{"a", "l"}));   // no copy left beside
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
        resetPeak();
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
    TempDir dir;
    writeFile(dir.path("c"), headerBytes(1) + entryBytes("\\d\\a", 4, sampleData(70000)) + entryBytes("\\e\\b", 4, "beta"));
    writeFile(dir.path("f"), "file");
    ZLibArchive zip;
    std::vector<std::string> messages;
    std::vector<int> nested;
    zip.setCallbacks({{}, [&] {
                          nested.push_back(zip.Decompress(dir.path("c"), dir.path("other"), false, true, false, true, true));
                          nested.push_back(zip.Verify(dir.path("c"), nullptr));
                          nested.push_back(zip.Compress(dir.path("x")));
                          nested.push_back(zip.AddFile(dir.path("f")) ? 1 : 0);
                          nested.push_back(zip.RemoveFile(0) ? 1 : 0);
                          zip.setFilename(0, "changed");
                          zip.Reset();
                      },
                      [&](const std::string &m) { messages.push_back(m); }});
    ASSERT_EQ(zip.Decompress(dir.path("c"), dir.path("out"), false, true, false, true, true), 0);
    EXPECT_FALSE(zip.failed()) << zip.failure();
    ASSERT_FALSE(nested.empty());
    for (size_t k = 0; k < nested.size(); k += 5) {
        EXPECT_EQ(nested[k], result::Busy);
        EXPECT_EQ(nested[k + 1], result::Busy);
        EXPECT_EQ(nested[k + 2], result::Busy);
        EXPECT_EQ(nested[k + 3], 0);
        EXPECT_EQ(nested[k + 4], 0);
    }
    EXPECT_EQ(messages.size(), nested.size() / 5 * 7);
    EXPECT_EQ(messages.at(0), "发生错误，原因：the archive is busy with another call");
    ASSERT_EQ(zip.FileCount(), 2);
    EXPECT_EQ(zip.Filename(0), "\\d\\a");
    EXPECT_EQ(readFile(dir.path("out/d/a")), sampleData(70000));
    EXPECT_EQ(readFile(dir.path("out/e/b")), "beta");
    EXPECT_FALSE(fs::exists(dir.path("other")));
    EXPECT_FALSE(fs::exists(dir.path("x")));
}

TEST(ArchiveDecompress, CraftedFilesUnderTestData)
{
    for (const auto &e : fs::directory_iterator(ZEVA_ARCHIVE_TEST_DATA)) {
        SCOPED_TRACE(e.path().filename().string());
        TempDir dir;
        ZLibArchive zip;
        unpack(zip, e.path().string(), dir.path("out"), true);
        EXPECT_TRUE(tree(dir.path("out")).size() <= 4);
        std::vector<int32_t> bad;
        zip.Verify(e.path().string(), &bad);
    }
}

} // namespace
} // namespace zeva::archive::test
