// Reading a container: Decompress and Verify make one pass over it. Each entry's header is
// read and its lengths checked against the bytes left in the file before anything is
// allocated for them; its chunk stream is then skipped (information only, a refused
// target), verified (both CRCs and the length, nothing written) or unpacked. A chunk is
// trusted only after its lengths are checked against the bytes left in its entry and
// against what deflate can produce from L bytes (inflatepipeline), and it is held whole only
// up to 1 MiB each way, else inflated through fixed pieces, so a hostile length never
// reaches a large allocation.
//
// An entry is unpacked into an unnamed file in its target's folder that takes the target's
// name only when the entry has been read whole (and, when corrupted files are dropped,
// passed its CRCs). A fault ends
// the pass with the unexpected-failure message; the table then holds the entries read up
// to the faulty one, and what was unpacked before it stays.

#include "zlibarchive.h"

#include "container_p.h"
#include "containerreader_p.h"
#include "inflatepipeline_p.h"
#include "placement_p.h"
#include "posixfile_p.h"
#include "storedname_p.h"
#include "workfiles_p.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace zeva::archive {

using namespace internal;

struct ZLibArchive::Options {
    std::string outputpath;
    bool infoOnly = false;
    bool checkCrc = true;
    bool doubleCrc = false;
    bool saveCorrupted = true;
    bool usePaths = true;
    bool overwrite = true;
    bool verify = false;
};

class ZLibArchive::Reading {
public:
    Reading(ZLibArchive &archive, const std::string &container, const Options &options,
            std::vector<int32_t> *badEntries)
        : m_archive(archive), m_container(container), m_options(options), m_bad(badEntries),
          m_reader(container),
          m_chunks(m_reader, archive.m_engine, archive.threads(), archive.m_readBuf)
    {
    }

    int16_t run()
    {
        m_archive.setMax(clampInt(m_reader.size()));
        if (!readSignature())
            return result::BadSignature;
        const int32_t lastIndex = m_reader.readInt("the entry count");
        if (lastIndex < -1)
            throw Failure{"the container " + m_container + " announces " + std::to_string(int64_t(lastIndex) + 1)
                          + " entries"};
        m_archive.clearTable();
        m_archive.m_entries.reserve(
            size_t(std::min<int64_t>(int64_t(lastIndex) + 1, m_reader.left() / kMinEntryBytes + 1)));
        showPosition();
        for (int32_t index = 0; index <= lastIndex; ++index) {
            // A copy of its own, not the table's row: the table may move while events run.
            const ArchiveEntry entry = readEntryHeader(index);
            m_archive.m_entries.push_back(entry);
            showPosition();
            if (entry.Compressed_Size <= 0) {
                // Data announced but none stored is a bad entry.
                if (m_options.verify && m_bad && (entry.FileSize != 0 || entry.uncompressedCrc != 0
                                                  || entry.compressedCrc != 0))
                    m_bad->push_back(index);
                continue;
            }
            if (entry.Compressed_Size > m_reader.left())
                throw Failure{where(index, entry) + " claims " + std::to_string(entry.Compressed_Size)
                              + " bytes, but only " + std::to_string(m_reader.left()) + " remain"};
            if (m_options.verify) {
                if (!verifyEntry(entry, index) && m_bad)
                    m_bad->push_back(index);
            } else if (m_options.infoOnly) {
                skipEntry(entry);
            } else {
                unpackEntry(entry, index);
            }
        }
        return result::Ok;
    }

private:
    bool readSignature()
    {
        if (m_reader.left() < 4 + kSignatureLength || m_reader.readInt("the signature length") != kSignatureLength)
            return false;
        char signature[kSignatureLength];
        m_reader.read(signature, kSignatureLength, "the signature");
        return std::memcmp(signature, kSignature, kSignatureLength) == 0;
    }

    // The name, sizes and CRCs; the chunk stream that follows is left unread.
    ArchiveEntry readEntryHeader(int32_t index)
    {
        ArchiveEntry e;
        const int32_t nameLength = m_reader.readInt("a name length");
        if (nameLength < 0 || nameLength > m_reader.left())
            throw Failure{"entry " + std::to_string(index) + " of " + m_container + " has a name length of "
                          + std::to_string(nameLength) + " at byte " + std::to_string(m_reader.position() - 4)
                          + ", beyond the container"};
        std::string raw;
        for (int32_t k = 0; k < nameLength; ++k) {
            unsigned char c;
            m_reader.read(&c, 1, "a name");
            raw += char(c);
            if (c >= 0x81 && c <= 0xFE) {   // a lead byte: its trail belongs to the same character
                m_reader.read(&c, 1, "a name");
                raw += char(c);
            }
        }
        e.Filename = decodeName(raw);
        e.FileSize = m_reader.readInt("a file size");
        e.sourceLength = e.FileSize;
        e.uncompressedCrc = uint32_t(m_reader.readInt("a CRC"));
        e.compressedCrc = uint32_t(m_reader.readInt("a CRC"));
        e.Compressed_Size = m_reader.readInt("a compressed size");
        return e;
    }

