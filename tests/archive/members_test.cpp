// The entry table, the settings, AddFile's matching and the result codes.

#include "archivetestutil.h"
#include "zlibarchive.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace zeva::archive::test {
namespace {

namespace fs = std::filesystem;

int workFilesIn(const std::string &folder)
{
    int n = 0;
    for (const auto &e : fs::directory_iterator(folder))
        n += e.path().filename().string().rfind("zLi", 0) == 0;
    return n;
}

TEST(ArchiveMembers, SettingsAndInvalidIndices)
{
    ZLibArchive zip;
    EXPECT_EQ(zip.ReadBuf(), 65536);
    zip.setReadBuf(0);
    EXPECT_EQ(zip.ReadBuf(), 65536);
    zip.setReadBuf(-5);
    EXPECT_EQ(zip.ReadBuf(), 65536);
    zip.setReadBuf(7);
    EXPECT_EQ(zip.ReadBuf(), 7);
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_EQ(zip.LastIndex(), -1);
    for (int i : {-1, 0, 1}) {
        EXPECT_EQ(zip.Filename(i), "");
        EXPECT_EQ(zip.Path(i), "");
        EXPECT_EQ(zip.Original_Crc32(i), "");
        EXPECT_EQ(zip.Compressed_CRC32(i), "");
        EXPECT_EQ(zip.FileSize(i), -1);
        EXPECT_EQ(zip.Compressed_Size(i), -1);
    }
    zip.setFilename(0, "\\x");   // does nothing
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_FALSE(zip.TempFolder().empty());
}

TEST(ArchiveMembers, CrcTextIsEightUpperCaseDigits)
{
    EXPECT_EQ(ZLibArchive::crcText(0xABCD), "0000ABCD");
    EXPECT_EQ(ZLibArchive::crcText(0xFEDCBA98u), "FEDCBA98");
    EXPECT_EQ(ZLibArchive::crcText(0), "00000000");
}

struct NameCase {
    const char *written;
    const char *stored;
};

void PrintTo(const NameCase &c, std::ostream *os) { *os << c.written; }

class StoredNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(StoredNames, AreNormalised)
{
    EXPECT_EQ(ZLibArchive::storedName(GetParam().written), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(ArchiveMembers, StoredNames, ::testing::Values(
    NameCase{"D:\\x\\y.dwg", "\\x\\y.dwg"},
    NameCase{"y.dwg", "\\y.dwg"},
    NameCase{"\\y.dwg", "\\y.dwg"},
    NameCase{"/home/li/图纸/a.dwg", "\\home\\li\\图纸\\a.dwg"},
    NameCase{"/tmp/😀 plan.dwg", "\\tmp\\_ plan.dwg"},        // outside GBK
    NameCase{"/tmp/\u0E01.txt", "\\tmp\\_.txt"},                 // Thai: not in GBK
    NameCase{"/tmp/\xFF.txt", "\\tmp\\_.txt"},                  // not UTF-8
    NameCase{"/:odd/x", "\\:odd\\x"}));                         // no drive: kept

TEST(ArchiveMembers, FilenameWriteAndRemoveFile)
{
    TempDir dir, temp;
    writeFile(dir.path("a"), "a");
    writeFile(dir.path("b"), "bb");
    writeFile(dir.path("c"), "ccc");
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    ZLibArchive zip;
    ::unsetenv("TMPDIR");
    for (const char *n : {"a", "b", "c"})
        ASSERT_TRUE(zip.AddFile(dir.path(n)));
    EXPECT_EQ(workFilesIn(temp.path()), 3);
    zip.setFilename(1, "D:\\x\\y.dwg");
    EXPECT_EQ(zip.Filename(1), "\\x\\y.dwg");
    zip.setFilename(1, "y.dwg");
    EXPECT_EQ(zip.Filename(1), "\\y.dwg");

    EXPECT_FALSE(zip.RemoveFile(3));
    EXPECT_FALSE(zip.RemoveFile(-1));
    EXPECT_EQ(zip.FileCount(), 3);
    EXPECT_TRUE(zip.RemoveFile(0));
    EXPECT_EQ(zip.FileCount(), 2);
    EXPECT_EQ(zip.FileSize(0), 2);
    EXPECT_EQ(zip.FileSize(1), 3);
    EXPECT_TRUE(zip.RemoveFile(1));
    EXPECT_TRUE(zip.RemoveFile(0));   // the only entry
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_EQ(zip.LastIndex(), -1);
}

TEST(ArchiveMembers, WorkFilesAreCreatedInTheTempFolderAndRemovedWithTheirEntries)
{
    TempDir dir, temp;
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    ZLibArchive zip;
    ::unsetenv("TMPDIR");
    EXPECT_EQ(zip.TempFolder(), temp.path());
    writeFile(dir.path("a"), "a");
    ASSERT_TRUE(zip.AddFile(dir.path("a")));
    const std::string work = zip.entries()[0].TempFile;
    EXPECT_EQ(work.rfind(temp.path() + "/zLi", 0), 0u) << work;
    EXPECT_TRUE(fs::exists(work));
    ASSERT_EQ(zip.Compress(dir.path("c")), 0);
    EXPECT_EQ(workFilesIn(temp.path()), 0);
    ASSERT_TRUE(zip.AddFile(dir.path("a")));
    zip.Reset();
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_EQ(zip.Value(), 0);
    EXPECT_EQ(workFilesIn(temp.path()), 0);
}

TEST(ArchiveMembers, AddFileMatchesNamesAndPatterns)
{
    TempDir dir;
    for (const char *n : {"a.dwg", "B.DWG", "c.txt", "noext", "odd*name", "x#1"})
        writeFile(dir.path(n), n);
    fs::create_directory(dir.path("sub.dwg"));
    auto names = [](const ZLibArchive &zip) {
        std::vector<std::string> out;
        for (const auto &e : zip.entries())
            out.push_back(fs::path(e.Path).filename().string());
        return out;
    };
    using V = std::vector<std::string>;
    ZLibArchive zip;
    EXPECT_TRUE(zip.AddFile(dir.path("*.dwg")));
    EXPECT_EQ(names(zip), (V{"B.DWG", "a.dwg"}));   // sorted; folders never added
    zip.Reset();
    EXPECT_TRUE(zip.AddFile(dir.path("*.*")));
    EXPECT_EQ(names(zip), (V{"B.DWG", "a.dwg", "c.txt", "noext", "odd*name", "x#1"}));
    zip.Reset();
    EXPECT_TRUE(zip.AddFile(dir.path("?.txt")));
    EXPECT_EQ(names(zip), (V{"c.txt"}));
    zip.Reset();
    EXPECT_TRUE(zip.AddFile(dir.path("odd*name")));   // exists: that very file
    EXPECT_EQ(names(zip), (V{"odd*name"}));
    zip.Reset();
    EXPECT_FALSE(zip.AddFile(dir.path("x?2")));
    EXPECT_FALSE(zip.AddFile(dir.path("*.pdf")));
    EXPECT_FALSE(zip.AddFile(dir.path("missing")));
    EXPECT_FALSE(zip.AddFile(dir.path("sub.dwg")));        // a folder without attribute 16
    EXPECT_TRUE(zip.AddFile(dir.path("sub.dwg"), 16));     // accepted, nothing added
    EXPECT_TRUE(zip.AddFile(dir.path("a.dwg"), 16));       // a file with 16 alone: not added
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_TRUE(zip.AddFile(dir.path("sub*"), 16));        // only a folder matched
    EXPECT_FALSE(zip.AddFile(dir.path("sub*")));
    EXPECT_EQ(zip.FileCount(), 0);
}

TEST(ArchiveMembers, CompressResultCodes)
{
    TempDir dir;
    ZLibArchive zip;
    EXPECT_EQ(zip.Compress(dir.path("c")), result::NoEntries);
    EXPECT_FALSE(fs::exists(dir.path("c")));

    writeFile(dir.path("a"), "data");
    ASSERT_TRUE(zip.AddFile(dir.path("a")));
    writeFile(dir.path("c"), "keep me");
    EXPECT_EQ(zip.Compress(dir.path("c"), false), result::ContainerExists);
    EXPECT_EQ(readFile(dir.path("c")), "keep me");
    fs::create_directory(dir.path("folder"));
    EXPECT_EQ(zip.Compress(dir.path("folder")), result::NotAFile);
    EXPECT_EQ(zip.Compress(dir.path("c")), result::Ok);
    EXPECT_NE(readFile(dir.path("c")), "keep me");
    EXPECT_EQ(zip.Compress(dir.path("new"), false), result::Ok);
    EXPECT_EQ(readFile(dir.path("new")), readFile(dir.path("c")));
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "c", "folder", "new"}));   // nothing left beside them
}

