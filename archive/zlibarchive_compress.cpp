// Writing a container. Each entry's source is read, checked and compressed ReadBuf bytes at
// a time (libdeflate's bytes, or compress2's with the zlib engine) into its chunk stream (memory, then the call's unnamed work file), then the entry's
// header and that stream are appended to the container; so memory stays bounded whatever
// the source's size.
// The CRC AddFile took holds unless the source changed since; then it is taken again from
// the bytes packed, and the entry describes those. A source of 2 GiB or more, or a chunk
// stream that would reach that size, is refused: the format's fields are 32-bit.
//
// The container is written unnamed in its folder and takes its name only when complete, so
// any failure leaves an existing container as it was, and a killed run leaves nothing.

#include "zlibarchive.h"

#include "chunkpipeline_p.h"
#include "chunkstream_p.h"
#include "container_p.h"
#include "posixfile_p.h"
#include "storedname_p.h"
#include "workfiles_p.h"

#include "gbkcodec.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace zeva::archive {

using namespace internal;

namespace {

void writeEntryHeader(std::FILE *container, const ArchiveEntry &e, const std::string &containerName)
{
    const std::string name = text::utf8ToGbk(e.Filename);
    writeInt(container, gbkCharacterCount(name), containerName);
    writeBytes(container, name.data(), name.size(), containerName);
    writeInt(container, e.FileSize, containerName);
    writeInt(container, int32_t(e.uncompressedCrc), containerName);
    writeInt(container, int32_t(e.compressedCrc), containerName);
    writeInt(container, e.Compressed_Size, containerName);
}

} // namespace

int16_t ZLibArchive::Compress(const std::string &Filename, bool Overwrite, int32_t level)
{
    return runCall([&]() -> int16_t {
        if (m_entries.empty())
            return result::NoEntries;
        struct stat st {};
        if (::lstat(Filename.c_str(), &st) == 0) {
            if (isFolder(Filename))
                return result::NotAFile;
            if (!Overwrite)
                return result::ContainerExists;
        }
        level = effectiveLevel(level);

        const size_t slash = Filename.rfind('/');
        const std::string folderName = slash == std::string::npos ? "." : Filename.substr(0, slash + 1);
        const UniqueFd folder(::open(folderName.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC));
        if (!folder)
            throw Failure{"cannot write beside " + Filename + ": " + errnoText()};
        PendingFile out(folder.get(), Filename);
        writeInt(out.file(), kSignatureLength, Filename);
        writeBytes(out.file(), kSignature, kSignatureLength, Filename);
        writeInt(out.file(), LastIndex(), Filename);
        ChunkPipeline pipeline(threads(), level, m_engine);
        ChunkStream stream(m_tempFolder);
        int32_t packed = 0;
        for (auto &e : m_entries) {
            struct stat st {};
            if (e.sourceKept) {
                if (::stat(e.Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == e.sourceLength
                    && modifiedNs(st) == e.sourceModified) {
                    packEntry(e, -1, st.st_size, modifiedNs(st), out.file(), Filename, pipeline, stream);
                    ++packed;
                    continue;
                }
                forgetKept(e);   // changed since: read again
            }
            const UniqueFd source = e.Path.empty() ? UniqueFd() : openRegular(e.Path, st);
            if (!source) {
                // Vanished or no longer a file since AddFile: skipped, not announced.
                if (e.Path.empty() || errno == ENOENT || errno == ENOTDIR || errno == EISDIR || errno == ENOTSUP)
                    continue;
                throw Failure{"cannot open the source " + e.Path + ": " + notRegularText()};
            }
            packEntry(e, source.get(), st.st_size, modifiedNs(st), out.file(), Filename, pipeline, stream);
            ++packed;
        }
        if (packed != FileCount()) {
            if (std::fseek(out.file(), 4 + kSignatureLength, SEEK_SET) != 0)
                throw Failure{"cannot write " + Filename + ": " + errnoText()};
            writeInt(out.file(), packed - 1, Filename);
        }
        const std::string leaf = slash == std::string::npos ? Filename : Filename.substr(slash + 1);
        return out.place(leaf, Overwrite) ? result::Ok : result::ContainerExists;
    });
}

void ZLibArchive::packEntry(ArchiveEntry &e, int source, int64_t length, int64_t modified,
                            std::FILE *container, const std::string &containerName, ChunkPipeline &pipeline,
                            ChunkStream &stream)
{
    if (length > kFieldLimit)
        throw Failure{e.Path + " holds 2 GiB or more, which the container's 32-bit sizes cannot hold"};

    setValue(0);
    setMax(int(length));
    stream.clear();
    uint32_t compressedCrc = 0;
    const bool unchanged = e.sourceModified != 0 && length == e.sourceLength && modified == e.sourceModified;
    const auto sink = [&](const Chunk &c) {
        if (stream.size() + 8 + int64_t(c.outLength) > kFieldLimit)
            throw Failure{"the packed form of " + e.Path + " reaches 2 GiB, which the container's 32-bit sizes cannot hold"};
        unsigned char lengths[8];
        putInt(lengths, int32_t(c.inLength));
        putInt(lengths + 4, int32_t(c.outLength));
        stream.append(lengths, sizeof lengths);
        stream.append(c.out.data(), c.outLength);
        compressedCrc = updateCrc(compressedCrc, c.out.data(), c.outLength);
        addValue(m_readBuf);
    };
    const uint32_t readCrc = source >= 0
        ? pipeline.run(source, e.Path, length, m_readBuf, !unchanged, sink)
        : pipeline.runKept(e.keptSource.data(), e.keptSource.size(), !unchanged, sink);
    const int64_t streamLength = stream.size();

    e.sourceLength = length;
    e.FileSize = int32_t(length);
    if (!unchanged)
        e.uncompressedCrc = readCrc;
    e.compressedCrc = compressedCrc;
    e.Compressed_Size = int32_t(streamLength);

    setValue(0);
    setMax(clampInt(streamLength + 6));
    writeEntryHeader(container, e, containerName);
    addValue(6);
    stream.copyTo(container, containerName, m_readBuf, [this](int64_t n) { addValue(n); });
}

} // namespace zeva::archive
