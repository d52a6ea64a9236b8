// A chunk small enough to hold whole (kWholeChunkLimit in and out) is read into a slot of a
// ring and inflated there by libdeflate, on a worker when the entry has several chunks. Any
// other chunk, and one that libdeflate does not inflate to exactly its declared length,
// goes through zlib's Inflater on the caller's thread, in turn, so that uncompress's repeats
// and results hold unchanged. Reading ahead must not change which failure a call ends in:
// a fault met while reading waits until every chunk before it has been handed on (one of
// them may fail first), and a streamed chunk waits for the chunks in flight.

#include "inflatepipeline_p.h"

#include "container_p.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace zeva::archive::internal {

struct InflatePipeline::Piece {
    std::vector<unsigned char> in;
    std::vector<unsigned char> out;
    int32_t declared = 0;
    int32_t length = 0;
    int64_t remaining = 0;   // the entry's bytes left at this chunk: the repeat rule's measure
    int64_t position = 0;    // the container's position after the chunk
    bool whole = false;      // libdeflate gave exactly `declared` bytes
};

InflatePipeline::InflatePipeline(ContainerReader &reader, Engine engine, int threads, int32_t readBuf)
    : m_reader(reader), m_engine(engine), m_threads(std::max(1, threads)), m_inflater(readBuf),
      m_single(std::make_unique<Piece>())
{
}

InflatePipeline::~InflatePipeline() = default;

bool InflatePipeline::startWorkers()
{
    if (m_threads <= 1 && std::thread::hardware_concurrency() < 2)
        return false;
    if (!m_pool) {
        const size_t slots = size_t(std::max(4, m_threads * 3));
        m_ring.resize(slots);
        m_workerInflaters.resize(size_t(m_threads));
        m_pool = std::make_unique<WorkerPool>(m_threads, slots, [this](size_t slot, int worker) {
            auto &inflater = m_workerInflaters[size_t(worker)];
            if (!inflater)
                inflater = std::make_unique<WholeInflater>();
            Piece &p = m_ring[slot];
            p.whole = inflater->inflate(p.in.data(), size_t(p.length), p.out.data(), size_t(p.declared));
        });
    }
    return m_pool->workers() > 0;
}

StreamSums InflatePipeline::inflate(const Entry &entry, const Sink &sink,
                                    const std::function<void(int64_t)> &chunkDone)
{
    m_entry = &entry;
    m_sink = &sink;
    m_chunkDone = &chunkDone;
    m_sums = {};
    bool parallel = false;
    int64_t submitted = 0, taken = 0;   // chunks handed to the workers, and back
    const auto slotOf = [this](int64_t n) { return size_t(n % int64_t(m_ring.size())); };
    const auto takeNext = [&] {
        Piece &p = m_ring[slotOf(taken)];
        m_pool->take(slotOf(taken++));   // the slot is free again even when this throws
        finish(p);
    };
    const auto finishAll = [&] {
        while (taken < submitted)
            takeNext();
    };
    // A read that fails hands on the chunks before it first.
    const auto inOrder = [&](auto &&read) {
        try {
            read();
        } catch (...) {
            finishAll();
            throw;
        }
    };
    // However this is left, no worker may still hold a slot when the next entry reuses it.
    struct Settle {
        InflatePipeline &self;
        int64_t &taken;
        const int64_t &submitted;
        ~Settle()
        {
            while (taken < submitted) {
                try {
                    self.m_pool->take(size_t(taken++ % int64_t(self.m_ring.size())));
                } catch (...) {   // the call already fails with what came first
                }
            }
        }
    } settle{*this, taken, submitted};

    for (int64_t remaining = entry.compressedSize; remaining > 0;) {
        int32_t declared = 0, length = 0;
        inOrder([&] { readHeader(remaining, declared, length); });
        if (remaining == entry.compressedSize)   // the first chunk: workers pay off when more follow
            parallel = m_engine == Engine::Libdeflate && declared < entry.fileSize && startWorkers();
        const bool whole = m_engine == Engine::Libdeflate && length <= kWholeChunkLimit
            && declared <= kWholeChunkLimit;
        if (!whole) {
            finishAll();
            streamed(remaining, declared, length);
        } else {
            if (parallel && submitted - taken == int64_t(m_ring.size()))
                takeNext();
            Piece &p = parallel ? m_ring[slotOf(submitted)] : *m_single;
            p.declared = declared;
            p.length = length;
            p.remaining = remaining;
            inOrder([&] { readPayload(p); });
            if (parallel) {
                m_pool->submit(slotOf(submitted++));
            } else {
                p.whole = m_whole.inflate(p.in.data(), size_t(length), p.out.data(), size_t(declared));
                finish(p);
            }
        }
        remaining -= 8 + int64_t(length);
    }
    finishAll();
    return m_sums;
}

void InflatePipeline::readHeader(int64_t remaining, int32_t &declared, int32_t &length)
{
    if (remaining < 8)
        throw Failure{m_entry->where() + " ends inside a chunk header at byte " + std::to_string(m_reader.position())};
    declared = m_reader.readInt("a chunk length");
    length = m_reader.readInt("a chunk length");
    if (length < 0 || length > remaining - 8 || declared < 0 || declared > maxInflated(length))
        throw Failure{m_entry->where() + " has a corrupt chunk at byte " + std::to_string(m_reader.position() - 8)
                      + " (" + std::to_string(declared) + " bytes from " + std::to_string(length) + ", "
                      + std::to_string(remaining - 8) + " left in the entry)"};
}

void InflatePipeline::readPayload(Piece &p)
{
    p.in.resize(size_t(p.length));
    p.out.resize(size_t(std::max(p.declared, 1)));
    m_reader.read(p.in.data(), p.length, "a chunk");
    p.position = m_reader.position();
    if (m_entry->doubleCrc)
        m_sums.compressedCrc = updateCrc(m_sums.compressedCrc, p.in.data(), p.in.size());
}

void InflatePipeline::emit(const unsigned char *data, size_t length)
{
    if (length == 0)
        return;
    if (m_entry->crc)
        m_sums.uncompressedCrc = updateCrc(m_sums.uncompressedCrc, data, length);
    (*m_sink)(data, length);
}

void InflatePipeline::finish(Piece &p)
{
    if (p.whole) {
        emit(p.out.data(), size_t(p.declared));
        m_sums.produced += p.declared;
    } else {
        // Shorter, longer or corrupt: zlib says which, and gives the repeats their chance.
        size_t at = 0;
        int64_t produced = 0;
        const int r = m_inflater.uncompress(
            [&](unsigned char *data, size_t n) {
                std::memcpy(data, p.in.data() + at, n);
                at += n;
            },
            p.length, p.declared, p.remaining, [this](const unsigned char *data, size_t n) { emit(data, n); },
            produced);
        if (r != Z_OK)
            throw ZlibFailure{r};
        m_sums.produced += produced;
    }
    (*m_chunkDone)(p.position);
}

void InflatePipeline::streamed(int64_t remaining, int32_t declared, int32_t length)
{
    int64_t produced = 0;
    const int r = m_inflater.uncompress(
        [&](unsigned char *data, size_t n) {
            m_reader.read(data, int64_t(n), "a chunk");
            if (m_entry->doubleCrc)
                m_sums.compressedCrc = updateCrc(m_sums.compressedCrc, data, n);
        },
        length, declared, remaining, [this](const unsigned char *data, size_t n) { emit(data, n); }, produced);
    if (r != Z_OK)
        throw ZlibFailure{r};
    m_sums.produced += produced;
    (*m_chunkDone)(m_reader.position());
}

} // namespace zeva::archive::internal
