#pragma once
// Names as the container stores them: GBK on the wire, "\" separated, no drive, a "\" in
// front; and the small UTF-8 and drive tests the placement and matching rules share.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zeva::archive::internal {

// The stored form of a UTF-8 name; a character GBK cannot hold becomes "_".
std::string storedName(const std::string &name);
// A stored name read back from GBK bytes as UTF-8; bytes that are no GBK become "_".
std::string decodeName(const std::string &gbk);
// Characters in GBK bytes, as the name length counts them: a lead byte and its trail once.
int32_t gbkCharacterCount(const std::string &gbk);

// Bytes of the UTF-8 character at `at`; 1 for a byte that starts no valid sequence.
size_t utf8Length(std::string_view s, size_t at);
// "X:" in front ("\" or "/" as the first character is no drive letter).
bool hasDrive(const std::string &name);

} // namespace zeva::archive::internal
