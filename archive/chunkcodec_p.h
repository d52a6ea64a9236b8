#pragma once
// One chunk at a time. A ChunkCompressor compresses with the archive's engine; a
// WholeInflater inflates a chunk with libdeflate when it succeeds outright, and the Inflater
// gives uncompress's result (repeats included) for every other chunk. Each holds its
// compressor or stream across chunks (no per-chunk set-up); one per thread.

#include "zlibarchive.h"

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct libdeflate_compressor;
struct libdeflate_decompressor;

namespace zeva::archive::internal {

// Chunks larger than this, in or out, go through zlib's streamed path, so that memory stays
// bounded whatever ReadBuf or a chunk's lengths say.
inline constexpr int64_t kWholeChunkLimit = 1 << 20;

uint32_t updateCrc(uint32_t crc, const void *data, size_t length);

// The level a container is written at: zlib's -1 .. 9, -1 and anything else being 6.
int effectiveLevel(int level);

class Deflater {
public:
    explicit Deflater(int level);
    ~Deflater();
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    // Compresses `length` bytes into `out` (resized as needed; outLength bytes used).
    // Z_OK, or the code compress2 would answer (Z_MEM_ERROR when the stream could not be set up).
    int compress(const unsigned char *in, size_t length, std::vector<unsigned char> &out, size_t &outLength);

private:
    z_stream m_stream{};
    bool m_ready = false;
};

class ChunkCompressor {
public:
    // `level` as effectiveLevel gives it.
    ChunkCompressor(Engine engine, int level);
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor &) = delete;
    ChunkCompressor &operator=(const ChunkCompressor &) = delete;

    // As Deflater::compress. With Libdeflate a chunk of at most kWholeChunkLimit bytes gets
    // libdeflate's bytes (Z_MEM_ERROR when its compressor cannot be made); any other chunk
    // gets compress2's.
    int compress(const unsigned char *in, size_t length, std::vector<unsigned char> &out, size_t &outLength);

private:
    Engine m_engine;
    int m_level;
    libdeflate_compressor *m_libdeflate = nullptr;   // made on first use
    std::optional<Deflater> m_zlib;                  // likewise
};

class WholeInflater {
public:
    WholeInflater();
    ~WholeInflater();
    WholeInflater(const WholeInflater &) = delete;
    WholeInflater &operator=(const WholeInflater &) = delete;

    // True when the `length` bytes at `in` hold a zlib stream of exactly `declared` bytes,
    // now in `out`. False for anything else (shorter, longer, corrupt, no memory): `out` is
    // then undefined, and the Inflater decides what the chunk is.
    bool inflate(const unsigned char *in, size_t length, unsigned char *out, size_t declared);

private:
    libdeflate_decompressor *m_libdeflate = nullptr;
};

class Inflater {
public:
    using Source = std::function<void(unsigned char *data, size_t length)>;   // reads exactly length
    using Sink = std::function<void(const unsigned char *data, size_t length)>;

    // Input and output pass through pieces of `readBuf` bytes, kept between 4 KiB and 1 MiB.
    explicit Inflater(int32_t readBuf);
    ~Inflater();
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Inflates one chunk of `length` bytes that declares `declared` bytes of output, with
    // `remaining` bytes left in its entry (the repeat rule's measure). Reads all `length`
    // bytes from `source`, also those after the end of the stream, unless it fails; hands
    // the output to `sink` in pieces and its total in `produced`. Z_OK, Z_BUF_ERROR when the
    // output outgrows the last repeat, or zlib's code (Z_DATA_ERROR for a cut stream).
    int uncompress(const Source &source, int64_t length, int64_t declared, int64_t remaining, const Sink &sink,
                   int64_t &produced);

private:
    z_stream m_stream{};
    std::vector<unsigned char> m_input;
    std::vector<unsigned char> m_piece;
    bool m_ready = false;
};

} // namespace zeva::archive::internal
