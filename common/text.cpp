#include "common/text.h"

#include <cstdint>

#include "common/ascii_block.h"

namespace mr {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
using ascii::IsAsciiBlock;
using ascii::kBlock;
using ascii::WidenBlock;

// Decodes one UTF-8 sequence at in[i]; returns the code point (or U+FFFD) and
// advances i past the maximal valid prefix, at least one byte.
char32_t DecodeOne(const unsigned char* in, size_t n, size_t& i) {
    const unsigned char b0 = in[i];
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        ++i;
        return kReplacement;
    }
    size_t j = i + 1;
    for (int k = 0; k < extra; ++k, ++j) {
        const unsigned char lower = k == 0 ? lo : 0x80;
        const unsigned char upper = k == 0 ? hi : 0xBF;
        if (j >= n || in[j] < lower || in[j] > upper) {
            i = j;  // the bytes consumed so far form one ill-formed subpart
            return kReplacement;
        }
        cp = (cp << 6) | (in[j] & 0x3F);
    }
    i = j;
    return cp;
}

}  // namespace

size_t Utf8ToUtf16(const char* in, size_t n, char16_t* out, size_t capacity) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    size_t count = 0;
    size_t i = 0;
    while (i < n) {
        // ASCII runs are the common case in lyrics files: a block at a time
        // while the output has room, then unit by unit.
        if (i + kBlock <= n && (!out || count + kBlock <= capacity) && IsAsciiBlock(bytes + i)) {
            if (out) WidenBlock(bytes + i, out + count);
            count += kBlock;
            i += kBlock;
            continue;
        }
        if (bytes[i] < 0x80) {
            if (out) {
                if (count >= capacity) return 0;
                out[count] = bytes[i];
            }
            ++count;
            ++i;
            continue;
        }
        const char32_t cp = DecodeOne(bytes, n, i);
        const size_t units = cp >= 0x10000 ? 2 : 1;
        if (out) {
            if (count + units > capacity) return 0;
            if (units == 2) {
                out[count] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                out[count + 1] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                out[count] = static_cast<char16_t>(cp);
            }
        }
        count += units;
    }
    return count;
}

size_t Utf16ToUtf8(const char16_t* in, size_t n, char* out, size_t capacity) {
    size_t count = 0;
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        unsigned char buf[4];
        size_t len;
        if (cp < 0x80) {
            buf[0] = static_cast<unsigned char>(cp);
            len = 1;
        } else if (cp < 0x800) {
            buf[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            buf[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 2;
        } else if (cp < 0x10000) {
            buf[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            buf[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            buf[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 3;
        } else {
            buf[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            buf[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            buf[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            buf[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 4;
        }
        if (out) {
            if (count + len > capacity) return 0;
            for (size_t k = 0; k < len; ++k) out[count + k] = static_cast<char>(buf[k]);
        }
        count += len;
    }
    return count;
}

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string r(Utf8ToUtf16(s.data(), s.size(), nullptr, 0), u'\0');
    if (!r.empty()) Utf8ToUtf16(s.data(), s.size(), r.data(), r.size());
    return r;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string r(Utf16ToUtf8(s.data(), s.size(), nullptr, 0), '\0');
    if (!r.empty()) Utf16ToUtf8(s.data(), s.size(), r.data(), r.size());
    return r;
}

std::u16string AnsiToUtf16(std::string_view s) {
    std::u16string r(AnsiToUtf16(s.data(), s.size(), nullptr, 0), u'\0');
    if (!r.empty()) AnsiToUtf16(s.data(), s.size(), r.data(), r.size());
    return r;
}

std::string Utf16ToAnsi(std::u16string_view s, bool* usedDefault) {
    std::string r(Utf16ToAnsi(s.data(), s.size(), nullptr, 0), '\0');
    if (!r.empty()) Utf16ToAnsi(s.data(), s.size(), r.data(), r.size(), usedDefault);
    else if (usedDefault) *usedDefault = false;
    return r;
}

}  // namespace mr
