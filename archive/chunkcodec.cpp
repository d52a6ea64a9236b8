// The chunk codec. libdeflate compresses and inflates whole buffers about twice as fast as
// zlib, and its zlib streams are ordinary ones that uncompress reads; so it is the default
// for chunks small enough to hold whole. It differs from uncompress only in what it does not
// accept: a chunk that inflates to more or less than it declares, or not at all, is handed
// to zlib's Inflater, so such chunks end exactly as uncompress's rule has them.
//
// With the zlib engine, the bytes must be compress2's, so that containers stay
// byte-identical to the Windows writer's: deflate gets the capacity compress2 would give
// it, because stored blocks are cut to the room left and another capacity could change
// the output. Reading keeps uncompress's repeat rule for Z_BUF_ERROR (up to 11 repeats
// with a larger buffer) but never allocates that buffer: input and output pass through
// fixed pieces, only the running total of the output decides between the repeats, and
// each repeat's capacity is capped by what L bytes of deflate can produce. So memory
// follows neither the lengths a chunk claims nor what a high-ratio chunk really yields.

#include "chunkcodec_p.h"

#include "container_p.h"

#include <libdeflate.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace zeva::archive::internal {
namespace {

constexpr int kMaxRepeats = 11;

} // namespace

uint32_t updateCrc(uint32_t crc, const void *data, size_t length)
{
    return libdeflate_crc32(crc, data, length);
}

int effectiveLevel(int level)
{
    return level >= 0 && level <= 9 ? level : 6;
}

ChunkCompressor::ChunkCompressor(Engine engine, int level) : m_engine(engine), m_level(level)
{
}

ChunkCompressor::~ChunkCompressor()
{
    libdeflate_free_compressor(m_libdeflate);
}

int ChunkCompressor::compress(const unsigned char *in, size_t length, std::vector<unsigned char> &out,
                              size_t &outLength)
{
    if (m_engine == Engine::Libdeflate && int64_t(length) <= kWholeChunkLimit) {
        if (!m_libdeflate && !(m_libdeflate = libdeflate_alloc_compressor(m_level)))
            return Z_MEM_ERROR;
        // The bound always suffices, so compress2's repeats have nothing to do here.
        out.resize(libdeflate_zlib_compress_bound(m_libdeflate, length));
        outLength = libdeflate_zlib_compress(m_libdeflate, in, length, out.data(), out.size());
        if (outLength != 0)
            return Z_OK;
    }
    if (!m_zlib)
        m_zlib.emplace(m_level);
    return m_zlib->compress(in, length, out, outLength);
}

WholeInflater::WholeInflater() = default;

WholeInflater::~WholeInflater()
{
    libdeflate_free_decompressor(m_libdeflate);
}

bool WholeInflater::inflate(const unsigned char *in, size_t length, unsigned char *out, size_t declared)
{
    if (!m_libdeflate && !(m_libdeflate = libdeflate_alloc_decompressor()))
        return false;
    return libdeflate_zlib_decompress(m_libdeflate, in, length, out, declared, nullptr) == LIBDEFLATE_SUCCESS;
}

Deflater::Deflater(int level)
{
    m_ready = deflateInit(&m_stream, level) == Z_OK;
}

Deflater::~Deflater()
{
    if (m_ready)
        deflateEnd(&m_stream);
}

int Deflater::compress(const unsigned char *in, size_t length, std::vector<unsigned char> &out, size_t &outLength)
{
    if (!m_ready)
        return Z_MEM_ERROR;
    // compress2's capacity: length + length / 1000 + 12, halves to even.
    double capacity = std::nearbyint(double(length) + double(length) / 1000.0 + 12.0);
    for (int repeat = 0;; ++repeat) {
        capacity = std::min(capacity, double(UINT_MAX / 2));
        out.resize(size_t(capacity));
        deflateReset(&m_stream);
        m_stream.next_in = const_cast<unsigned char *>(in);
        m_stream.avail_in = uInt(length);
        m_stream.next_out = out.data();
        m_stream.avail_out = uInt(out.size());
        int r = deflate(&m_stream, Z_FINISH);
        if (r == Z_STREAM_END) {
            outLength = m_stream.total_out;
            return Z_OK;
        }
        if (r == Z_OK)
            r = Z_BUF_ERROR;   // what compress2 answers when the room ran out
        if (r != Z_BUF_ERROR || repeat == kMaxRepeats)
            return r;
        capacity *= 2;
    }
}

Inflater::Inflater(int32_t readBuf)
    : m_input(size_t(std::clamp<int32_t>(readBuf, 4096, 1 << 20))), m_piece(m_input.size())
{
    m_ready = inflateInit(&m_stream) == Z_OK;
}

Inflater::~Inflater()
{
    if (m_ready)
        inflateEnd(&m_stream);
}

int Inflater::uncompress(const Source &source, int64_t length, int64_t declared, int64_t remaining, const Sink &sink,
                         int64_t &produced)
{
    if (!m_ready)
        return Z_MEM_ERROR;
    const int64_t bound = maxInflated(length);
    int64_t capacity = declared;
    int64_t unread = length;
    int repeat = 0;
    inflateReset(&m_stream);
    m_stream.avail_in = 0;
    produced = 0;
    auto feed = [&] {
        const size_t n = size_t(std::min<int64_t>(unread, int64_t(m_input.size())));
        source(m_input.data(), n);
        unread -= int64_t(n);
        m_stream.next_in = m_input.data();
        m_stream.avail_in = uInt(n);
    };
    for (;;) {
        if (m_stream.avail_in == 0 && unread > 0)
            feed();
        m_stream.next_out = m_piece.data();
        m_stream.avail_out = uInt(m_piece.size());
        const int r = inflate(&m_stream, Z_NO_FLUSH);
        if (r == Z_NEED_DICT)
            return Z_DATA_ERROR;
        if (r != Z_OK && r != Z_BUF_ERROR && r != Z_STREAM_END)
            return r;
        const size_t have = m_piece.size() - m_stream.avail_out;
        produced += int64_t(have);
        // Each repeat would start over with room for 2·k·R − 1 bytes; one whose room the
        // output has already passed fails as it would, and the next is tried, up to 11.
        while (produced > capacity) {
            if (repeat == kMaxRepeats)
                return Z_BUF_ERROR;
            ++repeat;
            capacity = std::min(2 * repeat * remaining - 1, bound);
        }
        if (have)
            sink(m_piece.data(), have);
        if (r == Z_STREAM_END) {
            while (unread > 0)
                feed();   // bytes after the stream still belong to the chunk
            return Z_OK;
        }
        if (m_stream.avail_out != 0 && m_stream.avail_in == 0 && unread == 0)
            return Z_DATA_ERROR;   // the input ended inside the stream
    }
}

} // namespace zeva::archive::internal
