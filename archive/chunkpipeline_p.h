#pragma once
// Compressing one source chunk by chunk, on worker threads when there are several, with
// the chunks handed back in their order on the calling thread.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace zeva::archive::internal {

struct Chunk {
    std::vector<unsigned char> in;
    std::vector<unsigned char> out;
    size_t inLength = 0;
    size_t outLength = 0;
    int rc = 0;
    std::exception_ptr error;   // what a worker threw (out of memory); rethrown by the caller
};

class ChunkPipeline {
public:
    using Sink = std::function<void(const Chunk &)>;

    // `threads` compressing threads at most (below 1: one); `crc` asks run for the source's CRC-32.
    ChunkPipeline(int threads, int level, bool crc);

    // Reads `length` bytes of `source` in chunks of `readBuf`, compresses each and hands it
    // to `sink` in chunk order on this thread. Returns the CRC-32 of the source (0 unless
    // asked for). Throws Failure when the source cannot be read or became shorter,
    // ZlibFailure when zlib refused a chunk, and what a worker or the sink threw.
    uint32_t run(std::FILE *source, const std::string &path, int64_t length, int32_t readBuf, const Sink &sink);

private:
    void readChunk(Chunk &chunk);
    void runInline(int64_t chunks, const Sink &sink);
    void runParallel(int64_t chunks, int workers, const Sink &sink);

    int m_threads;
    int m_level;
    bool m_withCrc;
    std::FILE *m_source = nullptr;
    const std::string *m_path = nullptr;
    int64_t m_left = 0;
    int32_t m_readBuf = 0;
    uint32_t m_crc = 0;
};

} // namespace zeva::archive::internal
