// zeva-archive: packs, unpacks, lists and checks zLibControl containers from a shell.
// Exit status: 0 done; the absolute value of a result code (7, 8, 9, 2 .. 6); 1 for an
// unexpected failure (its message on stderr) or a bad entry found by "test"; 64 for a
// command line that cannot be understood.

#include "zlibarchive.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using zeva::archive::ZLibArchive;

namespace {

constexpr int kUsageError = 64;
// unpack: every entry was handled, but some failed their CRC check (kept, or dropped).
constexpr int kCorruptKept = 10;
constexpr int kCorruptDropped = 11;
// Work smaller than this finishes before a bar would be worth drawing.
constexpr int kLargeWork = 8 << 20;

const char kUsage[] =
    "usage:\n"
    "  zeva-archive pack CONTAINER FILE|PATTERN... [--level N] [--readbuf N] [--no-overwrite] [--threads N] [--zlib]\n"
    "  zeva-archive unpack CONTAINER OUTDIR [--use-paths] [--no-overwrite] [--no-crc] [--double-crc] [--drop-corrupt]\n"
    "               [--threads N] [--zlib]\n"
    "  zeva-archive list CONTAINER\n"
    "  zeva-archive test CONTAINER [--threads N] [--zlib]\n"
    "--zlib: zlib alone, chunks byte-identical to compress2's (default: libdeflate)\n";

struct UsageError {
    std::string text;
};

struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    std::vector<std::string> flags;
    int level = 6;
    int readBuf = 65536;
    int threads = 0;

    bool has(const std::string &flag) const
    {
        for (const auto &f : flags)
            if (f == flag)
                return true;
        return false;
    }
};

int integerOption(const std::string &name, const char *text)
{
    if (!text)
        throw UsageError{name + " needs a number"};
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        throw UsageError{name + " needs a number, not \"" + text + "\""};
    return int(value);
}

CommandLine parse(int argc, char **argv)
{
    if (argc < 2)
        throw UsageError{"no command given"};
    CommandLine line;
    line.command = argv[1];
    static const std::vector<std::string> known = {"--no-overwrite", "--use-paths", "--no-crc", "--double-crc",
                                                   "--drop-corrupt", "--zlib"};
    bool operandsOnly = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (operandsOnly || arg.size() < 2 || arg.rfind("--", 0) != 0) {
            line.operands.push_back(arg);
        } else if (arg == "--") {
            operandsOnly = true;
        } else if (arg == "--level") {
            line.level = integerOption(arg, i + 1 < argc ? argv[++i] : nullptr);
        } else if (arg == "--readbuf") {
            line.readBuf = integerOption(arg, i + 1 < argc ? argv[++i] : nullptr);
        } else if (arg == "--threads") {
            line.threads = integerOption(arg, i + 1 < argc ? argv[++i] : nullptr);
            if (line.threads < 1)
                throw UsageError{"--threads needs a number of 1 or more"};
        } else if (std::find(known.begin(), known.end(), arg) != known.end()) {
            line.flags.push_back(arg);
        } else {
            throw UsageError{"unknown option " + arg};
        }
    }
    return line;
}

// A one-line bar on stderr, redrawn at most a few times a second.
class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : m_enabled(enabled) {}
    ~ProgressBar() { finish(); }

    void show(int max, int value)
    {
        if (!m_enabled || max < kLargeWork)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (m_drawn && now - m_last < std::chrono::milliseconds(100) && value < max)
            return;
        m_last = now;
        m_drawn = true;
        const int width = 40;
        const int filled = int(int64_t(value) * width / max);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(width - filled), ' ').c_str(), int(int64_t(value) * 100 / max));
        std::fflush(stderr);
    }

    void finish()
    {
        if (m_drawn)
            std::fputc('\n', stderr);
        m_drawn = false;
    }

private:
    bool m_enabled;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_last;
};

// A stored name as one field of a line, so that no name can add fields or lines of its
// own: a backslash is doubled, tab, newline and return become \t \n \r, other control
// bytes \xNN; everything else (the name as UTF-8) passes unchanged.
std::string field(const std::string &name)
{
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                out += hex;
            } else {
                out += c;
            }
        }
    }
    return out;
}

