// Pack, unpack and verify of one mixed file (text-like, binary and already-compressed parts)
// with both engines (libdeflate, the default, and --zlib) against gzip -6 / gzip -d /
// gzip -t, pigz -6 / pigz -d and a bare loop of compress2 / uncompress over the same 64 KiB
// chunks in memory, all in one run; then the resident set of packing and unpacking 1 GiB;
// then many one-byte files against tar -cz / tar -xz.
// Usage: bench_archive [--mb N] [--rounds N] [--no-memory] [--small N]

#include "zlibarchive.h"

#include <zlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using zeva::archive::ZLibArchive;

namespace {

constexpr size_t kChunk = 65536;

double seconds(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool run(const std::string &command)
{
    return std::system(command.c_str()) == 0;
}

bool have(const std::string &program)
{
    return run("command -v " + program + " >/dev/null 2>&1");
}

// Real files of this machine, round robin from three kinds, until `size` bytes.
std::string mixedData(size_t size)
{
    std::vector<std::vector<fs::path>> kinds(3);
    auto collect = [](const fs::path &root, auto accept, std::vector<fs::path> &out) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator() && out.size() < 20000; it.increment(ec)) {
            if (it->is_regular_file(ec) && !it->is_symlink(ec) && accept(it->path()))
                out.push_back(it->path());
        }
        std::sort(out.begin(), out.end());
    };
    collect("/usr/include", [](const fs::path &) { return true; }, kinds[0]);
    collect("/usr/lib/x86_64-linux-gnu", [](const fs::path &p) { return p.string().find(".so") != std::string::npos; },
            kinds[1]);
    collect("/usr/share", [](const fs::path &p) { return p.extension() == ".gz" || p.extension() == ".png"; }, kinds[2]);

    std::string data;
    data.reserve(size);
    std::vector<size_t> next(3, 0);
    const size_t share[3] = {size / 3, size / 3, size - 2 * (size / 3)};
    std::vector<size_t> taken(3, 0);
    for (bool progress = true; data.size() < size && progress;) {
        progress = false;
        for (size_t kind = 0; kind < 3; ++kind) {
            const auto &files = kinds[kind];
            if (taken[kind] >= share[kind] || files.empty())
                continue;
            std::ifstream in(files[next[kind]++ % files.size()], std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), {});
            bytes.resize(std::min({bytes.size(), size_t(4) << 20, share[kind] - taken[kind]}));
            taken[kind] += bytes.size();
            data += bytes;
            progress = progress || !bytes.empty();
        }
    }
    // Too few files on this machine: fill the rest with a text-like and a random half.
    uint32_t x = 12345;
    while (data.size() < size) {
        x = x * 1103515245u + 12345u;
        data += (x >> 16) % 2 ? std::string("void draw(int x, int y); // 图层\n") : std::string(1, char(x >> 24));
    }
    data.resize(size);
    return data;
}

void writeFile(const std::string &path, const std::string &data)
{
    std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
}

// CPU time of this process so far (all its threads), user and system.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Packs or unpacks in this fresh process and prints the peak resident set in KiB.
int measureChild(const std::string &what, const std::string &source, const std::string &target)
{
    ZLibArchive zip;
    if (what == "pack") {
        if (!zip.AddFile(source) || zip.Compress(target) != 0 || zip.failed())
            return 2;
    } else if (zip.Decompress(source, target, false, true, false, true, false) != 0 || zip.failed()) {
        return 2;
    }
    std::printf("%ld\n", peakRssKiB());
    return 0;
}

long measureRss(const std::string &what, const std::string &source, const std::string &target)
{
    const std::string command = "'" + fs::read_symlink("/proc/self/exe").string() + "' --rss-child " + what + " '"
        + source + "' '" + target + "'";
    std::FILE *p = ::popen(command.c_str(), "r");
    long kib = -1;
    if (p) {
        if (std::fscanf(p, "%ld", &kib) != 1)
            kib = -1;
        ::pclose(p);
    }
    return kib;
}

size_t fileCount(const fs::path &folder)
{
    size_t n = 0;
    for (const auto &entry : fs::directory_iterator(folder)) {
        (void)entry;
        ++n;
    }
    return n;
}

