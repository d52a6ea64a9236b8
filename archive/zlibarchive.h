#pragma once
// The container engine behind zLibControl: packs files into one container of
// chunk-compressed entries with CRC-32 checks, lists it, checks it and unpacks it.
// Qt-free; one call runs to completion on the caller's thread (worker threads, when
// used, never change the bytes written nor the order of progress reports).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zeva::archive {

namespace internal {
class ChunkPipeline;
class ChunkStream;
} // namespace internal

// How chunks are compressed and inflated. Both write the same format, which every reader
// reads; they differ in the compressed bytes and in speed.
enum class Engine {
    // libdeflate for chunks of at most 1 MiB in and out (zlib beyond, and for any chunk
    // libdeflate refuses); reading inflates the chunks of an entry on worker threads.
    Libdeflate,
    // zlib only: chunks are compress2's bytes, as the Windows writer's, and are inflated
    // one by one as uncompress would.
    Zlib,
};

// Result codes of Compress, Decompress and Verify. The zlib codes -2 .. -6 (Z_STREAM_ERROR,
// Z_DATA_ERROR, Z_MEM_ERROR, Z_BUF_ERROR, Z_VERSION_ERROR) pass through as they are.
namespace result {
inline constexpr int16_t Ok = 0;
inline constexpr int16_t NoEntries = -7;        // Compress: the entry table is empty
inline constexpr int16_t BadSignature = -7;     // Decompress: not a container
inline constexpr int16_t ContainerExists = -8;  // Compress: exists and Overwrite is false
inline constexpr int16_t NotAFile = -9;         // Compress: a folder; Decompress: missing or a folder
inline constexpr int16_t Busy = -10;            // called again while a call of this engine runs
} // namespace result

// One line of text for a result code, for tools and logs.
std::string resultText(int code);

// Deletes the files that running calls have written under a hidden name because the file
// system offers no unnamed files (elsewhere a killed call leaves nothing). Async-signal-safe:
// for a handler of SIGINT or SIGTERM that then ends the process.
void removeNamedWorkFiles() noexcept;

// One row of the entry table.
struct ArchiveEntry {
    std::string Path;            // the source as given to AddFile (UTF-8); empty after Decompress
    std::string Filename;        // stored name, UTF-8, "\" separated, begins with "\"
    uint32_t uncompressedCrc = 0;
    uint32_t compressedCrc = 0;
    int32_t FileSize = 0;
    int32_t Compressed_Size = 0;
    int64_t sourceLength = 0;    // the source's true length (FileSize cannot hold 2 GiB)
    int64_t sourceModified = 0;  // its modification time (ns) when its CRC was taken
    // A small source's bytes as AddFile read them; Compress packs them while the file is
    // unchanged instead of opening it again.
    std::vector<unsigned char> keptSource;
    bool sourceKept = false;
};

// What the engine reports while it works. Every member may be empty.
struct ArchiveCallbacks {
    std::function<void(int max, int value)> progress;          // after each Max or Value change
    std::function<void()> letEventsRun;                         // while folders are created
    std::function<void(const std::string &message)> failure;    // "发生错误，原因：" + description
};

// A call made from a callback while Compress, Decompress or Verify runs (a host letting
// events run may re-enter) is refused: Compress, Decompress and Verify return
// result::Busy, AddFile and RemoveFile false, Reset and setFilename change nothing; each
// reports the failure message and leaves the running call's failure() alone.
class ZLibArchive {
public:
    ZLibArchive();
    ~ZLibArchive();
    ZLibArchive(const ZLibArchive &) = delete;
    ZLibArchive &operator=(const ZLibArchive &) = delete;

    // CRC-32 of the file, read in ReadBuf pieces; 0 when it does not exist or is a folder
    // (also when it cannot be read: failed() then tells why). Advances Value.
    [[nodiscard]] uint32_t Calculate_Crc32(const std::string &Filename);

    // Writes the container. Returns 0 when done, -7 for an empty table (nothing written),
    // -9 when Filename is a folder, -8 when it exists and Overwrite is false (left as it
    // was), or the zlib code of a chunk that could not be compressed. Any other failure
    // (a source that cannot be read, a source of 2 GiB or more, a full disk) reports the
    // unexpected-failure message, removes the partial container and returns 0 with
    // failed() true. The container is written beside its place and replaces an existing
    // one only when complete, so a failure leaves that one as it was. Entries whose source
    // has vanished or become a folder are skipped and the header counts only the entries
    // written.
    [[nodiscard]] int16_t Compress(const std::string &Filename, bool Overwrite = true, int32_t level = 6);

    // Reads the container and, unless GetFileInfoOnly, unpacks its entries below
    // outputpath (empty: the current folder; relative: against the current folder).
    // Returns 0, -9 when the container is missing or a folder, -7 when its signature does
    // not match, or the zlib code of a chunk that could not be uncompressed. A corrupt or
    // truncated container reports the unexpected-failure message and returns 0 with
    // failed() true; the table then holds the entries read before the fault. An entry
    // whose name would land outside outputpath, or whose target exists while Overwrite is
    // false, is skipped (targetRefused() counts them); the other entries still unpack.
    [[nodiscard]] int16_t Decompress(const std::string &Filename, const std::string &outputpath = {},
                                     bool GetFileInfoOnly = false, bool CheckCRC32 = true,
                                     bool DoubleCRC32 = false, bool SaveCorruptedFiles = true,
                                     bool UsePaths = true, bool Overwrite = true);

