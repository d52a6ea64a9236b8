// The container byte for byte: what we write equals what the format description gives,
// and a container written that way by another writer unpacks here.

#include "archivetestutil.h"
#include "zlibarchive.h"

#include <gtest/gtest.h>

namespace zeva::archive::test {
namespace {

const Bytes kGbkName = "\\\xCD\xBC\xD6\xBD\\a.dwg";   // \图纸\a.dwg: 9 characters, 11 bytes

TEST(ArchiveFormat, GoldenContainerWithGbkNameSeveralEntriesAndAnEmptyOne)
{
    TempDir dir;
    const Bytes a = sampleData(150000, 1);    // three chunks, the last one short
    const Bytes b = sampleData(65536, 2);     // exactly one chunk
    writeFile(dir.path("a.dwg"), a);
    writeFile(dir.path("empty.txt"), "");
    writeFile(dir.path("b.bin"), b);

    ZLibArchive zip;
    ASSERT_TRUE(zip.AddFile(dir.path("a.dwg")));
    ASSERT_TRUE(zip.AddFile(dir.path("empty.txt")));
    ASSERT_TRUE(zip.AddFile(dir.path("b.bin")));
    zip.setFilename(0, "D:\\图纸\\a.dwg");
    zip.setFilename(1, "empty.txt");
    zip.setFilename(2, "/x/b.bin");
    ASSERT_EQ(zip.Compress(dir.path("c.zlc")), 0) << zip.failure();

    const Bytes expected = headerBytes(2) + entryBytes(kGbkName, 9, a) + entryBytes("\\empty.txt", 10, "")
        + entryBytes("\\x\\b.bin", 8, b);
    EXPECT_TRUE(sameBytes(readFile(dir.path("c.zlc")), expected));

    EXPECT_EQ(zip.Compressed_Size(1), 0);
    EXPECT_EQ(zip.Original_Crc32(1), "00000000");
    EXPECT_EQ(zip.Compressed_CRC32(1), "00000000");
    EXPECT_EQ(zip.FileSize(0), 150000);
    EXPECT_EQ(zip.Original_Crc32(0), ZLibArchive::crcText(crcOf(a)));
}

TEST(ArchiveFormat, ExactMultipleOfReadBufGivesFullChunksOnly)
{
    TempDir dir;
    const Bytes data = sampleData(4 * 1000, 3);
    writeFile(dir.path("f"), data);
    ZLibArchive zip;
    zip.setReadBuf(1000);
    ASSERT_TRUE(zip.AddFile(dir.path("f")));
    zip.setFilename(0, "\\f");
    ASSERT_EQ(zip.Compress(dir.path("c")), 0);
    EXPECT_TRUE(sameBytes(readFile(dir.path("c")), headerBytes(0) + entryBytes("\\f", 2, data, 1000)));
}

TEST(ArchiveFormat, LevelsGiveCompress2BytesAndABadLevelFallsBackToSix)
{
    TempDir dir;
    const Bytes data = sampleData(100000, 4);
    writeFile(dir.path("f"), data);
    for (int level : {0, 1, 9, 42, -1}) {
        ZLibArchive zip;
        ASSERT_TRUE(zip.AddFile(dir.path("f")));
        zip.setFilename(0, "\\f");
        ASSERT_EQ(zip.Compress(dir.path("c"), true, level), 0);
        const int expectedLevel = (level == 42 || level == -1) ? 6 : level;
        EXPECT_TRUE(sameBytes(readFile(dir.path("c")), headerBytes(0) + entryBytes("\\f", 2, data, 65536, expectedLevel)))
            << "level " << level;
    }
}

TEST(ArchiveFormat, OutputDoesNotDependOnThreadCountAndProgressStaysInOrder)
{
    TempDir dir;
    writeFile(dir.path("f"), sampleData(700000, 5));
    writeFile(dir.path("g"), sampleData(30000, 6));
    // The reference comes from the format description, not from the engine: one thread
    // beside the caller is no proof of the bytes on its own.
    const auto entryOf = [&](const std::string &file) {
        const std::string name = ZLibArchive::storedName(dir.path(file));
        return entryBytes(name, int32_t(name.size()), readFile(dir.path(file)), 20000);
    };
    const Bytes expected = headerBytes(1) + entryOf("f") + entryOf("g");
    Bytes reference;
    std::vector<std::pair<int, int>> referenceProgress;
    for (int threads : {1, 2, 3, 8}) {
        ZLibArchive zip;
        zip.setThreads(threads);
        zip.setReadBuf(20000);
        ASSERT_TRUE(zip.AddFile(dir.path("f")));
        ASSERT_TRUE(zip.AddFile(dir.path("g")));
        std::vector<std::pair<int, int>> progress;
        zip.setCallbacks({[&](int max, int value) { progress.emplace_back(max, value); }, {}, {}});
        ASSERT_EQ(zip.Compress(dir.path("c")), 0);
        EXPECT_TRUE(sameBytes(readFile(dir.path("c")), expected)) << threads << " threads";
        if (threads == 1) {
            reference = readFile(dir.path("c"));
            referenceProgress = progress;
        } else {
            EXPECT_TRUE(sameBytes(readFile(dir.path("c")), reference)) << threads << " threads";
            EXPECT_EQ(progress, referenceProgress) << threads << " threads";
        }
    }
}

TEST(ArchiveFormat, WindowsWrittenContainerUnpacksWithAndWithoutPaths)
{
    TempDir dir;
    const Bytes a = sampleData(70000, 7);
    const Bytes b = "second";
    writeFile(dir.path("w.zlc"), headerBytes(2) + entryBytes(kGbkName, 9, a) + entryBytes("\\empty", 6, "")
                                     + entryBytes("\\Temp\\sub\\b.txt", 15, b));

    ZLibArchive zip;
    ASSERT_EQ(zip.Decompress(dir.path("w.zlc"), dir.path("paths"), false, true, true, true, true, true), 0)
        << zip.failure();
    ASSERT_FALSE(zip.failed()) << zip.failure();
    EXPECT_EQ(readFile(dir.path("paths/图纸/a.dwg")), a);
    EXPECT_EQ(readFile(dir.path("paths/Temp/sub/b.txt")), b);
    EXPECT_FALSE(std::filesystem::exists(dir.path("paths/empty")));
    ASSERT_EQ(zip.FileCount(), 3);
    EXPECT_EQ(zip.Filename(0), "\\图纸\\a.dwg");
    EXPECT_EQ(zip.Path(0), "");
    EXPECT_EQ(zip.FileSize(2), 6);

    ASSERT_EQ(zip.Decompress(dir.path("w.zlc"), dir.path("flat"), false, true, false, true, false, true), 0);
    EXPECT_EQ(readFile(dir.path("flat/a.dwg")), a);
    EXPECT_EQ(readFile(dir.path("flat/b.txt")), b);
    EXPECT_FALSE(std::filesystem::exists(dir.path("flat/Temp")));
}

TEST(ArchiveFormat, RoundTripKeepsEveryByteAndTheTableDescribesTheContainer)
{
    TempDir dir;
    const Bytes data = sampleData(300001, 8);
    writeFile(dir.path("src/图纸 (1).dwg"), data);
    ZLibArchive packer;
    ASSERT_TRUE(packer.AddFile(dir.path("src/图纸 (1).dwg")));
    EXPECT_EQ(packer.Filename(0), ZLibArchive::storedName(dir.path("src/图纸 (1).dwg")));
    ASSERT_EQ(packer.Compress(dir.path("c")), 0);

    ZLibArchive reader;
    ASSERT_EQ(reader.Decompress(dir.path("c"), dir.path("out"), true), 0);   // information only
    EXPECT_FALSE(std::filesystem::exists(dir.path("out")));
    EXPECT_EQ(reader.Original_Crc32(0), packer.Original_Crc32(0));
    EXPECT_EQ(reader.Compressed_CRC32(0), packer.Compressed_CRC32(0));
    EXPECT_EQ(reader.Compressed_Size(0), packer.Compressed_Size(0));

    ASSERT_EQ(reader.Decompress(dir.path("c"), dir.path("out"), false, true, true, false, false), 0);
    EXPECT_EQ(readFile(dir.path("out/图纸 (1).dwg")), data);
}

} // namespace
} // namespace zeva::archive::test
