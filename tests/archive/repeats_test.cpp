// A chunk that declares less than it inflates to is unpacked by the repeats with growing
// room, 2·k·R − 1 for k = 1 … 11 (R the entry's compressed bytes remaining), none skipped:
// a repeat whose room is no larger than the declared length does not end the search.
#include "zlibarchive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void put32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

// One entry "\big" of one chunk, straight from the format, declaring `declared` bytes.
std::string container(const std::string &data, uint32_t declared)
{
    uLongf length = compressBound(uLong(data.size()));
    std::string packed(length, '\0');
    compress2(reinterpret_cast<Bytef *>(packed.data()), &length, reinterpret_cast<const Bytef *>(data.data()),
              uLong(data.size()), 6);
    packed.resize(length);
    std::string out;
    put32(out, 21);
    out += "Quorvanta zLibControl";
    put32(out, 0);
    const std::string name = "\\big";
    put32(out, uint32_t(name.size()));
    out += name;
    put32(out, uint32_t(data.size()));
    put32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef *>(data.data()), uInt(data.size()))));
    put32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef *>(packed.data()), uInt(packed.size()))));
    put32(out, uint32_t(packed.size() + 8));
    put32(out, declared);
    put32(out, uint32_t(packed.size()));
    return out + packed;
}

TEST(ArchiveRepeats, EveryRepeatOfTheSequenceIsTried)
{
    // Two letters at random: about 7 bytes of data for each compressed byte.
    std::mt19937 random(20261206);
    std::string data(8192, 'a');
    for (char &c : data)
        c = random() & 1 ? 'a' : 'b';
    const std::string probe = container(data, uint32_t(data.size()));
    const int64_t remaining = int64_t(probe.size()) - 21 - 4 - 4 - 4 - 4 - 4 * 4;   // C: the chunk and its 8 bytes
    ASSERT_GT(int64_t(data.size()), 2 * remaining) << "the first repeats must be too small";
    ASSERT_LE(int64_t(data.size()), 21 * remaining) << "the last repeat must be large enough";

    const fs::path dir = fs::temp_directory_path() / ("zeva-repeats-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const struct {
        uint32_t declared;
        int16_t result;
    } cases[] = {
        {uint32_t(2 * remaining), 0},       // above the first repeat's room, below the data
        {uint32_t(data.size() / 2), 0},
        {uint32_t(data.size()), 0},
        {1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.declared);
        const fs::path file = dir / "c.zlb";
        std::ofstream(file, std::ios::binary) << container(data, c.declared);
        fs::remove_all(dir / "out");
        zeva::archive::ZLibArchive zip;
        EXPECT_EQ(zip.Decompress(file.string(), (dir / "out").string()), c.result);
        std::ifstream in(dir / "out" / "big", std::ios::binary);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == data) << "the whole entry, unpacked";
    }
    // Zeros inflate far beyond the last repeat's room (21·R − 1): Z_BUF_ERROR, as uncompress.
    std::ofstream(dir / "z.zlb", std::ios::binary) << container(std::string(65536, '\0'), 1);
    zeva::archive::ZLibArchive zip;
    EXPECT_EQ(zip.Decompress((dir / "z.zlb").string(), (dir / "zeros").string()), Z_BUF_ERROR);
    fs::remove_all(dir);
}

} // namespace