    std::string Original_Crc32(int32_t Index) const;     // 8 upper-case hex digits, "" if invalid
    std::string Filename(int32_t Index) const;           // "" if invalid
    void setFilename(int32_t Index, const std::string &value);
    std::string Path(int32_t Index) const;
    std::string Compressed_CRC32(int32_t Index) const;
    int32_t Compressed_Size(int32_t Index) const;        // -1 if invalid
    int32_t FileSize(int32_t Index) const;               // -1 if invalid
    int32_t ReadBuf() const { return m_readBuf; }
    void setReadBuf(int32_t value);                      // below 1 stores 65536
    int32_t FileCount() const { return int32_t(m_entries.size()); }
    bool RemoveFile(int32_t Index);
    // Adds a file, or every file matching a pattern (* ? in the last component). False
    // when nothing matches, and when a matched file could not be read (failed() tells).
    [[nodiscard]] bool AddFile(const std::string &Filename, int32_t attrib = 0);
    void Reset();

    // Checks both CRCs (and the length) of every entry without writing anything.
    // Returns as Decompress does; `badEntries` receives the indices that fail.
    [[nodiscard]] int16_t Verify(const std::string &Filename, std::vector<int32_t> *badEntries);

    int32_t LastIndex() const { return FileCount() - 1; }
    const std::vector<ArchiveEntry> &entries() const { return m_entries; }
    const std::string &TempFolder() const { return m_tempFolder; }

    // Progress, clamped as the progress bar clamps (Max >= 1, 0 <= Value <= Max).
    int Max() const { return m_max; }
    int Value() const { return m_value; }
    void setMax(int value);
    void setValue(int value);

    void setCallbacks(ArchiveCallbacks callbacks) { m_callbacks = std::move(callbacks); }
    // The engine of Compress, Decompress and Verify; Libdeflate unless ZEVA_ARCHIVE_ENGINE=zlib
    // is in the environment when the archive is made.
    void setEngine(Engine engine) { m_engine = engine; }
    Engine engine() const { return m_engine; }
    // Compressing (and, with Libdeflate, inflating) threads; 0 means one per core. The
    // caller's thread reads, checks and writes beside them (on a single core it does
    // everything itself). Neither the output nor the progress reports depend on it.
    void setThreads(int threads) { m_threads = threads < 0 ? 0 : threads; }
    int threads() const;

    // The last call's failure description ("" when it succeeded) and whether it failed.
    bool failed() const { return !m_failure.empty(); }
    const std::string &failure() const { return m_failure; }
    // Entries the last Decompress skipped because their target was refused or existed.
    int targetRefused() const { return m_refused; }
    // Entries of the last Decompress that failed their CRC check: kept as unpacked when
    // SaveCorruptedFiles, else dropped. The call itself still succeeds.
    const std::vector<int32_t> &corruptEntries() const { return m_corrupt; }

    // The stored form of a name: "/" becomes "\", a leading drive is dropped, a "\" is put
    // in front, and a character GBK cannot hold becomes "_".
    static std::string storedName(const std::string &name);
    static std::string crcText(uint32_t crc);

private:
    struct Options;
    class Reading;   // one pass of Decompress or Verify over a container
    // Runs Compress, Decompress or Verify: refused while another runs, and every failure
    // thrown inside turned into the call's result and failure().
    int16_t runCall(const std::function<int16_t()> &body);
    int16_t readContainer(const std::string &container, const Options &options,
                          std::vector<int32_t> *badEntries);
    // Packs `entry` from its open `source` (-1: its keptSource) of `length` bytes last
    // modified at `modified` (ns).
    void packEntry(ArchiveEntry &entry, int source, int64_t length, int64_t modified, std::FILE *container,
                   const std::string &containerName, internal::ChunkPipeline &pipeline,
                   internal::ChunkStream &stream);
    void forgetKept(ArchiveEntry &entry);
    bool addOneFile(const std::string &name, const std::filesystem::path &cwd);
    uint32_t crcOf(int fd, int64_t length, const std::string &name);
    void clearTable();
    void reportFailure(const std::string &description);
    bool refusedWhileBusy();
    void addValue(int64_t amount);
    const ArchiveEntry *entry(int32_t Index) const;

    std::vector<ArchiveEntry> m_entries;
    int32_t m_readBuf = 65536;
    std::string m_tempFolder;
    int m_max = 100;
    int m_value = 0;
    int m_threads = 0;
    Engine m_engine = Engine::Libdeflate;
    int m_refused = 0;
    int64_t m_keptBytes = 0;   // of all entries' keptSource
    std::vector<int32_t> m_corrupt;
    bool m_busy = false;   // a Compress, Decompress or Verify is running (events may run inside)
    std::string m_failure;
    ArchiveCallbacks m_callbacks;
};

} // namespace zeva::archive
