#pragma once
// Compressing one source chunk by chunk, on worker threads when there are several, with
// the chunks handed back in their order on the calling thread.

#include "chunkcodec_p.h"
#include "workerpool_p.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zeva::archive::internal {

struct Chunk {
    std::vector<unsigned char> in;
    std::vector<unsigned char> out;
    size_t inLength = 0;
    size_t outLength = 0;
    int rc = 0;
};

class ChunkPipeline {
public:
    using Sink = std::function<void(const Chunk &)>;

    // `threads` compressing threads at most (below 1: one), `level` as effectiveLevel gives
    // it. One pipeline serves every entry of a call: its threads and their compressors are
    // made once, at the first source of several chunks.
    ChunkPipeline(int threads, int level, Engine engine);
    ~ChunkPipeline();

    // Reads `length` bytes of `source` in chunks of `readBuf`, compresses each and hands it
    // to `sink` in chunk order on this thread. Returns the CRC-32 of the source (0 unless
    // `crc`). Throws Failure when the source cannot be read or became shorter, ZlibFailure
    // when zlib refused a chunk, and what a worker or the sink threw.
    uint32_t run(int source, const std::string &path, int64_t length, int32_t readBuf, bool crc,
                 const Sink &sink);

    // The same for a source of at most one chunk already in memory.
    uint32_t runKept(const unsigned char *data, size_t length, bool crc, const Sink &sink);

private:
    void readChunk(Chunk &chunk);
    void runInline(int64_t chunks, const Sink &sink);
    void runParallel(int64_t chunks, const Sink &sink);
    bool startWorkers();

    int m_threads;
    int m_level;
    Engine m_engine;
    ChunkCompressor m_compressor;   // the caller's own, when it compresses
    Chunk m_chunk;
    std::vector<Chunk> m_ring;
    std::vector<std::unique_ptr<ChunkCompressor>> m_workerCompressors;   // each made by its thread
    std::unique_ptr<WorkerPool> m_pool;
    bool m_withCrc = false;
    int m_source = -1;
    const std::string *m_path = nullptr;
    int64_t m_left = 0;
    int32_t m_readBuf = 0;
    uint32_t m_crc = 0;
};

} // namespace zeva::archive::internal
