// Unpacking refuses only what it must and says what it kept: a chunk that declares less
// than it inflates to gets every repeat of uncompress's rule, a name no file system can hold
// is skipped while the others unpack, and an entry that fails its CRC check is reported.
#include "zlibarchive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void put32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

struct Entry {
    std::string name;
    std::string data;
    int64_t declared = -1;    // the chunk's uncompressed length; -1: the data's
    uint32_t crcDelta = 0;    // added to the stored data CRC (a corrupt entry)
};

// A container straight from the format: each entry one chunk.
std::string container(const std::vector<Entry> &entries)
{
    std::string out;
    put32(out, 21);
    out += "Quorvanta zLibControl";
    put32(out, uint32_t(entries.size() - 1));
    for (const Entry &e : entries) {
        uLongf length = compressBound(uLong(e.data.size()));
        std::string packed(length, '\0');
        compress2(reinterpret_cast<Bytef *>(packed.data()), &length, reinterpret_cast<const Bytef *>(e.data.data()),
                  uLong(e.data.size()), 6);
        packed.resize(length);
        put32(out, uint32_t(e.name.size()));
        out += e.name;
        put32(out, uint32_t(e.data.size()));
        put32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef *>(e.data.data()), uInt(e.data.size()))) + e.crcDelta);
        put32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef *>(packed.data()), uInt(packed.size()))));
        put32(out, uint32_t(packed.size() + 8));
        put32(out, uint32_t(e.declared < 0 ? int64_t(e.data.size()) : e.declared));
        put32(out, uint32_t(packed.size()));
        out += packed;
    }
    return out;
}

std::string container(const std::string &data, int64_t declared)
{
    return container({{"\\big", data, declared}});
}

std::string readAll(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Unpacking : public ::testing::Test {
protected:
    Unpacking() { fs::create_directories(dir); }
    ~Unpacking() override { fs::remove_all(dir); }
    int16_t unpack(const std::string &bytes, bool saveCorrupted = true)
    {
        std::ofstream(dir / "c.zlb", std::ios::binary) << bytes;
        fs::remove_all(dir / "out");
        return zip.Decompress((dir / "c.zlb").string(), (dir / "out").string(), false, true, false, saveCorrupted);
    }
    const fs::path dir = fs::temp_directory_path() / ("zeva-unpacking-" + std::to_string(::getpid()));
    zeva::archive::ZLibArchive zip;
};

TEST_F(Unpacking, EveryRepeatOfTheSequenceIsTried)
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

    const struct {
        int64_t declared;
        int16_t result;
    } cases[] = {
        {2 * remaining, 0},   // above the first repeat's room, below the data
        {int64_t(data.size() / 2), 0},
        {int64_t(data.size()), 0},
        {1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.declared);
        EXPECT_EQ(unpack(container(data, c.declared)), c.result);
        EXPECT_TRUE(readAll(dir / "out" / "big") == data) << "the whole entry, unpacked";
    }
    // Zeros inflate far beyond the last repeat's room (21·R − 1): Z_BUF_ERROR, as uncompress.
    EXPECT_EQ(unpack(container(std::string(65536, '\0'), 1)), Z_BUF_ERROR);
}

TEST_F(Unpacking, ANameNoFileSystemHoldsIsSkippedAndTheRestUnpack)
{
    const std::string tooLong(NAME_MAX + 1, 'a');
    EXPECT_EQ(unpack(container({{"\\d\\" + tooLong, "x"}, {"\\" + tooLong, "y"}, {"\\ok", "z"}})), 0);
    EXPECT_FALSE(zip.failed()) << zip.failure();
    EXPECT_EQ(zip.targetRefused(), 2);
    EXPECT_EQ(readAll(dir / "out" / "ok"), "z");
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir / "out"), {}), 1) << "nothing else written";
}

// Another process swaps the target's folder for a link to outside while the entry
// inflates: the file still lands below the output folder, or nowhere.
TEST_F(Unpacking, AFolderSwappedForALinkMeanwhileCannotSendTheFileOutside)
{
    std::mt19937 random(7);
    std::string data(1 << 20, '\0');
    for (char &c : data)
        c = char(random());
    fs::create_directories(dir / "outside");
    bool swapped = false;
    zip.setCallbacks({[&](int, int) {
                          if (!swapped && fs::is_directory(dir / "out" / "d")) {
                              fs::rename(dir / "out" / "d", dir / "out" / "d.moved");
                              fs::create_directory_symlink(dir / "outside", dir / "out" / "d");
                              swapped = true;
                          }
                      },
                      {}, {}});
    zip.setReadBuf(65536);
    EXPECT_EQ(unpack(container({{"\\d\\big", data}})), 0);
    ASSERT_TRUE(swapped) << "the swap happened while the entry was read";
    EXPECT_TRUE(fs::is_empty(dir / "outside"));
    EXPECT_TRUE(readAll(dir / "out" / "d.moved" / "big") == data) << "written into the folder it opened";
}

TEST_F(Unpacking, AnEntryThatFailsItsCheckIsReportedKeptOrDropped)
{
    const std::string bytes = container({{"\\good", "g"}, {"\\bad", "b", -1, 1}});
    EXPECT_EQ(unpack(bytes), 0);
    EXPECT_EQ(zip.corruptEntries(), std::vector<int32_t>{1});
    EXPECT_EQ(readAll(dir / "out" / "bad"), "b") << "kept, as the default says";
    EXPECT_EQ(unpack(bytes, false), 0);
    EXPECT_EQ(zip.corruptEntries(), std::vector<int32_t>{1});
    EXPECT_FALSE(fs::exists(dir / "out" / "bad"));
    EXPECT_EQ(readAll(dir / "out" / "good"), "g");
}

} // namespace
