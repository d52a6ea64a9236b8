// The entry table: stored names, work files, AddFile's matching, and what Compress does with
// sources that changed, vanished or grew beyond the format, and with a worker out of memory.

#include "archivetestutil.h"

#include <sys/stat.h>

#include <atomic>
#include <new>
#include <thread>

// Large allocations made off the main thread fail on request, through a replaced operator
// new (the library's delete frees what malloc gave); not under AddressSanitizer, which
// owns the allocator.
namespace {
std::atomic<bool> failLargeOffMain{false};
std::thread::id mainThread;
} // namespace

#ifndef __SANITIZE_ADDRESS__
void *operator new(std::size_t size)
{
    if (failLargeOffMain && size >= (1u << 20) && std::this_thread::get_id() != mainThread)
        throw std::bad_alloc();
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
#endif

namespace zeva::archive::test {
namespace {

TEST(ArchiveMembers, StoredNamesAreNormalised)
{
    const std::pair<const char *, const char *> cases[] = {
        {"D:\\x\\y.dwg", "\\x\\y.dwg"}, {"y.dwg", "\\y.dwg"}, {"\\y.dwg", "\\y.dwg"},
        {"/home/li/图纸/a.dwg", "\\home\\li\\图纸\\a.dwg"},
        {"/tmp/😀 plan.dwg", "\\tmp\\_ plan.dwg"}, {"/tmp/\u0E01.txt", "\\tmp\\_.txt"},   // outside GBK: an emoji, Thai
        {"/tmp/\xFF.txt", "\\tmp\\_.txt"}, {"/:odd/x", "\\:odd\\x"},   // not UTF-8; no drive, so kept
    };
    for (const auto &[written, stored] : cases)
        EXPECT_EQ(ZLibArchive::storedName(written), stored) << written;
}

// Compress's result codes; no call leaves a work file in the temporary folder or beside.
TEST(ArchiveMembers, TableResultCodesLeaveNoWorkFiles)
{
    TempDir dir, temp;
    ScopedTmpdir tmpdir(temp.path());
    const auto workFiles = [&] { return tree(temp.path()).size(); };
    ZLibArchive zip;
    EXPECT_EQ(zip.Compress(dir.path("c")), result::NoEntries);
    EXPECT_FALSE(fs::exists(dir.path("c")));
    for (const char *n : {"a", "bb", "ccc"}) {
        writeFile(dir.path(n), n);
        ASSERT_TRUE(zip.AddFile(dir.path(n)));
    }
    EXPECT_EQ(workFiles(), 0u);
    EXPECT_FALSE(zip.RemoveFile(3) || zip.RemoveFile(-1));
    EXPECT_TRUE(zip.RemoveFile(0));
    EXPECT_EQ(zip.FileSize(0), 2);   // the rows after it moved up

    writeFile(dir.path("c"), "keep me");
    EXPECT_EQ(zip.Compress(dir.path("c"), false), result::ContainerExists);
    EXPECT_EQ(readFile(dir.path("c")), "keep me");
    EXPECT_EQ(zip.Compress(dir.path("c")), result::Ok);
    EXPECT_EQ(workFiles(), 0u);
    EXPECT_EQ(zip.Compress(dir.path("new"), false), result::Ok);
    EXPECT_EQ(readFile(dir.path("new")), readFile(dir.path("c")));   // the same container, so "keep me" was replaced
    EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"a", "bb", "c", "ccc", "new"}));   // nothing beside
    ASSERT_TRUE(zip.AddFile(dir.path("a")));
    zip.Reset();
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_EQ(workFiles(), 0u);
}

TEST(ArchiveMembers, AddFileMatchesNamesAndPatterns)
{
    TempDir dir;
    for (const char *n : {"a.dwg", "B.DWG", "c.txt", "noext", "odd*name", "x#1", "图.txt"})
        writeFile(dir.path(n), n);
    fs::create_directory(dir.path("sub.dwg"));
    // Pattern and attrib; AddFile's answer; the files added, in the order added.
    const struct { const char *pattern; int attrib; bool accepted; std::vector<std::string> added; } cases[] = {
        {"*.dwg", 0, true, {"B.DWG", "a.dwg"}},   // sorted, either case; the folder is not added
        {"*.*", 0, true, {"B.DWG", "a.dwg", "c.txt", "noext", "odd*name", "x#1", "图.txt"}},
        {"?.txt", 0, true, {"c.txt", "图.txt"}},  // "?" is one character, not one byte
        {"odd*name", 0, true, {"odd*name"}},      // exists: that very file
        {"x?2", 0, false, {}}, {"*.pdf", 0, false, {}}, {"missing", 0, false, {}},
        {"sub.dwg", 0, false, {}},                // a folder without attribute 16
        {"sub.dwg", 16, true, {}},                // accepted, nothing added
        {"a.dwg", 16, true, {}},                  // a file with 16 alone: not added
        {"sub*", 16, true, {}}, {"sub*", 0, false, {}},   // only a folder matched
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pattern + std::string(c.attrib ? " with 16" : ""));
        ZLibArchive zip;
        EXPECT_EQ(zip.AddFile(dir.path(c.pattern), c.attrib), c.accepted);
        std::vector<std::string> added;
        for (const auto &e : zip.entries())
            added.push_back(fs::path(e.Path).filename().string());
        EXPECT_EQ(added, c.added);
    }
}