    void skipEntry(const ArchiveEntry &entry)
    {
        m_reader.skip(entry.Compressed_Size);
        showPosition();
    }

    // True when both CRCs and the length match what the header announced.
    bool verifyEntry(const ArchiveEntry &entry, int32_t index)
    {
        const StreamSums sums = inflateEntry(entry, index, true, true, [](const unsigned char *, size_t) {});
        return sums.uncompressedCrc == entry.uncompressedCrc && sums.compressedCrc == entry.compressedCrc
            && sums.produced == entry.FileSize;
    }

    void unpackEntry(const ArchiveEntry &entry, int32_t index)
    {
        if (!m_placement)
            m_placement.emplace(m_options.outputpath, m_archive.m_callbacks.letEventsRun);
        const Target target = m_placement->target(entry.Filename, m_options.usePaths, m_options.overwrite);
        if (!target) {
            ++m_archive.m_refused;
            skipEntry(entry);
            return;
        }
        PendingFile sink(target.folder, target.display);
        const bool doubleCrc = m_options.checkCrc && m_options.doubleCrc;
        const StreamSums sums = inflateEntry(entry, index, m_options.checkCrc, doubleCrc,
                                             [&](const unsigned char *data, size_t n) {
                                                 writeBytes(sink.file(), data, n, target.display);
                                             });
        const bool corrupt = m_options.checkCrc
            && (sums.uncompressedCrc != entry.uncompressedCrc || (doubleCrc && sums.compressedCrc != entry.compressedCrc));
        if (corrupt)
            m_archive.m_corrupt.push_back(index);
        if (corrupt && !m_options.saveCorrupted)
            return;   // dropped: the unnamed file goes with `sink`
        if (!sink.place(target.leaf, m_options.overwrite))
            ++m_archive.m_refused;   // it appeared meanwhile, and may not be replaced
    }

    // Inflates the entry's chunks into `sink`, with the CRCs asked for. Throws Failure for a
    // chunk whose lengths cannot be, ZlibFailure for one zlib refuses.
    StreamSums inflateEntry(const ArchiveEntry &entry, int32_t index, bool crc, bool doubleCrc,
                            const InflatePipeline::Sink &sink)
    {
        InflatePipeline::Entry stream;
        stream.compressedSize = entry.Compressed_Size;
        stream.fileSize = entry.FileSize;
        stream.crc = crc;
        stream.doubleCrc = doubleCrc;
        stream.where = [&] { return where(index, entry); };
        return m_chunks.inflate(stream, sink, [this](int64_t position) { m_archive.setValue(clampInt(position)); });
    }

    std::string where(int32_t index, const ArchiveEntry &entry) const
    {
        return "entry " + std::to_string(index) + " (" + entry.Filename + ") of " + m_container;
    }

    void showPosition() { m_archive.setValue(clampInt(m_reader.position())); }

    ZLibArchive &m_archive;
    const std::string &m_container;
    const Options &m_options;
    std::vector<int32_t> *m_bad;
    ContainerReader m_reader;
    InflatePipeline m_chunks;
    std::optional<Placement> m_placement;   // made at the first entry unpacked
};

int16_t ZLibArchive::Decompress(const std::string &Filename, const std::string &outputpath, bool GetFileInfoOnly,
                                bool CheckCRC32, bool DoubleCRC32, bool SaveCorruptedFiles, bool UsePaths,
                                bool Overwrite)
{
    Options options;
    options.outputpath = outputpath;
    options.infoOnly = GetFileInfoOnly;
    options.checkCrc = CheckCRC32;
    options.doubleCrc = DoubleCRC32;
    options.saveCorrupted = SaveCorruptedFiles;
    options.usePaths = UsePaths;
    options.overwrite = Overwrite;
    return readContainer(Filename, options, nullptr);
}

int16_t ZLibArchive::Verify(const std::string &Filename, std::vector<int32_t> *badEntries)
{
    Options options;
    options.verify = true;
    return readContainer(Filename, options, badEntries);
}

int16_t ZLibArchive::readContainer(const std::string &container, const Options &options,
                                   std::vector<int32_t> *badEntries)
{
    return runCall([&]() -> int16_t {
        m_refused = 0;
        m_corrupt.clear();
        struct stat st {};
        if (::stat(container.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return result::NotAFile;
        return Reading(*this, container, options, badEntries).run();
    });
}

} // namespace zeva::archive