TEST(ArchiveMembers, SkippedSourcesAreNotCounted)
{
    TempDir dir;
    writeFile(dir.path("a"), "aaa");
    writeFile(dir.path("gone"), "bbb");
    writeFile(dir.path("c"), "ccc");
    ZLibArchive zip;
    for (const char *n : {"a", "gone", "c"})
        ASSERT_TRUE(zip.AddFile(dir.path(n)));
    fs::remove(dir.path("gone"));
    ASSERT_EQ(zip.Compress(dir.path("x")), 0);
    ZLibArchive reader;
    ASSERT_EQ(reader.Decompress(dir.path("x"), dir.path("out"), false, true, false, true, false), 0);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.FileCount(), 2);
    EXPECT_EQ(readFile(dir.path("out/c")), "ccc");
}

TEST(ArchiveMembers, SourceChangedSinceAddFileIsPackedAsItIsNow)
{
    TempDir dir;
    writeFile(dir.path("a"), "aaaa");
    ZLibArchive zip;
    ASSERT_TRUE(zip.AddFile(dir.path("a")));
    writeFile(dir.path("a"), "bbbbbb");
    fs::last_write_time(dir.path("a"), fs::last_write_time(dir.path("a")) + std::chrono::seconds(5));
    ASSERT_EQ(zip.Compress(dir.path("c")), 0);
    EXPECT_EQ(zip.FileSize(0), 6);
    EXPECT_EQ(zip.Original_Crc32(0), ZLibArchive::crcText(crcOf("bbbbbb")));
    std::vector<int32_t> bad;
    EXPECT_EQ(zip.Verify(dir.path("c"), &bad), 0);
    EXPECT_TRUE(bad.empty());
}

