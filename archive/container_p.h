#pragma once
// The container as Windows writers of it produce it (all integers 32-bit little-endian):
//
//   header   21, "Quorvanta zLibControl", LastIndex (entries - 1)
//   entry    N, name (N characters of GBK: a double-byte character counts once),
//            FileSize, CRC-32 of the data, CRC-32 of the compressed payloads,
//            C (bytes of the chunk stream that follows)
//   chunk    uncompressed length (ReadBuf, the last one less), L, L bytes of compress2
//
// Chunks are independent zlib streams, so a writer may compress them in any order and a
// reader may check each one's lengths before it trusts them. Nothing follows the last entry.
// This header holds the format's constants, shared by the writer and the reader, and the two
// ways a call fails inside the engine.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

namespace zeva::archive::internal {

inline constexpr char kSignature[] = "Quorvanta zLibControl";
inline constexpr int32_t kSignatureLength = 21;
inline constexpr int32_t kDefaultReadBuf = 65536;
// FileSize, C and the chunk lengths are signed 32-bit fields.
inline constexpr int64_t kFieldLimit = INT32_MAX;
// The smallest entry: name length, FileSize, two CRCs and C.
inline constexpr int64_t kMinEntryBytes = 20;

// A deflate stream cannot expand more than about 1032:1, so a chunk of L bytes that claims
// more than this is corrupt, whatever it says.
inline int64_t maxInflated(int64_t length)
{
    return 1032 * length + 64;
}

// A failure that ends the call with the unexpected-failure message and this description.
struct Failure {
    std::string description;
};

// A chunk zlib refused; its code is the call's result.
struct ZlibFailure {
    int code;
};

// Sizes and positions as progress values.
inline int clampInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

} // namespace zeva::archive::internal