int exitFor(int16_t code, const ZLibArchive &zip, ProgressBar &bar)
{
    bar.finish();
    if (code != 0) {
        std::cerr << "zeva-archive: " << zeva::archive::resultText(code) << " (" << code << ")\n";
        return code < 0 ? -code : code;
    }
    return zip.failed() ? 1 : 0;
}

int run(const CommandLine &line)
{
    ZLibArchive zip;
    ProgressBar bar(::isatty(STDERR_FILENO));
    zip.setCallbacks({[&](int max, int value) { bar.show(max, value); }, {},
                      [&](const std::string &message) {
                          bar.finish();
                          std::cerr << "zeva-archive: " << message << '\n';
                      }});
    zip.setReadBuf(line.readBuf);
    zip.setThreads(line.threads);
    if (line.has("--zlib"))
        zip.setEngine(zeva::archive::Engine::Zlib);
    const auto &ops = line.operands;

    if (line.command == "pack") {
        if (ops.size() < 2)
            throw UsageError{"pack needs a container and at least one file"};
        for (size_t i = 1; i < ops.size(); ++i) {
            if (!zip.AddFile(ops[i])) {
                bar.finish();
                std::cerr << "zeva-archive: " << (zip.failed() ? zip.failure() : "no file matches " + ops[i]) << '\n';
                return 1;
            }
        }
        if (zip.FileCount() == 0) {
            std::cerr << "zeva-archive: nothing to pack\n";
            return -zeva::archive::result::NoEntries;
        }
        return exitFor(zip.Compress(ops[0], !line.has("--no-overwrite"), line.level), zip, bar);
    }
    if (line.command == "unpack") {
        if (ops.size() != 2)
            throw UsageError{"unpack needs a container and an output folder"};
        const int16_t code = zip.Decompress(ops[0], ops[1], false, !line.has("--no-crc"), line.has("--double-crc"),
                                            !line.has("--drop-corrupt"), line.has("--use-paths"),
                                            !line.has("--no-overwrite"));
        if (code == 0 && zip.targetRefused() > 0)
            std::cerr << "zeva-archive: " << zip.targetRefused()
                      << " entries skipped (their target exists, or their name cannot be used below " << ops[1] << ")\n";
        const bool kept = !line.has("--drop-corrupt");
        for (const int32_t index : zip.corruptEntries())
            std::cerr << "zeva-archive: " << field(zip.Filename(index)) << " failed its CRC check"
                      << (kept ? ", kept as unpacked" : ", not written") << '\n';
        const int status = exitFor(code, zip, bar);
        if (status == 0 && !zip.corruptEntries().empty())
            return kept ? kCorruptKept : kCorruptDropped;
        return status;
    }
    if (line.command == "list") {
        if (ops.size() != 1)
            throw UsageError{"list needs a container"};
        const int16_t code = zip.Decompress(ops[0], {}, true);
        for (int i = 0; i < zip.FileCount(); ++i)
            std::cout << field(zip.Filename(i)) << '\t' << zip.FileSize(i) << '\t' << zip.Compressed_Size(i) << '\t'
                      << zip.Original_Crc32(i) << '\t' << zip.Compressed_CRC32(i) << '\n';
        return exitFor(code, zip, bar);
    }
    if (line.command == "test") {
        if (ops.size() != 1)
            throw UsageError{"test needs a container"};
        std::vector<int32_t> bad;
        const int16_t code = zip.Verify(ops[0], &bad);
        for (int32_t i : bad)
            std::cout << field(zip.Filename(i)) << "\tbad\n";
        const int status = exitFor(code, zip, bar);
        return status == 0 && !bad.empty() ? 1 : status;
    }
    throw UsageError{"unknown command " + line.command};
}

// Ctrl-C or a polite kill: the files a run left under a hidden name go before the process
// ends as the signal would have ended it (unnamed ones go by themselves, even on SIGKILL).
void removeWorkFilesAndEnd(int signal)
{
    zeva::archive::removeNamedWorkFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

int main(int argc, char **argv)
{
    // Past a file-size limit (ulimit -f) a write fails with "File too large" and is
    // reported like any failed write, its work files removed, instead of a silent kill.
    std::signal(SIGXFSZ, SIG_IGN);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, removeWorkFilesAndEnd);
    try {
        return run(parse(argc, argv));
    } catch (const UsageError &e) {
        std::cerr << "zeva-archive: " << e.text << '\n' << kUsage;
        return kUsageError;
    }
}
