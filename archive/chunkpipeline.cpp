// Chunks are independent, so Compress hands them to worker threads; the caller's thread
// reads the source, takes its CRC, collects the results in chunk order and passes them on,
// so the container and the order of progress reports are those of one thread. A ring of a
// few slots per worker keeps them busy while the caller writes and bounds memory to a small
// multiple of ReadBuf. Nothing a worker throws escapes its thread (that would end the
// process): it is carried to the caller with its chunk. When no thread can be started, the
// caller does all the work itself.

#include "chunkpipeline_p.h"

#include "chunkcodec_p.h"
#include "container_p.h"
#include "posixfile_p.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace zeva::archive::internal {

ChunkPipeline::ChunkPipeline(int threads, int level)
    : m_threads(std::max(1, threads)), m_level(level), m_deflater(level)
{
}

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
    const int workers = int(std::min<int64_t>(m_threads, chunks));
    if (chunks <= 1 || (workers <= 1 && std::thread::hardware_concurrency() < 2))
        runInline(chunks, sink);
    else
        runParallel(chunks, std::max(workers, 1), sink);
    return m_crc;
}

uint32_t ChunkPipeline::runKept(const unsigned char *data, size_t length, bool crc, const Sink &sink)
{
    if (length == 0)
        return 0;
    m_chunk.inLength = length;
    m_chunk.rc = m_deflater.compress(data, length, m_chunk.out, m_chunk.outLength);
    if (m_chunk.rc != Z_OK)
        throw ZlibFailure{m_chunk.rc};
    sink(m_chunk);
    return crc ? uint32_t(crc32(0, data, uInt(length))) : 0;
}

void ChunkPipeline::readChunk(Chunk &chunk)
{
    chunk.error = nullptr;
    chunk.inLength = size_t(std::min<int64_t>(m_readBuf, m_left));
    chunk.in.resize(chunk.inLength);
    readFull(m_source, chunk.in.data(), chunk.inLength, *m_path);
    m_left -= int64_t(chunk.inLength);
    if (m_withCrc)
        m_crc = crc32(m_crc, chunk.in.data(), uInt(chunk.inLength));
}

void ChunkPipeline::runInline(int64_t chunks, const Sink &sink)
{
    for (int64_t k = 0; k < chunks; ++k) {
        readChunk(m_chunk);
        m_chunk.rc = m_deflater.compress(m_chunk.in.data(), m_chunk.inLength, m_chunk.out, m_chunk.outLength);
        if (m_chunk.rc != Z_OK)
            throw ZlibFailure{m_chunk.rc};
        sink(m_chunk);
    }
}

void ChunkPipeline::runParallel(int64_t chunks, int workers, const Sink &sink)
{
    enum class State { Free, Queued, Done };
    const int64_t slots = std::max<int64_t>(4, int64_t(workers) * 3);
    std::vector<Chunk> ring(static_cast<size_t>(slots));
    std::vector<State> state(static_cast<size_t>(slots), State::Free);
    std::deque<size_t> queue;
    std::mutex mutex;
    std::condition_variable workReady, chunkDone;
    bool stop = false;

    auto work = [&] {
        Deflater deflater(m_level);
        for (;;) {
            std::unique_lock lock(mutex);
            workReady.wait(lock, [&] { return stop || !queue.empty(); });
            if (stop)
                return;
            const size_t i = queue.front();
            queue.pop_front();
            lock.unlock();
            Chunk &c = ring[i];
            try {
                c.rc = deflater.compress(c.in.data(), c.inLength, c.out, c.outLength);
            } catch (...) {
                c.error = std::current_exception();
            }
            lock.lock();
            state[i] = State::Done;
            chunkDone.notify_all();
        }
    };
    std::vector<std::thread> threads;
    // Stops and joins the workers however this function is left, a throw included.
    struct Joiner {
        std::vector<std::thread> &threads;
        std::mutex &mutex;
        bool &stop;
        std::condition_variable &cv;
        ~Joiner()
        {
            { std::lock_guard lock(mutex); stop = true; }
            cv.notify_all();
            for (auto &t : threads)
                t.join();
        }
    } joiner{threads, mutex, stop, workReady};
    for (int w = 0; w < workers; ++w) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error &) {
            break;   // no more threads to be had: work with those there are
        }
    }
    if (threads.empty()) {
        runInline(chunks, sink);
        return;
    }

    int64_t nextRead = 0;
    for (int64_t nextWrite = 0; nextWrite < chunks; ++nextWrite) {
        for (; nextRead < chunks && nextRead - nextWrite < slots; ++nextRead) {
            const size_t i = size_t(nextRead % slots);
            readChunk(ring[i]);
            { std::lock_guard lock(mutex); state[i] = State::Queued; queue.push_back(i); }
            workReady.notify_one();
        }
        const size_t i = size_t(nextWrite % slots);
        {
            std::unique_lock lock(mutex);
            chunkDone.wait(lock, [&] { return state[i] == State::Done; });
            state[i] = State::Free;
        }
        if (ring[i].error)
            std::rethrow_exception(ring[i].error);
        if (ring[i].rc != Z_OK)
            throw ZlibFailure{ring[i].rc};
        sink(ring[i]);
    }
}

} // namespace zeva::archive::internal
