// The engine behind zLibControl: an entry table that AddFile fills and Compress writes as a
// container, or that Decompress and Verify fill from one. One call runs to completion on the
// caller's thread; worker threads never change the bytes written nor the order of progress
// reports, and memory is bounded by the chunks. Each job has its own file:
//
//   container_p.h               the format's layout and constants; how a call fails inside
//   zlibarchive.cpp             the table, settings, progress, AddFile, and runCall, the one
//                               place where a call's failures become its result
//   zlibarchive_compress.cpp    writing a container
//   zlibarchive_decompress.cpp  reading one: entry headers, verifying, unpacking
//   chunkcodec                  one chunk through libdeflate or zlib
//   chunkpipeline, inflatepipeline  a source's chunks compressed, an entry's inflated, on
//                               worker threads (workerpool) and handed back in order
//   containerreader             reads that never pass the container's end
//   storedname, placement       names in GBK; where unpacked entries land, and how
//   wildcard, posixfile         AddFile's patterns; files, work files, checked writes

#include "zlibarchive.h"

#include "chunkcodec_p.h"
#include "container_p.h"
#include "posixfile_p.h"
#include "storedname_p.h"
#include "wildcard_p.h"

#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>

namespace zeva::archive {

using namespace internal;

namespace {

namespace fs = std::filesystem;

constexpr int kFolderAttribute = 16;
// Sources of one chunk or less are kept from AddFile's reading up to this much in all, so
// that packing many small files opens each of them once.
constexpr int64_t kKeptSourceBudget = 64 << 20;
const std::string kFailurePrefix = "发生错误，原因：";

struct BusyScope {
    explicit BusyScope(bool &flag) : flag(flag) { flag = true; }
    ~BusyScope() { flag = false; }
    bool &flag;
};

} // namespace

std::string resultText(int code)
{
    switch (code) {
    case result::Ok: return "done";
    case result::NoEntries: return "no entries to pack, or not a container (signature differs)";
    case result::ContainerExists: return "the container exists and may not be overwritten";
    case result::NotAFile: return "the container is missing or is a folder";
    case result::Busy: return "the archive is busy with another call";
    case Z_STREAM_ERROR: return "zlib: stream error";
    case Z_DATA_ERROR: return "zlib: corrupt compressed data";
    case Z_MEM_ERROR: return "zlib: out of memory";
    case Z_BUF_ERROR: return "zlib: a chunk does not fit its declared size";
    case Z_VERSION_ERROR: return "zlib: version mismatch";
    default: return "result " + std::to_string(code);
    }
}

ZLibArchive::ZLibArchive()
{
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    m_tempFolder = ec ? std::string("/tmp") : temp.string();
    while (m_tempFolder.size() > 1 && m_tempFolder.back() == '/')
        m_tempFolder.pop_back();
    // For whoever must compare containers with compress2's without rebuilding (and the tests).
    const char *engine = std::getenv("ZEVA_ARCHIVE_ENGINE");
    if (engine && std::strcmp(engine, "zlib") == 0)
        m_engine = Engine::Zlib;
}

ZLibArchive::~ZLibArchive()
{
    clearTable();
}

void ZLibArchive::setMax(int value)
{
    m_max = std::max(value, 1);
    if (m_value > m_max)
        m_value = m_max;
    if (m_callbacks.progress)
        m_callbacks.progress(m_max, m_value);
}

void ZLibArchive::setValue(int value)
{
    m_value = std::max(std::min(value, m_max), 0);
    if (m_callbacks.progress)
        m_callbacks.progress(m_max, m_value);
}

void ZLibArchive::addValue(int64_t amount)
{
    setValue(clampInt(int64_t(m_value) + amount));
}

int ZLibArchive::threads() const
{
    if (m_threads > 0)
        return m_threads;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void ZLibArchive::reportFailure(const std::string &description)
{
    m_failure = description;
    if (m_callbacks.failure)
        m_callbacks.failure(kFailurePrefix + description);
}

bool ZLibArchive::refusedWhileBusy()
{
    if (!m_busy)
        return false;
    if (m_callbacks.failure)
        m_callbacks.failure(kFailurePrefix + resultText(result::Busy));
    return true;
}

int16_t ZLibArchive::runCall(const std::function<int16_t()> &body)
{
    if (refusedWhileBusy())
        return result::Busy;
    BusyScope busy(m_busy);
    m_failure.clear();
    // A zlib refusal is the call's result; anything else is the unexpected-failure path,
    // which answers 0 with failed() true.
    try {
        return body();
    } catch (const ZlibFailure &z) {
        m_failure = resultText(z.code);
        return int16_t(z.code);
    } catch (const Failure &f) {
        reportFailure(f.description);
    } catch (const std::bad_alloc &) {
        reportFailure("out of memory");
    } catch (const std::system_error &e) {
        reportFailure(e.what());
    }
    return result::Ok;
}

void ZLibArchive::clearTable()
{
    m_entries.clear();
    m_keptBytes = 0;
}

void ZLibArchive::forgetKept(ArchiveEntry &entry)
{
    m_keptBytes -= int64_t(entry.keptSource.size());
    entry.keptSource = {};
    entry.sourceKept = false;
}

const ArchiveEntry *ZLibArchive::entry(int32_t Index) const
{
    return Index >= 0 && Index < FileCount() ? &m_entries[size_t(Index)] : nullptr;
}

std::string ZLibArchive::crcText(uint32_t crc)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", crc);
    return text;
}

std::string ZLibArchive::storedName(const std::string &name)
{
    return internal::storedName(name);
}

std::string ZLibArchive::Original_Crc32(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? crcText(e->uncompressedCrc) : std::string();
}

std::string ZLibArchive::Filename(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->Filename : std::string();
}

void ZLibArchive::setFilename(int32_t Index, const std::string &value)
{
    if (!refusedWhileBusy() && entry(Index))
        m_entries[size_t(Index)].Filename = storedName(value);
}

std::string ZLibArchive::Path(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->Path : std::string();
}

std::string ZLibArchive::Compressed_CRC32(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? crcText(e->compressedCrc) : std::string();
}

int32_t ZLibArchive::Compressed_Size(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->Compressed_Size : -1;
}

int32_t ZLibArchive::FileSize(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->FileSize : -1;
}

void ZLibArchive::setReadBuf(int32_t value)
{
    m_readBuf = value < 1 ? kDefaultReadBuf : value;
}

bool ZLibArchive::RemoveFile(int32_t Index)
{
    if (refusedWhileBusy() || !entry(Index))
        return false;
    forgetKept(m_entries[size_t(Index)]);
    m_entries.erase(m_entries.begin() + Index);
    return true;
}

void ZLibArchive::Reset()
{
    if (refusedWhileBusy())
        return;
    clearTable();
    setValue(0);
}

uint32_t ZLibArchive::Calculate_Crc32(const std::string &Filename)
{
    m_failure.clear();
    struct stat st {};
    const UniqueFd f = openRegular(Filename, st);
    if (!f) {
        if (errno != ENOENT && errno != EISDIR)
            m_failure = "cannot open " + Filename + ": " + notRegularText();
        return 0;
    }
    return crcOf(f.get(), st.st_size, Filename);
}

uint32_t ZLibArchive::crcOf(int fd, int64_t length, const std::string &name)
{
    std::vector<unsigned char> buffer(size_t(std::max<int64_t>(1, std::min<int64_t>(m_readBuf, length))));
    uint32_t crc = 0;
    for (int64_t left = length; left > 0;) {
        const size_t n = size_t(std::min<int64_t>(left, int64_t(buffer.size())));
        try {
            readFull(fd, buffer.data(), n, name);
        } catch (const Failure &failure) {
            m_failure = failure.description;
            return 0;
        }
        crc = updateCrc(crc, buffer.data(), n);
        left -= int64_t(n);
        addValue(int64_t(n));
    }
    return crc;
}

bool ZLibArchive::addOneFile(const std::string &name, const fs::path &cwd)
{
    ArchiveEntry e;
    e.Path = name;
    const fs::path path(name);
    e.Filename = storedName((path.is_absolute() || cwd.empty() ? path : cwd / path).lexically_normal().string());
    struct stat st {};
    const UniqueFd f = openRegular(name, st);
    if (!f) {
        m_failure = "cannot read " + name + ": " + notRegularText();
        return false;
    }
    e.sourceLength = st.st_size;
    e.sourceModified = modifiedNs(st);
    e.FileSize = int32_t(std::min<int64_t>(st.st_size, kFieldLimit));
    setMax(e.FileSize);
    setValue(0);
    if (st.st_size <= m_readBuf && m_keptBytes + st.st_size <= kKeptSourceBudget) {
        e.keptSource.resize(size_t(st.st_size));
        try {
            readFull(f.get(), e.keptSource.data(), e.keptSource.size(), name);
        } catch (const Failure &failure) {
            m_failure = failure.description;
            return false;
        }
        e.uncompressedCrc = updateCrc(0, e.keptSource.data(), e.keptSource.size());
        e.sourceKept = true;
        m_keptBytes += st.st_size;
        addValue(st.st_size);
    } else {
        e.uncompressedCrc = crcOf(f.get(), st.st_size, name);
        if (failed())
            return false;
    }
    m_entries.push_back(std::move(e));
    return true;
}

bool ZLibArchive::AddFile(const std::string &Filename, int32_t attrib)
{
    if (refusedWhileBusy())
        return false;
    m_failure.clear();
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);   // once: 100,000 matches need it 100,000 times
    // An existing file is that file, whatever characters its name holds.
    struct stat st {};
    if (::stat(Filename.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return (attrib & kFolderAttribute) != 0;   // a folder is accepted, nothing added
        if (!S_ISREG(st.st_mode))
            return false;
        return attrib == kFolderAttribute || addOneFile(Filename, cwd);
    }
    if (Filename.find_first_of("*?") == std::string::npos)
        return false;
    const Matches matches = findMatches(Filename, (attrib & kFolderAttribute) != 0);
    if (!matches.any)
        return false;
    for (const auto &file : matches.files)
        if (!addOneFile(file, cwd))
            return false;
    return true;
}

} // namespace zeva::archive