TEST(ArchiveMembers, SourceOf2GiBFailsAndLeavesNoContainer)
{
    TempDir dir;
    writeFile(dir.path("big"), "small at first");
    ZLibArchive zip;
    std::vector<std::string> messages;
    zip.setCallbacks({{}, {}, [&](const std::string &m) { messages.push_back(m); }});
    ASSERT_TRUE(zip.AddFile(dir.path("big")));
    ASSERT_EQ(::truncate(dir.path("big").c_str(), int64_t(1) << 31), 0);
    EXPECT_EQ(zip.Compress(dir.path("c")), 0);
    EXPECT_TRUE(zip.failed());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("发生错误，原因：", 0), 0u) << messages[0];
    EXPECT_FALSE(fs::exists(dir.path("c")));
}

TEST(ArchiveMembers, AFailedCompressLeavesTheExistingContainerAsItWas)
{
    TempDir dir;
    writeFile(dir.path("c"), "the container of yesterday");
    writeFile(dir.path("big"), "small at first");
    ZLibArchive zip;
    ASSERT_TRUE(zip.AddFile(dir.path("big")));
    ASSERT_EQ(::truncate(dir.path("big").c_str(), int64_t(1) << 31), 0);
    EXPECT_EQ(zip.Compress(dir.path("c")), 0);
    EXPECT_TRUE(zip.failed());
    EXPECT_EQ(readFile(dir.path("c")), "the container of yesterday");
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big", "c"}));   // no partial file left beside it
}

TEST(ArchiveMembers, ProgressIsClampedAsTheBarClampsIt)
{
    ZLibArchive zip;
    zip.setMax(0);
    EXPECT_EQ(zip.Max(), 1);
    zip.setMax(10);
    zip.setValue(20);
    EXPECT_EQ(zip.Value(), 10);
    zip.setMax(4);
    EXPECT_EQ(zip.Value(), 4);
    zip.setValue(-3);
    EXPECT_EQ(zip.Value(), 0);
}

TEST(ArchiveMembers, CalculateCrc32)
{
    TempDir dir;
    writeFile(dir.path("f"), "123456789");
    ZLibArchive zip;
    zip.setReadBuf(4);
    EXPECT_EQ(zip.Calculate_Crc32(dir.path("f")), 0xCBF43926u);
    EXPECT_EQ(zip.Calculate_Crc32(dir.path("missing")), 0u);
    EXPECT_EQ(zip.Calculate_Crc32(dir.path()), 0u);
    EXPECT_FALSE(zip.failed());

    // A FIFO would block the open until a writer came: it is refused, not waited for.
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    const int status = inChild(20, [&] {
        return zip.Calculate_Crc32(dir.path("fifo")) == 0 && zip.failed() ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "-1: it waited for a writer";
}

} // namespace
} // namespace zeva::archive::test
