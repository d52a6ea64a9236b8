// The container byte for byte: what we write equals what the format description gives, for
// any thread count, and a container written that way by another writer unpacks here.

#include "archivetestutil.h"

namespace zeva::archive::test {
namespace {

// Several entries, a GBK name, an empty file, a short last chunk and one of exactly ReadBuf:
// compress2's bytes at the level asked (6 for one zlib does not know) for every thread
// count, and the same progress reports. Those bytes, written by another writer and followed
// by bytes that are never read, unpack here.
TEST(ArchiveFormat, GoldenContainerForAnyThreadCountAndLevelUnpacks)
{
    TempDir dir;
    const Bytes a = sampleData(310000, 1), b = sampleData(20000, 2);
    writeFile(dir.path("a.dwg"), a);
    writeFile(dir.path("empty.txt"), "");
    writeFile(dir.path("b.bin"), b);
    const auto golden = [&](int level) {   // \图纸\a.dwg (9 characters, 11 bytes in GBK), \empty.txt, \x\b.bin
        return headerBytes(2) + entryBytes("\\\xCD\xBC\xD6\xBD\\a.dwg", 9, a, 20000, level)
            + entryBytes("\\empty.txt", 10, "") + entryBytes("\\x\\b.bin", 8, b, 20000, level);
    };
    std::vector<std::pair<int, int>> oneThread;
    const struct { int threads, level, written; } cases[] = {{1, 6, 6}, {2, 6, 6}, {3, 6, 6}, {8, 6, 6},
                                                             {2, 0, 0}, {2, 9, 9}, {2, 42, 6}, {2, -1, 6}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.threads) + " threads, level " + std::to_string(c.level));
        ZLibArchive zip;
        zip.setThreads(c.threads);
        zip.setReadBuf(20000);
        for (const char *name : {"a.dwg", "empty.txt", "b.bin"})
            ASSERT_TRUE(zip.AddFile(dir.path(name)));
        zip.setFilename(0, "D:\\图纸\\a.dwg");
        zip.setFilename(1, "empty.txt");
        zip.setFilename(2, "/x/b.bin");
        std::vector<std::pair<int, int>> progress;
        zip.setCallbacks({[&](int max, int value) { progress.emplace_back(max, value); }, {}, {}});
        ASSERT_EQ(zip.Compress(dir.path("c.zlc"), true, c.level), 0) << zip.failure();
        const Bytes written = readFile(dir.path("c.zlc")), expected = golden(c.written);
        EXPECT_TRUE(written == expected) << "too long to print; first difference at byte "
                                         << std::ranges::mismatch(written, expected).in1 - written.begin();
        if (c.threads == 1)
            oneThread = progress;
        if (c.level == 6) {
            EXPECT_EQ(progress, oneThread);
        }
    }

    writeFile(dir.path("w.zlc"), golden(6) + "garbage, no entry");
    ZLibArchive zip;
    ASSERT_EQ(zip.Decompress(dir.path("w.zlc"), dir.path("info"), true), 0);
    EXPECT_FALSE(fs::exists(dir.path("info")));   // nothing written
    ASSERT_EQ(zip.Decompress(dir.path("w.zlc"), dir.path("out"), false, true, true, true, true, true), 0);
    ASSERT_FALSE(zip.failed()) << zip.failure();
    EXPECT_EQ(tree(dir.path("out")), (std::vector<std::string>{"x", "x/b.bin", "图纸", "图纸/a.dwg"}));   // no empty file
    EXPECT_EQ(readFile(dir.path("out/图纸/a.dwg")), a);
}

} // namespace
} // namespace zeva::archive::test