// `count` one-byte files packed and unpacked (without paths) by the engine and by tar with
// gzip, best of `rounds`. The two take turns going first, since a file system slows down
// creating files after many were removed.
void smallFiles(const fs::path &dir, int count, int rounds)
{
    const fs::path source = dir / "small";
    fs::create_directories(source);
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%06d", i);
        writeFile((source / name).string(), std::string(1, char(i)));
    }
    std::map<std::string, double> best;
    auto record = [&](const std::string &name, double t) {
        auto [it, inserted] = best.emplace(name, t);
        if (!inserted)
            it->second = std::min(it->second, t);
    };
    const std::string tgz = (dir / "small.tgz").string(), zlc = (dir / "small.zlc").string();
    for (int round = 0; round < rounds; ++round) {
        const auto tar = [&] {
            fs::remove_all(dir / "tarout");
            fs::create_directories(dir / "tarout");
            record("tar -cz", seconds([&] { run("tar -czf '" + tgz + "' -C '" + source.string() + "' ."); }));
            record("tar -xz", seconds([&] { run("tar -xzf '" + tgz + "' -C '" + (dir / "tarout").string() + "'"); }));
        };
        const auto engine = [&] {
            fs::remove_all(dir / "zout");
            // From inside the folder, as tar -C packs it.
            const fs::path cwd = fs::current_path();
            fs::current_path(source);
            record("pack", seconds([&] {
                ZLibArchive zip;
                if (!zip.AddFile("*") || zip.Compress(zlc) != 0 || zip.failed())
                    std::cerr << "pack failed: " << zip.failure() << '\n';
            }));
            fs::current_path(cwd);
            record("unpack", seconds([&] {
                ZLibArchive zip;
                if (zip.Decompress(zlc, (dir / "zout").string(), false, true, false, true, false) != 0 || zip.failed())
                    std::cerr << "unpack failed: " << zip.failure() << '\n';
            }));
        };
        if (round % 2 == 0) {
            tar();
            engine();
        } else {
            engine();
            tar();
        }
        if (fileCount(dir / "zout") != size_t(count) || fileCount(dir / "tarout") < size_t(count))
            std::cerr << "not every small file was unpacked\n";
    }
    std::printf("\n%d one-byte files, best of %d:\n", count, rounds);
    std::printf("pack   %.2f s, tar -cz %.2f s: %.2fx (target <= 1.5)\n", best["pack"], best["tar -cz"],
                best["pack"] / best["tar -cz"]);
    std::printf("unpack %.2f s, tar -xz %.2f s: %.2fx (target <= 1.5)\n", best["unpack"], best["tar -xz"],
                best["unpack"] / best["tar -xz"]);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--rss-child") == 0)
        return measureChild(argv[2], argv[3], argv[4]);

    size_t megabytes = 256;
    int rounds = 2;
    bool memory = true;
    int small = 100000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mb" && i + 1 < argc)
            megabytes = size_t(std::max(1, std::atoi(argv[++i])));
        else if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--no-memory")
            memory = false;
        else if (arg == "--small" && i + 1 < argc)
            small = std::max(0, std::atoi(argv[++i]));
    }
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    std::string pattern = (fs::temp_directory_path() / "zeva-bench-archive-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    const std::string source = (dir / "mixed.bin").string();

    std::cout << "preparing " << megabytes << " MiB of mixed data (headers, shared libraries, compressed files)\n";
    const std::string data = mixedData(megabytes << 20);
    writeFile(source, data);
    const uint32_t dataCrc = uint32_t(crc32(0, reinterpret_cast<const Bytef *>(data.data()), uInt(data.size())));

    std::map<std::string, double> best;
    auto record = [&](const std::string &name, double t) {
        auto [it, inserted] = best.emplace(name, t);
        if (!inserted)
            it->second = std::min(it->second, t);
    };
    const bool gzip = have("gzip");
    const bool pigz = have("pigz");
    const std::string threads = std::to_string(cores);
    size_t containerSize = 0, zlibSize = 0, gzipSize = 0;

    // One job per tool; each round runs them in the opposite order of the one before, since
    // others may share the cores and a job run next to a busy spell loses to its peer.
    std::vector<std::function<void()>> jobs;
    if (gzip) {
        jobs.emplace_back([&] {
            record("gzip -6", seconds([&] { run("gzip -6 -c '" + source + "' > '" + (dir / "g.gz").string() + "'"); }));
            gzipSize = fs::file_size(dir / "g.gz");
            record("gzip -d", seconds([&] { run("gzip -d -c '" + (dir / "g.gz").string() + "' > '" + (dir / "g.out").string() + "'"); }));
            record("gzip -t", seconds([&] { run("gzip -t '" + (dir / "g.gz").string() + "'"); }));
        });
    }
    if (pigz) {
        jobs.emplace_back([&] {
            record("pigz -6 -p " + threads,
                   seconds([&] { run("pigz -6 -p " + threads + " -c '" + source + "' > '" + (dir / "p.gz").string() + "'"); }));
            record("pigz -d", seconds([&] { run("pigz -d -c '" + (dir / "p.gz").string() + "' > '" + (dir / "p.out").string() + "'"); }));
        });
    }
    // The format's limit on one core: compress2 over the chunks, nothing else.
    jobs.emplace_back([&] {
        std::vector<std::string> packed;
        record("bare compress2 loop", seconds([&] {
            std::vector<Bytef> out(compressBound(kChunk));
            for (size_t at = 0; at < data.size(); at += kChunk) {
                const size_t n = std::min(kChunk, data.size() - at);
                uLongf length = out.size();
                compress2(out.data(), &length, reinterpret_cast<const Bytef *>(data.data() + at), n, 6);
                packed.emplace_back(reinterpret_cast<const char *>(out.data()), length);
            }
        }));
        record("bare uncompress loop", seconds([&] {
            std::vector<Bytef> out(kChunk);
            for (const auto &chunk : packed) {
                uLongf length = out.size();
                uncompress(out.data(), &length, reinterpret_cast<const Bytef *>(chunk.data()), chunk.size());
            }
        }));
    });
    for (const bool zlib : {false, true}) {
        jobs.emplace_back([&, zlib] {
            const std::string tag = zlib ? " --zlib" : "";
            const auto engine = zlib ? zeva::archive::Engine::Zlib : zeva::archive::Engine::Libdeflate;
            for (int t : {1, cores}) {
                const std::string container = (dir / ("c" + std::to_string(t) + tag + ".zlc")).string();
                const std::string threadText = std::to_string(t) + (t == 1 ? " thread" : " threads");
                const double cpuBefore = cpuSeconds();
                record("pack" + tag + ", " + threadText, seconds([&] {
                    ZLibArchive zip;
                    zip.setEngine(engine);
                    zip.setThreads(t);
                    if (!zip.AddFile(source) || zip.Compress(container) != 0 || zip.failed())
                        std::cerr << "pack failed: " << zip.failure() << '\n';
                }));
                (zlib ? zlibSize : containerSize) = fs::file_size(container);
                if (t == 1) {
                    record("pack" + tag + ", 1 thread (CPU)", cpuSeconds() - cpuBefore);
                    continue;
                }
                fs::remove_all(dir / "out");
                record("unpack" + tag, seconds([&] {
                    ZLibArchive zip;
                    zip.setEngine(engine);
                    if (zip.Decompress(container, (dir / "out").string(), false, true, false, true, false) != 0
                        || zip.failed())
                        std::cerr << "unpack failed: " << zip.failure() << '\n';
                }));
                ZLibArchive check;
                if (check.Calculate_Crc32((dir / "out" / "mixed.bin").string()) != dataCrc)
                    std::cerr << "unpacked bytes differ from the source\n";
                record("verify" + tag, seconds([&] {
                    ZLibArchive zip;
                    zip.setEngine(engine);
                    std::vector<int32_t> bad;
                    if (zip.Verify(container, &bad) != 0 || zip.failed() || !bad.empty())
                        std::cerr << "verify failed: " << zip.failure() << '\n';
                }));
                if (std::system(("cmp -s '" + (dir / ("c1" + tag + ".zlc")).string() + "' '" + container + "'").c_str()) != 0)
                    std::cerr << "containers of 1 and " << t << " threads differ\n";
            }
        });
    }
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0)
            for (const auto &job : jobs)
                job();
        else
            for (auto job = jobs.rbegin(); job != jobs.rend(); ++job)
                (*job)();
    }

    const auto time = [&](const std::string &name) { return best.count(name) ? best[name] : 0.0; };
    const auto ratio = [&](const std::string &name, const std::string &base) {
        return time(base) > 0 ? time(name) / time(base) : 0.0;
    };
    const double gz = time("gzip -6"), gzd = time("gzip -d");
    std::printf("\n%-28s %9s %12s\n", "", "seconds", "vs gzip");
    for (const auto &[name, t] : best) {
        const bool unpacking = name.find("-d") != std::string::npos || name.find("-t") != std::string::npos
            || name.find("unpack") != std::string::npos || name.find("verify") != std::string::npos
            || name.find("uncompress") != std::string::npos;
        const double base = unpacking ? gzd : gz;
        std::printf("%-28s %9.2f %11.2fx\n", name.c_str(), t, base > 0 ? t / base : 0.0);
    }
    const std::string many = std::to_string(cores) + (cores == 1 ? " thread" : " threads");
    const std::string pigzName = "pigz -6 -p " + threads;
    std::printf("\nlibdeflate (default):\n");
    std::printf("  pack, %s / %s: %.2f (target <= 0.6)\n", many.c_str(), pigzName.c_str(),
                ratio("pack, " + many, pigzName));
    std::printf("  pack, 1 thread / bare compress2 loop: %.2f in time, %.2f in CPU (target <= 0.55)\n",
                ratio("pack, 1 thread", "bare compress2 loop"), ratio("pack, 1 thread (CPU)", "bare compress2 loop"));
    std::printf("  unpack / gzip -d: %.2f (target <= 0.5); / pigz -d: %.2f (target <= 0.8)\n",
                ratio("unpack", "gzip -d"), ratio("unpack", "pigz -d"));
    std::printf("  verify / gzip -t: %.2f (target <= 0.35)\n", ratio("verify", "gzip -t"));
    std::printf("  container / gzip -6: %.4f in size (target <= 1.02)\n",
                gzipSize ? double(containerSize) / double(gzipSize) : 0.0);
    std::printf("compress2 (--zlib):\n");
    std::printf("  pack, 1 thread / bare compress2 loop: %.2f in time, %.2f in CPU (target <= 1.05)\n",
                ratio("pack --zlib, 1 thread", "bare compress2 loop"),
                ratio("pack --zlib, 1 thread (CPU)", "bare compress2 loop"));
    std::printf("  container / gzip -6: %.4f in size\n", gzipSize ? double(zlibSize) / double(gzipSize) : 0.0);
    std::printf("libdeflate / --zlib: pack %.2f (1 thread %.2f), unpack %.2f, verify %.2f\n",
                ratio("pack, " + many, "pack --zlib, " + many), ratio("pack, 1 thread", "pack --zlib, 1 thread"),
                ratio("unpack", "unpack --zlib"), ratio("verify", "verify --zlib"));
    std::printf("sizes: container %zu (--zlib %zu), gzip -6 %zu, source %zu bytes\n", containerSize, zlibSize, gzipSize,
                data.size());

    if (memory) {
        const std::string big = (dir / "big.bin").string();
        {
            std::ofstream out(big, std::ios::binary);
            for (size_t written = 0; written < (size_t(1) << 30); written += data.size())
                out.write(data.data(), std::streamsize(std::min(data.size(), (size_t(1) << 30) - written)));
        }
        fs::remove(source);
        fs::remove_all(dir / "out");
        const long packKiB = measureRss("pack", big, (dir / "big.zlc").string());
        fs::remove(big);
        const long unpackKiB = measureRss("unpack", (dir / "big.zlc").string(), (dir / "out").string());
        std::printf("1 GiB: peak resident set %.1f MiB packing, %.1f MiB unpacking (target < 64)\n", packKiB / 1024.0,
                    unpackKiB / 1024.0);
    }
    if (small > 0 && have("tar"))
        smallFiles(dir, small, std::max(rounds, 3));
    fs::remove_all(dir);
    return 0;
}
