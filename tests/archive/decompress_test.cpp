// Unpacking: CRC handling, targets, and containers nobody should trust.

#include "archivetestutil.h"

#include <sys/stat.h>

namespace zeva::archive::test {
namespace {

TEST(ArchiveDecompress, NamesLandBelowOutputpathOrAreRefused)
{
    // Stored name (UTF-8), with paths, and the file below out/ ("" when refused).
    const struct { const char *name; bool usePaths; const char *expected; } cases[] = {
        {"\\a\\b\\c.dwg", true, "a/b/c.dwg"}, {"\\a\\b\\c.dwg", false, "c.dwg"},
        {"C:\\a\\c.dwg", true, "a/c.dwg"},              // a drive is dropped
        {"\\a/b\\c.dwg", true, "a/b/c.dwg"},            // "/" separates as on Windows
        {"\\inner\\c.dwg", true, "sub/c.dwg"},          // a link that stays inside
        {"C:evil", true, "evil"},                       // drive-relative: still below out
        {"\\link\\evil", false, "evil"}, {"\\link\\evil", true, ""},   // out/link -> out2 (not below out)
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

// Damage that Decompress and Verify both find: each container ends in its result (the
// unexpected-failure message for a fault found in the container; a CRC mismatch is none),
// writes nothing outside out/, leaves no work file, and replaces the existing out/a only
// with a whole entry, a damaged one only when asked; Verify names the damaged entries.
// More hostile files (a count or a chunk near 2^31) are under tests/data.
TEST(ArchiveDecompress, DamagedContainersEndInTheirResultAndLoseNothing)
{
    const auto chunk = [](int32_t declared, int32_t length, const Bytes &bytes, int32_t entryLength) {
        return headerBytes(0) + rawEntry("\\a", 5, le32(declared) + le32(length) + bytes, entryLength);
    };
    const auto flipped = [](size_t at) {   // \a "alpha" with one bit flipped, then \b "beta"
        Bytes a = entryBytes("\\a", 2, "alpha");
        a[at] ^= 0x01;
        return headerBytes(1) + a + entryBytes("\\b", 2, "beta");
    };
    const size_t kFileSize = 4 + 2, kDataCrc = kFileSize + 4, kPackedCrc = kDataCrc + 4;
    const Bytes alpha = compress2Of("alpha");
    const int32_t L = int32_t(alpha.size());
    // Input; result code and failed(); out/a afterwards ("mine" before); out/b unpacked; the
    // entries Verify names (a raw entry's CRCs are 0); SaveCorruptedFiles and DoubleCRC32.
    const struct {
        const char *description; Bytes bytes; int16_t code = 0; bool failed = false; const char *target = "mine";
        bool beta = false; std::vector<int32_t> bad{}; bool saveCorrupted = true, doubleCrc = false;
    } cases[] = {
        {"data CRC flipped, corrupted files saved", flipped(kDataCrc), 0, false, "alpha", true, {0}},
        {"data CRC flipped, corrupted files dropped", flipped(kDataCrc), 0, false, "mine", true, {0}, false},
        {"packed CRC flipped, single check", flipped(kPackedCrc), 0, false, "alpha", true, {0}, false},
        {"packed CRC flipped, double check", flipped(kPackedCrc), 0, false, "mine", true, {0}, false, true},
        {"file size flipped (only Verify checks it)", flipped(kFileSize), 0, false, "alpha", true, {0}, false, true},
        {"data announced, none stored", headerBytes(1) + rawEntry("\\a", 5, "", 0) + entryBytes("\\b", 2, "beta"), 0, false,
         "mine", true, {0}},
        {"no container", "PK", result::BadSignature},
        {"another signature", le32(21) + "Quorvanta zLibContro!" + le32(0), result::BadSignature},
        {"signature length near 2^31", le32(0x7fffffff) + "Quorvanta zLibControl", result::BadSignature},
        {"negative entry count", headerBytes(-5), 0, true},
        {"name length beyond the file", headerBytes(0) + le32(0x7fffffff) + "\\a", 0, true},
        {"name cut inside a double-byte character", headerBytes(0) + le32(1) + "\xCD", 0, true},
        {"chunk length beyond its entry", chunk(5, L + 100, alpha + Bytes(100, 'x'), L + 8), 0, true},
        {"negative chunk length", chunk(5, -8, alpha, L + 8), 0, true},
        {"chunk header cut by the entry", chunk(5, L, alpha + "xxxx", L + 12), 0, true},
        {"corrupt deflate data", chunk(5, L, Bytes(size_t(L), 'z'), L + 8), -3, true},
        {"deflate stream cut short", chunk(5, L - 3, alpha.substr(0, size_t(L - 3)), L + 5), -3, true},
        {"second entry missing", headerBytes(1) + entryBytes("\\a", 2, "alpha"), 0, true, "alpha"},
        {"chunk larger than declared, within the repeats", chunk(2, L, alpha, L + 8), 0, false, "alpha", false, {0}},
        {"chunk smaller than declared", chunk(9, L, alpha, L + 8), 0, false, "alpha", false, {0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.description);
        TempDir temp;
        Unpacker unpack(temp.path());
        writeFile(unpack.dir.path("out/a"), "mine");
        EXPECT_EQ(unpack(c.bytes, true, c.saveCorrupted, c.doubleCrc), c.code);
        EXPECT_EQ(unpack.zip.failed(), c.failed);
        EXPECT_EQ(unpack.messages.size(), c.failed && c.code == 0 ? 1u : 0u);
        EXPECT_EQ(tree(unpack.dir.path()), (c.beta ? std::vector<std::string>{"c", "out", "out/a", "out/b"}
                                                   : std::vector<std::string>{"c", "out", "out/a"}));
        EXPECT_EQ(readFile(unpack.dir.path("out/a")), c.target);
        EXPECT_TRUE(tree(temp.path()).empty()) << "a work file was left behind";
        std::vector<int32_t> bad;
        EXPECT_EQ(unpack.zip.Verify(unpack.dir.path("c"), &bad), c.code);
        EXPECT_EQ(unpack.zip.failed(), c.failed);
        EXPECT_EQ(bad, c.bad);
    }
}

// An entry of many chunks, read by the default engine on worker threads, ends as the zlib
// engine reading one chunk after another does, whichever chunk is damaged and how: the same
// result and failure, progress reports, unpacked files and entries Verify names.
TEST(ArchiveDecompress, ChunksInflatedOnThreadsEndAsReadOneByOne)
{
    const Bytes data = sampleData(12000, 5);
    struct Chunk { int32_t declared; Bytes payload; int32_t length; };
    using Damage = std::function<void(int k, Chunk &)>;
    const auto container = [&](const Damage &damage) {   // \a: 12 chunks of 1000 bytes; \b "beta"
        Bytes stream;
        uint32_t packedCrc = 0;
        for (int k = 0; k < 12; ++k) {
            Chunk c{1000, compress2Of(data.substr(size_t(k) * 1000, 1000)), 0};
            c.length = int32_t(c.payload.size());
            damage(k, c);
            stream += le32(c.declared) + le32(c.length) + c.payload;
            packedCrc = crcOf(c.payload, packedCrc);
        }
        return headerBytes(1) + le32(2) + "\\a" + le32(12000) + le32(crcOf(data)) + le32(packedCrc)
            + le32(int64_t(stream.size())) + stream + entryBytes("\\b", 2, "beta");
    };
    const std::pair<const char *, Damage> cases[] = {
        {"intact", [](int, Chunk &) {}},
        {"chunk 3 corrupt, then a chunk beyond the entry", [](int k, Chunk &c) {
             if (k == 3) c.payload[c.payload.size() / 2] ^= 0x55;
             if (k == 6) c.length = 1 << 20; }},
        {"chunk 5 beyond the entry", [](int k, Chunk &c) { if (k == 5) c.length = 1 << 20; }},
        {"chunk 4 declares half its bytes", [](int k, Chunk &c) { if (k == 4) c.declared = 500; }},
        {"chunk 4 declares more than it holds", [](int k, Chunk &c) { if (k == 4) c.declared = 1100; }},
        {"last chunk cut short", [](int k, Chunk &c) { if (k == 11) c.payload.resize(size_t(c.length -= 3)); }},
    };
    struct Outcome {
        int16_t code, verified;
        std::string failure;
        std::vector<int> progress;
        std::vector<std::string> files;
        Bytes a;
        std::vector<int32_t> bad;
        bool operator==(const Outcome &) const = default;
    };
    TempDir dir;   // one path for all, as the failure names it
    const auto read = [&](const Bytes &bytes, Engine engine, int threads) {
        fs::remove_all(dir.path("out"));
        writeFile(dir.path("c"), bytes);
        ZLibArchive zip;
        zip.setEngine(engine);
        zip.setThreads(threads);
        Outcome o;
        zip.setCallbacks({[&](int, int value) { o.progress.push_back(value); }, {}, {}});
        o.code = zip.Decompress(dir.path("c"), dir.path("out"));
        o.failure = zip.failure();
        o.files = tree(dir.path("out"));
        o.a = readFile(dir.path("out/a"));
        o.verified = zip.Verify(dir.path("c"), &o.bad);
        return o;
    };
    for (const auto &[description, damage] : cases) {
        SCOPED_TRACE(description);
        const Bytes bytes = container(damage);
        const Outcome expected = read(bytes, Engine::Zlib, 1);
        for (int threads : {1, 2, 3}) {
            EXPECT_TRUE(read(bytes, Engine::Libdeflate, threads) == expected) << threads << " threads";
        }
    }
    // What the zlib engine met, so that the cases above test what they say.
    const auto code = [&](int i) { return read(container(cases[i].second), Engine::Zlib, 1); };
    EXPECT_EQ(code(0).a, data);
    EXPECT_EQ(code(1).code, Z_DATA_ERROR);
    EXPECT_NE(code(2).failure.find("corrupt chunk"), std::string::npos);
    EXPECT_EQ(code(3).a, data);
    EXPECT_TRUE(code(4).bad.empty() && code(4).a == data) << "a chunk may declare more than it holds";
    EXPECT_EQ(code(5).code, Z_DATA_ERROR);
}

TEST(ArchiveDecompress, EveryTruncationOfAGoodContainerFails)
{
    const Bytes full = headerBytes(2) + entryBytes("\\\xCD\xBC\\a", 4, sampleData(3000)) + entryBytes("\\e", 2, "")
        + entryBytes("\\b", 2, "beta");
    Unpacker unpack;
    unpack.zip.setReadBuf(1000);
    for (size_t cut = 0; cut < full.size(); ++cut)
        EXPECT_TRUE(unpack(full.substr(0, cut), true) != 0 || unpack.zip.failed()) << "cut at " << cut;
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
    EXPECT_EQ(readFile(unpack.dir.path("out/a")), sampleData(70000));
    EXPECT_EQ(readFile(unpack.dir.path("out/l")), "link");       // the link replaced,
    EXPECT_EQ(readFile(unpack.dir.path("victim")), "victim");   // not written through
    EXPECT_EQ(tree(unpack.dir.path("out")), (std::vector<std::string>{"a", "l"}));   // no copy left beside
    EXPECT_TRUE(tree(work).empty());
    fs::remove_all(work);
}

TEST(ArchiveDecompress, AHighRatioChunkIsInflatedInPiecesNotHeldWhole)
{
    // One chunk of 128 MiB of zeros packs into about 128 KiB: within deflate's ratio, so
    // it is valid, and its output must still pass through bounded memory. A second entry
    // is one stored chunk of 48 MiB: its input must not be held whole either.
    TempDir dir;
    const Bytes stored = sampleData(48 << 20, 7);
    writeFile(dir.path("bomb"), headerBytes(1) + entryBytes("\\a", 2, Bytes(128 << 20, '\0'), 128 << 20, 9)
                                    + entryBytes("\\b", 2, stored, int32_t(stored.size()), 0));
    const int status = inChild(120, [&] {
        const long before = peakKiB();
        ZLibArchive zip;
        std::vector<int32_t> bad;
        if (zip.Verify(dir.path("bomb"), &bad) != 0 || zip.failed() || !bad.empty())
            return 2;
        return peakKiB() - before < 32 * 1024 ? 0 : 1;
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
        return zip.Filename(0).find("\xEF\xBF\xBD") == std::string::npos && zip.Filename(0).starts_with("_") ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "-1: it ran out of time";
}

TEST(ArchiveDecompress, CallsMadeWhileEventsRunAreRefused)
{
    Unpacker unpack;
    const std::string container = unpack.dir.path("c"), file = unpack.dir.path("f");
    writeFile(file, "file");
    ZLibArchive &zip = unpack.zip;
    std::vector<int> nested;   // from the first time events run
    zip.setCallbacks({{}, [&] {
                          if (!nested.empty())
                              return;
                          nested = {zip.Decompress(container, unpack.dir.path("other")), zip.Verify(container, nullptr),
                                    zip.Compress(unpack.dir.path("x")), zip.AddFile(file), zip.RemoveFile(0)};
                          zip.setFilename(0, "changed");
                          zip.Reset();
                      },
                      [&](const std::string &m) { unpack.messages.push_back(m); }});
    ASSERT_EQ(unpack(headerBytes(1) + entryBytes("\\d\\a", 4, sampleData(70000)) + entryBytes("\\e\\b", 4, "b"), true), 0);
    EXPECT_FALSE(zip.failed()) << zip.failure();
    EXPECT_EQ(nested, (std::vector<int>{result::Busy, result::Busy, result::Busy, false, false}));
    EXPECT_EQ(unpack.messages.size(), 7u);
    EXPECT_EQ(unpack.messages.at(0), "发生错误，原因：the archive is busy with another call");
    ASSERT_EQ(zip.FileCount(), 2);
    EXPECT_EQ(zip.Filename(0), "\\d\\a");
    EXPECT_EQ(readFile(unpack.dir.path("out/d/a")), sampleData(70000));
    EXPECT_EQ(readFile(unpack.dir.path("out/e/b")), "b");
}

// The regression files under tests/data, each named after the fault it reproduces; a file
// added there without a row here fails.
TEST(ArchiveDecompress, CraftedFilesUnderTestData)
{
    // The file; whether Decompress and Verify end in the unexpected-failure path; the entries
    // Decompress skipped; those Verify names (the CRCs of these files are 0).
    const struct { const char *file; bool failed; int refused; std::vector<int32_t> bad; } cases[] = {
        {"chunk-claims-2gb.zlc", true, 0, {}}, {"compressed-size-beyond-file.zlc", true, 0, {}},
        {"entry-count-huge.zlc", true, 0, {}}, {"name-length-negative.zlc", true, 0, {}},
        {"traversal-dotdot.zlc", false, 1, {0}}, {"unc-name.zlc", false, 1, {0}},
    };
    EXPECT_EQ(std::distance(fs::directory_iterator(ZEVA_ARCHIVE_TEST_DATA), {}), std::ssize(cases));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = ZEVA_ARCHIVE_TEST_DATA "/" + std::string(c.file);
        TempDir dir;   // out two levels down, so that "..\..\x" would still land in dir
        ZLibArchive zip;
        EXPECT_EQ(zip.Decompress(file, dir.path("x/y/out"), false, true, false, true, true), 0);
        EXPECT_EQ(zip.failed(), c.failed);
        EXPECT_EQ(zip.targetRefused(), c.refused);
        EXPECT_LE(zip.FileCount(), 1) << "more entries than the file holds";
        for (const auto &f : tree(dir.path()))
            EXPECT_TRUE(fs::is_directory(dir.path(f))) << f << " was written";
        std::vector<int32_t> bad;
        EXPECT_EQ(zip.Verify(file, &bad), 0);
        EXPECT_EQ(zip.failed(), c.failed);
        EXPECT_EQ(bad, c.bad);
    }
}

} // namespace
} // namespace zeva::archive::test
