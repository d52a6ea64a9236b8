// The stream is kept in memory up to kInMemory bytes; past that, memory is written to the
// work file at the stream's offsets, and the copy into the container is the kernel's
// (copy_file_range) where the file systems allow it.

#include "chunkstream_p.h"

#include "container_p.h"
#include "workfiles_p.h"

#include <unistd.h>

#include <algorithm>

namespace zeva::archive::internal {
namespace {

constexpr size_t kInMemory = 1 << 20;

} // namespace

void ChunkStream::clear()
{
    m_memory.clear();
    m_spilled = 0;
    m_size = 0;
}

void ChunkStream::append(const void *data, size_t length)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    m_memory.insert(m_memory.end(), bytes, bytes + length);
    m_size += int64_t(length);
    if (m_memory.size() >= kInMemory)
        spill();
}

void ChunkStream::spill()
{
    if (!m_work)
        m_work = openWorkFile(m_workFolder);
    for (size_t done = 0; done < m_memory.size();) {
        const ssize_t n = ::pwrite(m_work.get(), m_memory.data() + done, m_memory.size() - done, m_spilled);
        if (n < 0)
            throw Failure{"cannot write the work file in " + m_workFolder + ": " + errnoText()};
        done += size_t(n);
        m_spilled += n;
    }
    m_memory.clear();
}

void ChunkStream::copyTo(std::FILE *container, const std::string &containerName, int32_t piece,
                         const std::function<void(int64_t)> &copied)
{
    const size_t step = size_t(std::max<int32_t>(piece, 1));
    if (m_spilled == 0) {
        for (size_t done = 0; done < m_memory.size();) {
            const size_t n = std::min(step, m_memory.size() - done);
            writeBytes(container, m_memory.data() + done, n, containerName);
            done += n;
            copied(int64_t(n));
        }
        return;
    }
    spill();
    if (std::fflush(container) != 0)
        throw Failure{"cannot write " + containerName + ": " + errnoText()};
    std::vector<unsigned char> buffer;
    bool kernelCopy = true;
    loff_t from = 0;
    while (from < m_spilled) {
        const size_t n = size_t(std::min<int64_t>(m_spilled - from, int64_t(step)));
        size_t done = 0;
        while (kernelCopy && done < n) {
            const ssize_t r = ::copy_file_range(m_work.get(), &from, fileno(container), nullptr, n - done, 0);
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
            const ssize_t r = ::pread(m_work.get(), buffer.data(), n, from);
            if (r != ssize_t(n))
                throw Failure{"cannot read the work file in " + m_workFolder + ": " + errnoText()};
            writeBytes(container, buffer.data(), n, containerName);
            from += loff_t(n);
        }
        copied(int64_t(n));
    }
    if (std::fseek(container, 0, SEEK_END) != 0)
        throw Failure{"cannot write " + containerName + ": " + errnoText()};
}

} // namespace zeva::archive::internal
