// The zeva-archive command line: its output, its exit status and its messages.

#include "archivetestutil.h"
#include "zlibarchive.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

namespace zeva::archive::test {
namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun tool(const TempDir &dir, const std::string &arguments)
{
    const std::string errFile = dir.path("stderr.txt");
    const std::string command = "cd '" + dir.path() + "' && '" ZEVA_ARCHIVE_TOOL "' " + arguments + " 2>'" + errFile + "'";
    ToolRun run{};
    if (std::FILE *p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            run.out.append(buffer, n);
        const int status = ::pclose(p);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.err = readFile(errFile);
    return run;
}

// The name column as list and test print it: each backslash doubled.
std::string doubled(const std::string &name)
{
    std::string out;
    for (const char c : name)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

TEST(ArchiveTool, PackListUnpackAndTest)
{
    TempDir dir;
    writeFile(dir.path("src/图纸/a.dwg"), sampleData(100000));
    writeFile(dir.path("src/b.txt"), "beta");
    writeFile(dir.path("src/c.txt"), "");

    ToolRun r = tool(dir, "pack c.zlc src/图纸/a.dwg 'src/*.txt' --level 9 --readbuf 30000 --threads 2");
    ASSERT_EQ(r.status, 0) << r.err;

    r = tool(dir, "list c.zlc");
    ASSERT_EQ(r.status, 0) << r.err;
    ZLibArchive zip;
    ASSERT_EQ(zip.Decompress(dir.path("c.zlc"), {}, true), 0);
    std::string expected;
    for (int i = 0; i < zip.FileCount(); ++i)
        expected += doubled(zip.Filename(i)) + "\t" + std::to_string(zip.FileSize(i)) + "\t" + std::to_string(zip.Compressed_Size(i))
            + "\t" + zip.Original_Crc32(i) + "\t" + zip.Compressed_CRC32(i) + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_NE(r.out.find(doubled(ZLibArchive::storedName(dir.path("src/图纸/a.dwg"))) + "\t100000\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\\\\c.txt\t0\t0\t00000000\t00000000\n"), std::string::npos) << r.out;

    r = tool(dir, "unpack c.zlc flat");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("flat/a.dwg")), sampleData(100000));
    EXPECT_EQ(readFile(dir.path("flat/b.txt")), "beta");
    EXPECT_FALSE(std::filesystem::exists(dir.path("flat/c.txt")));   // an empty entry gives no file

    r = tool(dir, "unpack c.zlc deep --use-paths");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path("deep") + dir.path("src/b.txt")), "beta");

    r = tool(dir, "test c.zlc");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(ArchiveTool, ExitStatusFollowsTheResultCodes)
{
    TempDir dir;
    writeFile(dir.path("a"), "alpha");
    EXPECT_EQ(tool(dir, "pack c.zlc a").status, 0);
    EXPECT_EQ(tool(dir, "pack c.zlc a --no-overwrite").status, 8);
    std::filesystem::create_directory(dir.path("folder"));
    EXPECT_EQ(tool(dir, "pack folder a").status, 9);
    EXPECT_EQ(tool(dir, "unpack missing.zlc out").status, 9);
    writeFile(dir.path("foreign"), "PK\x03\x04 not ours at all, really not");
    EXPECT_EQ(tool(dir, "unpack foreign out").status, 7);
    EXPECT_EQ(tool(dir, "list foreign").status, 7);

    ToolRun r = tool(dir, "pack x.zlc 'nothing*'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no file matches"), std::string::npos) << r.err;

    writeFile(dir.path("out/a"), "mine");
    r = tool(dir, "unpack c.zlc out --no-overwrite");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(dir.path("out/a")), "mine");
    EXPECT_NE(r.err.find("1 entries skipped"), std::string::npos) << r.err;

    EXPECT_EQ(tool(dir, "frobnicate c.zlc").status, 64);
    EXPECT_EQ(tool(dir, "pack c.zlc a --level").status, 64);
    EXPECT_EQ(tool(dir, "unpack c.zlc").status, 64);
    EXPECT_EQ(tool(dir, "unpack c.zlc out --sideways").status, 64);
}

TEST(ArchiveTool, CorruptContainersAndBadEntries)
{
    TempDir dir;
    Bytes entry = entryBytes("\\a", 2, "alpha");
    entry[4 + 2 + 4] ^= 0x40;   // the data CRC
    writeFile(dir.path("crc.zlc"), headerBytes(1) + entry + entryBytes("\\b", 2, "beta"));
    ToolRun r = tool(dir, "test crc.zlc");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\\\\a\tbad\n");

    r = tool(dir, "unpack crc.zlc dropped --drop-corrupt");
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path("dropped/a")));
    EXPECT_EQ(readFile(dir.path("dropped/b")), "beta");
    r = tool(dir, "unpack crc.zlc saved");
    EXPECT_EQ(readFile(dir.path("saved/a")), "alpha");
    r = tool(dir, "unpack crc.zlc unchecked --no-crc --drop-corrupt");
    EXPECT_EQ(readFile(dir.path("unchecked/a")), "alpha");

    writeFile(dir.path("cut.zlc"), headerBytes(1) + entryBytes("\\a", 2, "alpha"));
    r = tool(dir, "unpack cut.zlc out");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("发生错误，原因："), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir.path("out/a")), "alpha");   // what came before the fault is kept

    const Bytes bad = Bytes(12, 'z');
    writeFile(dir.path("zlib.zlc"), headerBytes(0) + le32(2) + "\\a" + le32(5) + le32(0) + le32(0) + le32(20)
                                        + le32(5) + le32(12) + bad);
    EXPECT_EQ(tool(dir, "unpack zlib.zlc out").status, 3);   // Z_DATA_ERROR
}

TEST(ArchiveTool, AHostileNameCannotForgeALineOfTheListing)
{
    TempDir dir;
    const Bytes forged = "\\a\t5\t13\t00000000\t00000000\n\\evil\r\x01\\t";
    Bytes entry = entryBytes(forged, int32_t(forged.size()), "alpha");
    entry[4 + forged.size() + 4] ^= 0x01;   // the data CRC, so that test lists it too
    writeFile(dir.path("c.zlc"), headerBytes(0) + entry);
    const std::string shown = "\\\\a\\t5\\t13\\t00000000\\t00000000\\n\\\\evil\\r\\x01\\\\t";

    ToolRun r = tool(dir, "list c.zlc");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(shown + "\t5\t", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\t'), 4);

    r = tool(dir, "test c.zlc");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, shown + "\tbad\n");
}

} // namespace
} // namespace zeva::archive::test
