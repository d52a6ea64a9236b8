// Chunks are independent, so Compress hands them to worker threads; the caller's thread
// reads the source, takes its CRC, collects the results in chunk order and passes them on,
// so the container and the order of progress reports are those of one thread. A ring of a
// few slots per worker keeps them busy while the caller writes and bounds memory to a small
// multiple of ReadBuf. The workers and their compressors live as long as the pipeline,
// since setting up a compressor costs more than a small chunk does. When no thread can be
// started, the caller does all the work itself.

#include "chunkpipeline_p.h"

#include "container_p.h"
#include "posixfile_p.h"

#include <algorithm>

namespace zeva::archive::internal {

ChunkPipeline::ChunkPipeline(int threads, int level, Engine engine)
    : m_threads(std::max(1, threads)), m_level(level), m_engine(engine), m_compressor(engine, level)
{
}

ChunkPipeline::~ChunkPipeline() = default;

uint32_t ChunkPipeline::run(int source, const std::string &path, int64_t length, int32_t readBuf, bool crc,
                            const Sink &sink)
{
    m_withCrc = crc;
    m_crc = 0;
    m_source = source;
    m_path = &path;
    m_left = length;
    m_readBuf = readBuf;
    const int64_t chunks = (length + readBuf - 1) / readBuf;
    // Even one worker pays off beside the caller when there is a second core: the reads,
    // CRCs and writes then overlap the compression.
    if (chunks <= 1 || (m_threads <= 1 && std::thread::hardware_concurrency() < 2) || !startWorkers())
        runInline(chunks, sink);
    else
        runParallel(chunks, sink);
    return m_crc;
}

uint32_t ChunkPipeline::runKept(const unsigned char *data, size_t length, bool crc, const Sink &sink)
{
    if (length == 0)
        return 0;
    m_chunk.inLength = length;
    m_chunk.rc = m_compressor.compress(data, length, m_chunk.out, m_chunk.outLength);
    if (m_chunk.rc != Z_OK)
        throw ZlibFailure{m_chunk.rc};
    sink(m_chunk);
    return crc ? updateCrc(0, data, length) : 0;
}

bool ChunkPipeline::startWorkers()
{
    if (!m_pool) {
        const size_t slots = size_t(std::max(4, m_threads * 3));
        m_ring.resize(slots);
        m_workerCompressors.resize(size_t(m_threads));
        m_pool = std::make_unique<WorkerPool>(m_threads, slots, [this](size_t slot, int worker) {
            auto &compressor = m_workerCompressors[size_t(worker)];
            if (!compressor)
                compressor = std::make_unique<ChunkCompressor>(m_engine, m_level);
            Chunk &c = m_ring[slot];
            c.rc = compressor->compress(c.in.data(), c.inLength, c.out, c.outLength);
        });
    }
    return m_pool->workers() > 0;
}

void ChunkPipeline::readChunk(Chunk &chunk)
{
    chunk.inLength = size_t(std::min<int64_t>(m_readBuf, m_left));
    chunk.in.resize(chunk.inLength);
    readFull(m_source, chunk.in.data(), chunk.inLength, *m_path);
    m_left -= int64_t(chunk.inLength);
    if (m_withCrc)
        m_crc = updateCrc(m_crc, chunk.in.data(), chunk.inLength);
}

void ChunkPipeline::runInline(int64_t chunks, const Sink &sink)
{
    for (int64_t k = 0; k < chunks; ++k) {
        readChunk(m_chunk);
        m_chunk.rc = m_compressor.compress(m_chunk.in.data(), m_chunk.inLength, m_chunk.out, m_chunk.outLength);
        if (m_chunk.rc != Z_OK)
            throw ZlibFailure{m_chunk.rc};
        sink(m_chunk);
    }
}

void ChunkPipeline::runParallel(int64_t chunks, const Sink &sink)
{
    const int64_t slots = int64_t(m_ring.size());
    int64_t submitted = 0, taken = 0;
    // However this is left, no worker may still hold a slot when the next source reuses it.
    struct Settle {
        WorkerPool &pool;
        int64_t slots;
        int64_t &taken;
        const int64_t &submitted;
        ~Settle()
        {
            while (taken < submitted) {
                try {
                    pool.take(size_t(taken++ % slots));
                } catch (...) {   // the call already fails with what came first
                }
            }
        }
    } settle{*m_pool, slots, taken, submitted};
    while (taken < chunks) {
        for (; submitted < chunks && submitted - taken < slots; ++submitted) {
            readChunk(m_ring[size_t(submitted % slots)]);
            m_pool->submit(size_t(submitted % slots));
        }
        const size_t i = size_t(taken++ % slots);   // free again even when take throws
        m_pool->take(i);
        if (m_ring[i].rc != Z_OK)
            throw ZlibFailure{m_ring[i].rc};
        sink(m_ring[i]);
    }
}

} // namespace zeva::archive::internal
