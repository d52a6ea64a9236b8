// Writing a container. Each entry's source is read, checked and compressed ReadBuf bytes at
// a time into its work file (the chunk stream), then the entry's header and that stream
// are appended to the container; so memory stays a few chunks whatever the source's size.
// The CRC AddFile took holds unless the source changed since; then it is taken again from
// the bytes packed, and the entry describes those. A source of 2 GiB or more, or a chunk
// stream that would reach that size, is refused: the format's fields are 32-bit.
//
// The container is written beside its place (a hidden ".zLi*.tmp") and renamed over it only
// when complete, so any failure leaves an existing container as it was.

#include "zlibarchive.h"

#include "chunkpipeline_p.h"
#include "container_p.h"
#include "posixfile_p.h"
#include "storedname_p.h"

#include "gbkcodec.h"

#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

namespace zeva::archive {

using namespace internal;

namespace {

// compress2 answers Z_STREAM_ERROR for every chunk at a level zlib does not know; the
// container is written at 6 instead.
int effectiveLevel(int level)
{
    z_stream probe{};
    if (deflateInit(&probe, level) == Z_STREAM_ERROR)
        return 6;
    deflateEnd(&probe);
    return level == Z_DEFAULT_COMPRESSION ? 6 : level;
}

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

// Appends the first `length` bytes of `work` to the container, `piece` bytes at a time. The
// kernel copies them when it can (no trip through our buffers); the FILE's position is
// brought to the new end afterwards.
void appendFile(const std::string &work, int64_t length, std::FILE *container, const std::string &containerName,
                int32_t piece, const std::function<void(int64_t)> &copied)
{
    FilePtr copy = openFile(work, "rb", "the work file");
    if (std::fflush(container) != 0)
        throw Failure{"cannot write " + containerName + ": " + errnoText()};
    std::vector<unsigned char> buffer;
    bool kernelCopy = true;
    for (int64_t left = length; left > 0;) {
        const size_t n = size_t(std::min<int64_t>(left, piece));
        size_t done = 0;
        while (kernelCopy && done < n) {
            const ssize_t r = ::copy_file_range(fileno(copy.get()), nullptr, fileno(container), nullptr, n - done, 0);
            if (r <= 0) {
                if (done != 0 || r == 0)
                    throw Failure{"cannot write " + containerName + ": " + errnoText()};
                kernelCopy = false;   // not offered here: copy through a buffer
                break;
            }
            done += size_t(r);
        }
        if (!kernelCopy) {
            buffer.resize(n);
            if (std::fread(buffer.data(), 1, n, copy.get()) != n)
                throw Failure{"cannot read " + work + ": " + errnoText()};
            writeBytes(container, buffer.data(), n, containerName);
        }
        left -= int64_t(n);
        copied(int64_t(n));
    }
    if (std::fseek(container, 0, SEEK_END) != 0)
        throw Failure{"cannot write " + containerName + ": " + errnoText()};
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

        WorkFileGuard partial;
        FilePtr out = createBeside(Filename, "w+b", partial);
        writeInt(out.get(), kSignatureLength, Filename);
        writeBytes(out.get(), kSignature, kSignatureLength, Filename);
        writeInt(out.get(), LastIndex(), Filename);
        int32_t packed = 0;
        for (auto &e : m_entries) {
            if (e.Path.empty() || !isRegularFile(e.Path))
                continue;   // vanished or became a folder since AddFile: skipped, not announced
            packEntry(e, out.get(), Filename, level);
            ++packed;
        }
        if (packed != FileCount()) {
            if (std::fseek(out.get(), 4 + kSignatureLength, SEEK_SET) != 0)
                throw Failure{"cannot write " + Filename + ": " + errnoText()};
            writeInt(out.get(), packed - 1, Filename);
        }
        closeChecked(out, Filename);
        if (Overwrite) {
            if (::rename(partial.path.c_str(), Filename.c_str()) != 0)
                throw Failure{"cannot write " + Filename + ": " + errnoText()};
            partial.path.clear();
            return result::Ok;
        }
        // A link fails rather than replace a container that appeared meanwhile; where the
        // file system has no links, a last look before the rename has to do.
        if (::link(partial.path.c_str(), Filename.c_str()) != 0) {
            if (errno == EEXIST || ::lstat(Filename.c_str(), &st) == 0)
                return result::ContainerExists;
            if (::rename(partial.path.c_str(), Filename.c_str()) != 0)
                throw Failure{"cannot write " + Filename + ": " + errnoText()};
            partial.path.clear();
        }
        return result::Ok;
    });
}

void ZLibArchive::packEntry(ArchiveEntry &e, std::FILE *container, const std::string &containerName, int level)
{
    struct stat st {};
    FilePtr source = openRegular(e.Path, st);
    if (!source)
        throw Failure{"cannot open the source " + e.Path + ": " + notRegularText()};
    if (st.st_size > kFieldLimit)
        throw Failure{e.Path + " holds 2 GiB or more, which the container's 32-bit sizes cannot hold"};
    const int64_t length = st.st_size;

    dropWorkFile(e);
    e.TempFile = newWorkFile();
    WorkFileGuard guard{e.TempFile};
    FilePtr work = openFile(e.TempFile, "wb", "the work file");

    setValue(0);
    setMax(int(length));
    uint32_t compressedCrc = 0;
    int64_t stream = 0;
    const bool unchanged = e.sourceModified != 0 && length == e.sourceLength && modifiedNs(st) == e.sourceModified;
    ChunkPipeline pipeline(threads(), level, !unchanged);
    const uint32_t readCrc = pipeline.run(source.get(), e.Path, length, m_readBuf, [&](const Chunk &c) {
        stream += 8 + int64_t(c.outLength);
        if (stream > kFieldLimit)
            throw Failure{"the packed form of " + e.Path + " reaches 2 GiB, which the container's 32-bit sizes cannot hold"};
        writeInt(work.get(), int32_t(c.inLength), e.TempFile);
        writeInt(work.get(), int32_t(c.outLength), e.TempFile);
        writeBytes(work.get(), c.out.data(), c.outLength, e.TempFile);
        compressedCrc = crc32(compressedCrc, c.out.data(), uInt(c.outLength));
        addValue(m_readBuf);
    });
    source.reset();
    closeChecked(work, e.TempFile);

    e.sourceLength = length;
    e.FileSize = int32_t(length);
    if (!unchanged)
        e.uncompressedCrc = readCrc;
    e.compressedCrc = compressedCrc;
    e.Compressed_Size = int32_t(stream);

    setValue(0);
    setMax(clampInt(stream + 6));
    writeEntryHeader(container, e, containerName);
    addValue(6);
    appendFile(e.TempFile, stream, container, containerName, m_readBuf, [this](int64_t n) { addValue(n); });
    e.TempFile.clear();   // the guard deletes it
}

} // namespace zeva::archive
