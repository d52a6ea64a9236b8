// The container byte for byte: with the zlib engine what we write equals what the format
// description gives, for any thread count, and a container written that way by another
// writer unpacks here; with the default engine every chunk is a zlib stream that uncompress
// reads back.

#include "archivetestutil.h"

#include <cstring>
#include <map>

namespace zeva::archive::test {
namespace {

// The zlib engine. Several entries, a GBK name, an empty file, a short last chunk and one of exactly ReadBuf:
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
        zip.setEngine(Engine::Zlib);
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

// The chunks of a one-entry container: each one's declared length and payload.
std::vector<std::pair<int32_t, Bytes>> chunksOf(const Bytes &container)
{
    const auto int32At = [&](size_t at) { int32_t v; std::memcpy(&v, container.data() + at, 4); return v; };
    std::vector<std::pair<int32_t, Bytes>> chunks;
    size_t at = 29 + 4 + size_t(int32At(29)) + 16;
    while (at < container.size()) {
        const int32_t length = int32At(at + 4);
        chunks.emplace_back(int32At(at), container.substr(at + 8, size_t(length)));
        at += 8 + size_t(length);
    }
    return chunks;
}

// The default engine (set, since the tests also run with the zlib one): every chunk inflates with uncompress into exactly its declared length
// and the data; both CRCs hold; the bytes depend on neither the thread count nor how a level
// is spelled; a chunk above 1 MiB is compress2's.
TEST(ArchiveFormat, DefaultEngineWritesChunksThatUncompressReads)
{
    TempDir dir;
    const Bytes data = sampleData(2600000, 3);
    writeFile(dir.path("f"), data);
    // Threads, level, ReadBuf; the level whose container it must equal.
    const struct { int threads, level, readBuf, sameAs; } cases[] = {
        {1, 6, 20000, 6}, {2, 6, 20000, 6}, {3, 6, 20000, 6}, {2, -1, 20000, 6}, {2, 42, 20000, 6},
        {2, 0, 20000, 0}, {2, 9, 20000, 9}, {2, 6, 2 << 20, 6},
    };
    std::map<std::pair<int, int>, Bytes> first;   // by level and ReadBuf
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.threads) + " threads, level " + std::to_string(c.level) + ", ReadBuf "
                     + std::to_string(c.readBuf));
        ZLibArchive zip;
        zip.setEngine(Engine::Libdeflate);
        zip.setThreads(c.threads);
        zip.setReadBuf(c.readBuf);
        ASSERT_TRUE(zip.AddFile(dir.path("f")));
        ASSERT_EQ(zip.Compress(dir.path("c"), true, c.level), 0) << zip.failure();
        const Bytes container = readFile(dir.path("c"));
        const auto [it, inserted] = first.emplace(std::pair(c.sameAs, c.readBuf), container);
        EXPECT_TRUE(inserted || it->second == container) << "differs from the first container of its level";
        Bytes inflated;
        uint32_t packedCrc = 0;
        int notCompress2 = 0;
        for (const auto &[declared, payload] : chunksOf(container)) {
            Bytes out(size_t(declared), '\0');
            uLongf length = uLongf(declared);
            ASSERT_EQ(uncompress(reinterpret_cast<Bytef *>(out.data()), &length, bytef(payload), uLong(payload.size())),
                      Z_OK);
            ASSERT_EQ(length, uLongf(declared));
            if (declared > (1 << 20)) {
                EXPECT_TRUE(payload == compress2Of(out, c.sameAs)) << "a chunk above 1 MiB is not compress2's";
            } else {
                notCompress2 += payload != compress2Of(out, c.sameAs);
            }
            inflated += out;
            packedCrc = crcOf(payload, packedCrc);
        }
        EXPECT_TRUE(inflated == data);
        if (c.sameAs != 0) {   // stored blocks are the same from either
            EXPECT_GT(notCompress2, 0) << "libdeflate did not write";
        }
        EXPECT_EQ(zip.Original_Crc32(0), ZLibArchive::crcText(crcOf(data)));
        EXPECT_EQ(zip.Compressed_CRC32(0), ZLibArchive::crcText(packedCrc));
    }
}

} // namespace
} // namespace zeva::archive::test
