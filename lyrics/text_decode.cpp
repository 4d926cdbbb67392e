#include "lyrics/text_decode.h"

#include <cstdlib>
#include <cstring>

#include "common/text.h"

namespace mr {

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
    const bool utf8 = size > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    if (encoding) *encoding = utf8 ? kEncodingUtf8 : kEncodingAnsi;
    if (size == 0) return true;
    // UTF-8 never gives more units than bytes; the ANSI copy needs one more
    // unit for the mark put in front, and its count must still fit 32 bits.
    const uint64_t capacity = utf8 ? size : uint64_t{size} + 1;
    if (capacity > UINT32_MAX) return false;
    auto* units = static_cast<char16_t*>(std::malloc(static_cast<size_t>(capacity) * sizeof(char16_t)));
    if (!units) return false;
    const char* in = reinterpret_cast<const char*>(bytes);
    size_t count;
    if (utf8) {
        count = Utf8ToUtf16(in, size, units, static_cast<size_t>(capacity));  // the mark included
    } else {
        units[0] = 0xFEFF;
        count = 1 + AnsiToUtf16(in, size, units + 1, size);
    }
    out->owned_ = units;
    out->units_ = units;
    out->count_ = static_cast<uint32_t>(count);
    return true;
}

}  // namespace mr
