// libFuzzer harness: any bytes as a container. Decompress and Verify must end in a result
// code or the failure path, never crash, and never write outside the output folder; and
// the default engine (libdeflate, chunks on worker threads) must end as the zlib engine,
// which reads chunk by chunk as uncompress does.

#include "zlibarchive.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path &root()
{
    static const fs::path path = [] {
        std::string pattern = (fs::temp_directory_path() / "zeva-fuzz-XXXXXX").string();
        return fs::path(::mkdtemp(pattern.data()));
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fs::path container = root() / "c.zlc";
    const fs::path out = root() / "out";
    if (std::FILE *f = std::fopen(container.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    // A link inside the output that leads out of it: entries must not pass through it.
    fs::create_directories(root() / "outside");
    fs::create_directories(out);
    std::error_code ec;
    fs::create_directory_symlink(root() / "outside", out / "link", ec);

    zeva::archive::ZLibArchive zip;
    zip.setEngine(zeva::archive::Engine::Libdeflate);
    zip.setThreads(2);
    zip.setReadBuf(4096);
    const int16_t unpacked = zip.Decompress(container.string(), out.string(), false, true, true, true, true, true);
    std::vector<int32_t> bad;
    const int16_t verified = zip.Verify(container.string(), &bad);
    for (const int16_t code : {unpacked, verified})
        if (code > 0 || code < -9)
            std::abort();   // neither one of the reader's codes nor zlib's

    zeva::archive::ZLibArchive reference;
    reference.setEngine(zeva::archive::Engine::Zlib);
    reference.setReadBuf(4096);
    std::vector<int32_t> referenceBad;
    if (reference.Verify(container.string(), &referenceBad) != verified || referenceBad != bad
        || reference.failure() != zip.failure())
        std::abort();   // the engines disagree

    for (const auto &entry : fs::directory_iterator(root()))
        if (entry.path() != container && entry.path() != out && entry.path() != root() / "outside")
            std::abort();   // written beside the output folder
    if (!fs::is_empty(root() / "outside"))
        std::abort();       // written through the link
    fs::remove_all(out);
    return 0;
}
