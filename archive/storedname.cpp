// Names: "/" is "\" in the container and drives are dropped, so that containers written
// here read on Windows. A character GBK cannot hold is stored as "_", never as "?", and
// Filename shows that form right after AddFile, so nothing is renamed unseen. Bytes read
// back that are no GBK become "_" too, in one pass over the name however long it is.

#include "storedname_p.h"

#include "gbkcodec.h"

#include <algorithm>

namespace zeva::archive::internal {

size_t utf8Length(std::string_view s, size_t at)
{
    const auto c = static_cast<unsigned char>(s[at]);
    const size_t n = (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 1;
    if (at + n > s.size())
        return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[at + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

bool hasDrive(const std::string &name)
{
    return name.size() >= 2 && name[1] == ':' && name[0] != '\\' && name[0] != '/';
}

int32_t gbkCharacterCount(const std::string &gbk)
{
    int32_t count = 0;
    for (size_t i = 0; i < gbk.size(); ++count) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        i += (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) ? 2 : 1;
    }
    return count;
}

std::string storedName(const std::string &name)
{
    std::string s = name;
    std::replace(s.begin(), s.end(), '/', '\\');
    if (hasDrive(s))
        s.erase(0, 2);
    if (s.empty() || s[0] != '\\')
        s.insert(s.begin(), '\\');
    bool lossless = true;
    text::utf8ToGbk(s, &lossless);
    if (lossless)
        return s;
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const size_t n = utf8Length(s, i);
        const std::string one = s.substr(i, n);
        text::utf8ToGbk(one, &lossless);
        out += lossless ? one : "_";
        i += n;
    }
    return out;
}

std::string decodeName(const std::string &gbk)
{
    bool ok = true;
    std::string name = text::gbkToUtf8(gbk, &ok);
    if (ok)
        return name;
    static const std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(name.size());
    for (size_t at = 0; at < name.size();) {
        if (std::string_view(name).substr(at, replacement.size()) == replacement) {
            out += '_';
            at += replacement.size();
        } else {
            out += name[at++];
        }
    }
    return out;
}

} // namespace zeva::archive::internal
