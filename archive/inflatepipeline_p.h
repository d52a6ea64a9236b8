#pragma once
// Reading one entry's chunk stream: each chunk's lengths checked, then the chunk inflated,
// with libdeflate on worker threads while the caller reads ahead, and handed on in chunk
// order on the calling thread. Whatever the threads, the output, the CRCs, the progress
// positions and the failure met are those of reading the chunks one by one.

#include "chunkcodec_p.h"
#include "containerreader_p.h"
#include "workerpool_p.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zeva::archive::internal {

// What an entry's chunk stream held.
struct StreamSums {
    uint32_t uncompressedCrc = 0;   // of the output, when asked for
    uint32_t compressedCrc = 0;     // of the payloads, chunk headers excluded, when asked for
    int64_t produced = 0;
};

class InflatePipeline {
public:
    using Sink = Inflater::Sink;

    struct Entry {
        int64_t compressedSize = 0;   // C, already checked against the container
        int64_t fileSize = 0;         // as announced: only decides whether threads pay off
        bool crc = false;
        bool doubleCrc = false;
        std::function<std::string()> where;   // names the entry in failure messages
    };

    // `threads` inflating threads at most (below 1: one), started at the first entry of
    // several chunks; `readBuf` sizes the streamed path's pieces.
    InflatePipeline(ContainerReader &reader, Engine engine, int threads, int32_t readBuf);
    ~InflatePipeline();

    // Reads the entry's chunk stream at the reader's position, hands its output to `sink`
    // and calls `chunkDone` with the container position after each chunk. Throws Failure
    // for a chunk whose lengths cannot be, ZlibFailure for one that zlib refuses (the code
    // uncompress's rule ends in), and what the sink or a worker threw; the chunks before
    // the faulty one have then all been handed on.
    StreamSums inflate(const Entry &entry, const Sink &sink, const std::function<void(int64_t)> &chunkDone);

private:
    struct Piece;

    void readHeader(int64_t remaining, int32_t &declared, int32_t &length);
    void readPayload(Piece &piece);
    void finish(Piece &piece);
    void emit(const unsigned char *data, size_t length);
    void streamed(int64_t remaining, int32_t declared, int32_t length);
    bool startWorkers();

    ContainerReader &m_reader;
    Engine m_engine;
    int m_threads;
    Inflater m_inflater;
    WholeInflater m_whole;   // the caller's own
    std::unique_ptr<Piece> m_single;
    std::vector<Piece> m_ring;
    std::vector<std::unique_ptr<WholeInflater>> m_workerInflaters;   // each made by its thread
    std::unique_ptr<WorkerPool> m_pool;
    // The entry being read.
    const Entry *m_entry = nullptr;
    const Sink *m_sink = nullptr;
    const std::function<void(int64_t)> *m_chunkDone = nullptr;
    StreamSums m_sums;
};

} // namespace zeva::archive::internal
