// The zeva-archive command line: its output, its exit status and its messages.

#include "archivetestutil.h"

namespace zeva::archive::test {
namespace {

struct ToolRun { int status; std::string out, err; };

// The tool run in `dir` with its arguments as a shell reads them.
ToolRun tool(const TempDir &dir, const std::string &arguments)
{
    const int status = std::system(("cd '" + dir.path() + "' && '" ZEVA_ARCHIVE_TOOL "' " + arguments
                                    + " >out.txt 2>err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.path("out.txt")), readFile(dir.path("err.txt"))};
}

TEST(ArchiveTool, PackListAndUnpack)
{
    TempDir dir;
    writeFile(dir.path("src/图纸/a.dwg"), sampleData(100000));
    writeFile(dir.path("src/b.txt"), "beta");
    writeFile(dir.path("src/c.txt"), "");
    ASSERT_EQ(tool(dir, "pack c.zlc src/图纸/a.dwg 'src/*.txt' --level 9 --readbuf 30000 --threads 2 --zlib").status, 0);
    const ToolRun r = tool(dir, "list c.zlc");
    ASSERT_EQ(r.status, 0) << r.err;
    // compress2's bytes, as --zlib writes them; the name's backslashes doubled, then its fields
    const Bytes packed = compress2Of("beta", 9);
    EXPECT_NE(r.out.find("\\\\b.txt\t4\t" + std::to_string(8 + packed.size()) + "\t" + ZLibArchive::crcText(crcOf("beta"))
                         + "\t" + ZLibArchive::crcText(crcOf(packed)) + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\\\\c.txt\t0\t0\t00000000\t00000000\n"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);

    ASSERT_EQ(tool(dir, "unpack c.zlc flat").status, 0);
    EXPECT_EQ(readFile(dir.path("flat/a.dwg")), sampleData(100000));
    EXPECT_EQ(tree(dir.path("flat")), (std::vector<std::string>{"a.dwg", "b.txt"}));   // an empty entry gives no file
    ASSERT_EQ(tool(dir, "unpack c.zlc deep --use-paths").status, 0);
    EXPECT_EQ(readFile(dir.path("deep") + dir.path("src/b.txt")), "beta");
}

TEST(ArchiveTool, ExitStatusFollowsTheResultCodes)
{
    TempDir dir;
    writeFile(dir.path("a"), "alpha");
    fs::create_directory(dir.path("folder"));
    writeFile(dir.path("foreign"), "PK\x03\x04 not ours at all, really not");
    writeFile(dir.path("out/a"), "mine");
    Bytes entry = entryBytes("\\a", 2, "alpha");
    entry[4 + 2 + 4] ^= 0x40;   // the data CRC
    writeFile(dir.path("crc.zlc"), headerBytes(1) + entry + entryBytes("\\b", 2, "beta"));
    writeFile(dir.path("cut.zlc"), headerBytes(1) + entryBytes("\\a", 2, "alpha"));
    writeFile(dir.path("zlib.zlc"), headerBytes(0) + rawEntry("\\a", 5, le32(5) + le32(12) + Bytes(12, 'z'), 20));
    // Arguments, exit status and a part of stderr.
    const struct { const char *arguments; int status; const char *err; } cases[] = {
        {"pack c.zlc a", 0, ""}, {"pack c.zlc a --no-overwrite", 8, "(-8)"},
        {"pack folder a", 9, "(-9)"}, {"pack x.zlc 'nothing*'", 1, "no file matches"},
        {"unpack missing.zlc out", 9, "(-9)"}, {"unpack folder out", 9, "(-9)"},
        {"unpack foreign out", 7, "(-7)"}, {"list foreign", 7, "(-7)"},
        {"unpack c.zlc out --no-overwrite", 0, "1 entries skipped"},
        {"test c.zlc", 0, ""}, {"test crc.zlc", 1, ""},
        {"unpack crc.zlc dropped --drop-corrupt", 11, "failed its CRC check, not written"},
        {"unpack crc.zlc saved", 10, "failed its CRC check, kept as unpacked"},
        {"unpack crc.zlc unchecked --no-crc --drop-corrupt", 0, ""},
        {"unpack cut.zlc cut", 1, "发生错误，原因："}, {"unpack zlib.zlc z", 3, "(-3)"},
        {"frobnicate c.zlc", 64, "usage:"}, {"unpack c.zlc", 64, "usage:"},
        {"pack c.zlc a --level", 64, "--level needs a number"}, {"pack c.zlc a --threads 0", 64, "--threads"},
        {"unpack c.zlc out --sideways", 64, "unknown option --sideways"},
    };
    for (const auto &c : cases) {
        const ToolRun r = tool(dir, c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << ": " << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.arguments << ": " << r.err;
    }
    EXPECT_EQ(tree(dir.path("dropped")), std::vector<std::string>{"b"});
    EXPECT_EQ(readFile(dir.path("saved/a")), "alpha");
    EXPECT_EQ(readFile(dir.path("unchecked/a")), "alpha");
    EXPECT_EQ(readFile(dir.path("cut/a")), "alpha");   // what came before the fault is kept
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
    r = tool(dir, "test c.zlc");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, shown + "\tbad\n");
}


// A file-size limit fails the write with a message and leaves no work file behind.
TEST(ArchiveTool, AFileSizeLimitIsAFailedWriteNotASilentKill)
{
    TempDir dir;
    writeFile(dir.path("big.bin"), noiseData(2 << 20, 12345));
    fs::create_directories(dir.path("tmp"));
    const std::string command = "cd '" + dir.path() + "' && ulimit -f 1024 && TMPDIR='" + dir.path("tmp")
        + "' '" ZEVA_ARCHIVE_TOOL "' pack big.zlc big.bin 2>&1";
    std::string out;
    int status = -1;
    if (std::FILE *p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        status = ::pclose(p);
    }
    ASSERT_TRUE(WIFEXITED(status)) << "killed by a signal: " << out;
    EXPECT_EQ(WEXITSTATUS(status), 1) << out;
    EXPECT_NE(out.find("File too large"), std::string::npos) << out;
    EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"big.bin", "tmp"})) << "no container, no work file";
}


// A pack over an existing container killed part way: the old container whole, and nothing
// beside it or in the temporary folder. Unnamed work files need no help, even from SIGKILL;
// named ones (forced here) are removed by the tool on SIGTERM and SIGINT.
TEST(ArchiveTool, AKilledPackLeavesNothingBehind)
{
    TempDir dir;
    writeFile(dir.path("big.bin"), noiseData(48 << 20, 99));
    writeFile(dir.path("old.zlc"), "the old container");
    fs::create_directories(dir.path("tmp"));
    const std::vector<std::string> before = tree(dir.path());

    const struct { int signal; bool named; } runs[] = {{SIGKILL, false}, {SIGTERM, true}, {SIGINT, true}};
    for (const auto &run : runs) {
        SCOPED_TRACE(std::string(strsignal(run.signal)) + (run.named ? ", named work files" : ""));
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("TMPDIR", dir.path("tmp").c_str(), 1);
            if (run.named)
                ::setenv("ZEVA_ARCHIVE_NAMED_FILES", "1", 1);
            ::freopen("/dev/null", "w", stderr);
            ::execl(ZEVA_ARCHIVE_TOOL, "zeva-archive", "pack", dir.path("old.zlc").c_str(), dir.path("big.bin").c_str(),
                    "--level", "9", "--threads", "1", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        // Killed once the entry's stream has gone on to the work file in TMPDIR.
        const auto working = [&] {
            std::error_code ec;
            for (const auto &fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
                if (fs::read_symlink(fd.path(), ec).string().rfind(dir.path("tmp") + "/", 0) == 0)
                    return true;
            return false;
        };
        for (int waited = 0; waited < 5000 && !working(); ++waited)
            ::usleep(1000);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the pack ended before it could be killed";
        ::kill(pid, run.signal);
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == run.signal) << status;
        EXPECT_EQ(tree(dir.path()), before);
        EXPECT_EQ(readFile(dir.path("old.zlc")), "the old container");
    }
}

} // namespace
} // namespace zeva::archive::test
