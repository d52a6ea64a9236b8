#include "gbkcodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <unordered_map>

namespace zeva::text {
namespace {

// glibc's CP936 is the Windows code page (0x80 is the euro sign), which is what
// containers written on Windows hold; plain "GBK" lacks those few single bytes.
constexpr const char *kCodePage = "CP936";

class Iconv {
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() { if (valid()) iconv_close(m_cd); }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `in` as possible, appending to `out`; returns errno of the
    // stop (0 when everything converted) and leaves `in` at the unconverted rest.
    int convert(std::string_view &in, std::string &out)
    {
        char buffer[4096];
        while (!in.empty()) {
            char *src = const_cast<char *>(in.data());
            size_t srcLeft = in.size();
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            const int err = r == static_cast<size_t>(-1) ? errno : 0;
            out.append(buffer, dst - buffer);
            in.remove_prefix(in.size() - srcLeft);
            if (err == E2BIG)
                continue;
            if (err != 0) {
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
                return err;
            }
        }
        return 0;
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

std::string encodeCodePoint(char32_t cp)
{
    std::string s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

} // namespace

std::string utf8ToGbk(std::string_view utf8, bool *lossless)
{
    Iconv cd(kCodePage, "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    bool clean = cd.valid();
    while (!utf8.empty()) {
        if (!cd.valid() || cd.convert(utf8, out) != 0) {
            // Replace the one offending character and go on after it.
            clean = false;
            out += '?';
            const size_t n = std::min(utf8SequenceLength(static_cast<unsigned char>(utf8.front())), utf8.size());
            utf8.remove_prefix(n);
        }
    }
    if (lossless)
        *lossless = clean;
    return out;
}

std::string gbkToUtf8(std::string_view gbk, bool *ok)
{
    Iconv cd("UTF-8", kCodePage);
    std::string out;
    out.reserve(gbk.size() * 3 / 2);
    bool clean = cd.valid();
    while (!gbk.empty()) {
        if (!cd.valid() || cd.convert(gbk, out) != 0) {
            clean = false;
            out += "\xEF\xBF\xBD";
            gbk.remove_prefix(1);
        }
    }
    if (ok)
        *ok = clean;
    return out;
}

bool isGbkDoubleByte(char32_t codePoint)
{
    if (codePoint < 0x80)
        return false;
    // The answer per code point never changes: cache it, the test runs per character.
    static std::mutex mutex;
    static std::unordered_map<char32_t, bool> cache;
    std::lock_guard lock(mutex);
    if (auto it = cache.find(codePoint); it != cache.end())
        return it->second;
    bool lossless = false;
    const std::string gbk = utf8ToGbk(encodeCodePoint(codePoint), &lossless);
    const bool doubleByte = lossless && gbk.size() == 2 && static_cast<unsigned char>(gbk[0]) >= 0x80;
    cache.emplace(codePoint, doubleByte);
    return doubleByte;
}

bool containsGbkDoubleByte(std::string_view utf8)
{
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t n = std::min(utf8SequenceLength(lead), utf8.size() - i);
        if (n > 1) {
            char32_t cp = lead & (0xFF >> (n + 1));
            for (size_t k = 1; k < n; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            if (isGbkDoubleByte(cp))
                return true;
        }
        i += n;
    }
    return false;
}

} // namespace zeva::text
