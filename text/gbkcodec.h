#pragma once
// The one GBK (code page 936) codec of the project: UTF-8 <-> GBK for the names that
// containers carry on the wire, and the double-byte test behind "contains Chinese".
// Qt-free, thread-safe (each call opens its own conversion state).

#include <string>
#include <string_view>

namespace zeva::text {

// Encodes UTF-8 as GBK. A character GBK cannot encode, and every byte of an invalid
// UTF-8 sequence, becomes "?" as the Windows code-page conversion does; `lossless`
// (when given) is set to false in that case and true otherwise.
std::string utf8ToGbk(std::string_view utf8, bool *lossless = nullptr);

// Decodes GBK to UTF-8. An invalid or truncated byte sequence becomes U+FFFD and
// sets `ok` (when given) to false; valid input sets it to true.
std::string gbkToUtf8(std::string_view gbk, bool *ok = nullptr);

// True when the code point is one double-byte character in GBK, i.e. its GBK code read
// as a signed 16-bit number is negative. Characters outside GBK are not (they become "?").
bool isGbkDoubleByte(char32_t codePoint);

// True at the first double-byte character of the UTF-8 text; false for an empty text.
bool containsGbkDoubleByte(std::string_view utf8);

} // namespace zeva::text