// Sources change between AddFile and Compress: a vanished one is skipped and not counted, a
// changed one is packed as it is now, and one grown to 2 GiB fails the call, which leaves
// the container written before as it was.
TEST(ArchiveMembers, SourcesThatVanishedChangedOrGrewSinceAddFile)
{
    TempDir dir;
    writeFile(dir.path("a"), "aaaa");
    writeFile(dir.path("gone"), "bbb");
    ZLibArchive zip;
    ASSERT_TRUE(zip.AddFile(dir.path("a")) && zip.AddFile(dir.path("gone")));
    fs::remove(dir.path("gone"));
    writeFile(dir.path("a"), "bbbbbb");
    fs::last_write_time(dir.path("a"), fs::last_write_time(dir.path("a")) + std::chrono::seconds(5));
    ASSERT_EQ(zip.Compress(dir.path("c")), 0);
    EXPECT_EQ(zip.FileSize(0), 6);   // the entry describes the bytes packed
    ZLibArchive reader;
    std::vector<int32_t> bad;
    ASSERT_EQ(reader.Verify(dir.path("c"), &bad), 0);
    EXPECT_TRUE(bad.empty() && !reader.failed()) << reader.failure();
    EXPECT_EQ(reader.FileCount(), 1);   // the header counts only the entries written

    const Bytes before = readFile(dir.path("c"));
    ASSERT_EQ(::truncate(dir.path("a").c_str(), int64_t(1) << 31), 0);
    EXPECT_EQ(zip.Compress(dir.path("c")), 0);
    EXPECT_TRUE(zip.failed());
    EXPECT_EQ(readFile(dir.path("c")), before);
    EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"a", "c"}));   // no partial file beside it
}

TEST(ArchiveMembers, CalculateCrc32RefusesWhatIsNoRegularFile)
{
    TempDir dir;
    writeFile(dir.path("f"), "123456789");
    ZLibArchive zip;
    zip.setReadBuf(4);
    EXPECT_EQ(zip.Calculate_Crc32(dir.path("f")), 0xCBF43926u);
    EXPECT_EQ(zip.Calculate_Crc32(dir.path("missing")), 0u);
    EXPECT_EQ(zip.Calculate_Crc32(dir.path()), 0u);
    EXPECT_FALSE(zip.failed());
    ASSERT_TRUE(zip.AddFile(dir.path("f")));
    EXPECT_EQ(zip.Original_Crc32(0), "CBF43926");
    // A FIFO would block the open until a writer came: it is refused, not waited for.
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    const int status = inChild(20, [&] { return zip.Calculate_Crc32(dir.path("fifo")) == 0 && zip.failed() ? 0 : 1; });
    EXPECT_EQ(status, 0) << "-1: it waited for a writer";
}

// A compressing thread that runs out of memory: the failure reaches the caller as any other
// failure instead of ending the process, and the old container stays.
TEST(ArchiveMembers, AWorkerOutOfMemoryFailsTheCallNotTheProcess)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer owns operator new";
#endif
    TempDir dir;
    writeFile(dir.path("f"), sampleData(5 << 20));
    writeFile(dir.path("c"), "the container of yesterday");
    const int status = inChild(60, [&] {
        ZLibArchive zip;
        zip.setReadBuf(2 << 20);
        zip.setThreads(2);
        std::string message;
        zip.setCallbacks({{}, {}, [&](const std::string &m) { message = m; }});
        if (!zip.AddFile(dir.path("f")))
            return 3;
        mainThread = std::this_thread::get_id();
        failLargeOffMain = true;
        if (zip.Compress(dir.path("c")) != 0 || !zip.failed() || message != "发生错误，原因：out of memory")
            return 1;
        return readFile(dir.path("c")) == "the container of yesterday" ? 0 : 2;
    });
    EXPECT_EQ(status, 0) << "-1: the process ended; 1: no out-of-memory failure; 2: the old container was lost";
}

} // namespace
} // namespace zeva::archive::test
