#pragma once
// One chunk at a time through zlib: a Deflater gives compress2's bytes and an Inflater gives
// uncompress's result, each from one z_stream reused across chunks (no per-chunk set-up).

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace zeva::archive::internal {

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
