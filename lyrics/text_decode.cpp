#include "lyrics/text_decode.h"

#include <cstdlib>
#include <cstring>

#include "common/ascii_block.h"
#include "common/text.h"

namespace mr {
namespace {

// Length of the well-formed UTF-8 sequence whose lead byte (0x80 or above)
// is in[i], with its code point in *cp; 0 when the bytes there are not one:
// a stray continuation byte, an overlong form, a surrogate, a code point
// above U+10FFFF or a sequence cut off by the end of the file.
uint32_t WellFormedLength(const uint8_t* in, uint32_t i, uint32_t n, char32_t* cp) {
    const uint8_t b0 = in[i];
    uint32_t extra;
    uint8_t lo = 0x80, hi = 0xBF;  // bounds of the second byte
    char32_t c;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        c = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        c = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return 0;  // a continuation byte, C0, C1 or F5 and above
    }
    if (n - i <= extra) return 0;
    for (uint32_t k = 1; k <= extra; ++k) {
        const uint8_t b = in[i + k];
        if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    *cp = c;
    return extra + 1;
}

// Converts the n bytes of a file without a byte order mark into `out`, which
// has room for n units, and returns the count of units written. The bytes are
// read as UTF-8 when they are well-formed UTF-8 and hold at least one
// multi-byte sequence (*utf8 is then set), otherwise in the active code page.
//
// One pass over the bytes: they are validated and converted together, ASCII
// blocks widening a block at a time as in the code-page conversion. Pure
// ASCII text gives the same units either way and stays ANSI. At the first
// byte that is not UTF-8 the rest is converted from the code page: when only
// ASCII came before, the units written so far are already the code page's and
// the conversion starts at that byte (which begins a character, also in a
// double-byte code page); otherwise the whole file is converted again, which
// only text that merely begins like UTF-8 costs.
uint32_t DecodeUnmarked(const uint8_t* in, uint32_t n, char16_t* out, bool* utf8) {
    *utf8 = false;
    const char* chars = reinterpret_cast<const char*>(in);
    bool multiByte = false;
    uint32_t i = 0, w = 0;
    while (i < n) {
        if (n - i >= ascii::kBlock && ascii::IsAsciiBlock(in + i)) {
            ascii::WidenBlock(in + i, out + w);
            i += ascii::kBlock;
            w += ascii::kBlock;
            continue;
        }
        if (in[i] < 0x80) {
            out[w++] = in[i++];
            continue;
        }
        char32_t cp = 0;
        const uint32_t length = WellFormedLength(in, i, n, &cp);
        if (length == 0) {
            if (!multiByte) return i + static_cast<uint32_t>(AnsiToUtf16(chars + i, n - i, out + i, n - i));
            return static_cast<uint32_t>(AnsiToUtf16(chars, n, out, n));
        }
        multiByte = true;
        i += length;
        if (cp >= 0x10000) {
            out[w++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out[w++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out[w++] = static_cast<char16_t>(cp);
        }
    }
    *utf8 = multiByte;
    return w;
}

}  // namespace

DecodedLyricsText::~DecodedLyricsText() {
    std::free(owned_);
}

bool DecodeLyricsText(uint8_t* bytes, uint32_t size, DecodedLyricsText* out, int* encoding) {
    std::free(out->owned_);
    out->owned_ = nullptr;
    out->units_ = nullptr;
    out->count_ = 0;
    if (size > 1 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (encoding) *encoding = kEncodingUtf16LE;
        // The file buffer is allocated with malloc, so it is aligned for units.
        out->units_ = reinterpret_cast<char16_t*>(bytes);
        out->count_ = size / 2;
        return true;
    }
    if (size > 1 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        if (encoding) *encoding = kEncodingUtf16BE;
        const uint32_t count = size / 2;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t high = bytes[2 * i];
            bytes[2 * i] = bytes[2 * i + 1];
            bytes[2 * i + 1] = high;
        }
        out->units_ = reinterpret_cast<char16_t*>(bytes);
        out->count_ = count;
        return true;
    }
    const bool marked = size > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    if (encoding) *encoding = marked ? kEncodingUtf8 : kEncodingAnsi;
    if (size == 0) return true;
    // UTF-8 never gives more units than bytes; a file without a mark needs
    // one more unit for the mark put in front, and its count must still fit
    // 32 bits.
    const uint64_t capacity = marked ? size : uint64_t{size} + 1;
    if (capacity > UINT32_MAX) return false;
    auto* units = static_cast<char16_t*>(std::malloc(static_cast<size_t>(capacity) * sizeof(char16_t)));
    if (!units) return false;
    size_t count;
    if (marked) {
        // The mark is converted too, so the result starts with U+FEFF.
        count = Utf8ToUtf16(reinterpret_cast<const char*>(bytes), size, units, static_cast<size_t>(capacity));
    } else {
        // Most files people have are UTF-8 without a mark; a file in a legacy
        // code page practically never forms valid UTF-8 once it has a byte of
        // 0x80 or above, so the bytes themselves tell the two apart.
        units[0] = 0xFEFF;
        bool utf8 = false;
        count = 1 + DecodeUnmarked(bytes, size, units + 1, &utf8);
        if (utf8 && encoding) *encoding = kEncodingUtf8;
    }
    out->owned_ = units;
    out->units_ = units;
    out->count_ = static_cast<uint32_t>(count);
    return true;
}

}  // namespace mr
