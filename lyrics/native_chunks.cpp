#include "lyrics/native_chunks.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/text.h"

namespace mr::native {
namespace {

constexpr uint32_t kFlagsBytes = 4;
constexpr uint32_t kHighBit = 0x80000000u;

// A reusable UTF-16 buffer for converting one string at a time.
class UnitScratch {
public:
    UnitScratch() = default;
    ~UnitScratch() { std::free(units_); }
    UnitScratch(const UnitScratch&) = delete;
    UnitScratch& operator=(const UnitScratch&) = delete;

    // Makes room for n units, keeping the first ones; false when it cannot.
    bool Reserve(uint64_t n) {
        if (n <= capacity_) return true;
        uint64_t grown = capacity_ ? uint64_t{capacity_} * 2 : 256;
        if (grown < n) grown = n;
        if (grown > UINT32_MAX || grown > SIZE_MAX / sizeof(char16_t)) return false;
        auto* p = static_cast<char16_t*>(std::realloc(units_, static_cast<size_t>(grown) * sizeof(char16_t)));
        if (!p) return false;
        units_ = p;
        capacity_ = static_cast<uint32_t>(grown);
        return true;
    }
    char16_t* Data() const { return units_; }

private:
    char16_t* units_ = nullptr;
    uint32_t capacity_ = 0;
};

// End of the string starting at i: the first NUL, CR or LF in p[i, n), or n.
// In UTF-8 these bytes stand only for themselves, so scanning the bytes finds
// the same stops as scanning the converted units.
uint32_t FindStop(const uint8_t* p, uint32_t i, uint32_t n) {
    for (; i < n; ++i) {
        const uint8_t b = p[i];
        if (b <= '\r' && (b == 0 || b == '\r' || b == '\n')) return i;
    }
    return n;
}

constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kBelow14 = 0x0E0E0E0E0E0E0E0Eull;

// Decodes the UTF-8 string at p[i, n) up to its stop (the first NUL, CR or
// LF, or n) into the scratch, in one pass: eight ASCII bytes at a time, two-
// and three-byte sequences in place, and anything else (four-byte sequences,
// malformed bytes) by the general converter, which gives the same units for
// what it is handed. *stop receives the stop's position, *count the units.
bool DecodeString(const uint8_t* p, uint32_t i, uint32_t n, UnitScratch& scratch, uint32_t* stop, uint32_t* count) {
    uint32_t k = 0;
    while (i < n) {
        if (!scratch.Reserve(uint64_t{k} + 8)) return false;
        char16_t* out = scratch.Data();
        if (n - i >= 8) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            // No byte of 0x80 or more and none below 0x0E (so no stop).
            if (((w & kHighBits) | ((w - kBelow14) & ~w & kHighBits)) == 0) {
                for (int b = 0; b < 8; ++b) out[k + b] = p[i + b];
                k += 8;
                i += 8;
                continue;
            }
        }
        const uint8_t b0 = p[i];
        if (b0 < 0x80) {
            if (b0 == 0 || b0 == '\r' || b0 == '\n') break;
            out[k++] = b0;
            ++i;
            continue;
        }
        if (b0 >= 0xC2 && b0 <= 0xDF && n - i >= 2 && (p[i + 1] & 0xC0) == 0x80) {
            out[k++] = static_cast<char16_t>(((b0 & 0x1F) << 6) | (p[i + 1] & 0x3F));
            i += 2;
            continue;
        }
        if (b0 >= 0xE0 && b0 <= 0xEF && n - i >= 3) {
            // E0 needs a second byte from A0 (no overlong form), ED one up to
            // 9F (no surrogate).
            const uint8_t b1 = p[i + 1], b2 = p[i + 2];
            const uint8_t lo = b0 == 0xE0 ? 0xA0 : 0x80, hi = b0 == 0xED ? 0x9F : 0xBF;
            if (b1 >= lo && b1 <= hi && (b2 & 0xC0) == 0x80) {
                out[k++] = static_cast<char16_t>(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
                i += 3;
                continue;
            }
        }
        const uint32_t end = FindStop(p, i, n);
        if (!scratch.Reserve(uint64_t{k} + (end - i))) return false;
        k += static_cast<uint32_t>(
            Utf8ToUtf16(reinterpret_cast<const char*>(p + i), end - i, scratch.Data() + k, end - i));
        i = end;
        break;
    }
    *stop = i;
    *count = k;
    return true;
}

// Calls add(index, units) for each NUL-terminated UTF-8 string of p[0, n)
// until a CR, LF, the end, or `limit` strings. A final string without NUL is
// not passed.
template <typename Add>
bool ForEachString(const uint8_t* p, uint32_t n, uint32_t limit, Add add) {
    UnitScratch scratch;
    uint32_t i = 0;
    for (uint32_t index = 0; index < limit && i < n; ++index) {
        uint32_t stop, count;
        if (!DecodeString(p, i, n, scratch, &stop, &count)) return false;
        if (stop == n || p[stop] != 0) break;
        if (!add(index, std::u16string_view(scratch.Data(), count))) return false;
        i = stop + 1;
    }
    return true;
}

}  // namespace

bool ReadInfoChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n) {
    if (n <= kFlagsBytes) return true;
    // Title, Artist and Album; anything after the third NUL is ignored.
    return ForEachString(data + kFlagsBytes, n - kFlagsBytes, 3, [&](uint32_t i, std::u16string_view s) {
        return doc.SetInfoText(kInfoTitle + static_cast<int>(i), s);
    });
}

bool ReadTextChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n) {
    if (n <= kFlagsBytes) return true;
    // The file's text table is reproduced index for index: the sync chunk
    // refers to texts by their position in it.
    return ForEachString(data + kFlagsBytes, n - kFlagsBytes, UINT32_MAX,
                         [&](uint32_t, std::u16string_view s) { return doc.AppendText(s); });
}

bool ReadSyncChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n) {
    if (n == 0 || n % 4 != 0) return true;
    doc.SetSimple((data[3] & 1) != 0);
    const uint32_t texts = doc.GetTextCount();
    uint32_t length = 0;      // of the current line's text
    uint32_t lastOffset = 0;  // of the current line's last sync point
    for (uint32_t at = kFlagsBytes; at < n; at += 4) {
        const uint32_t v = ReadU32BE(data + at);
        if (v & kHighBit) {
            const uint32_t textIndex = v & ~kHighBit;
            if (textIndex >= texts) break;
            const uint32_t sync = doc.GetSyncCount();
            if (!doc.AddSyncPoint(LineStartMarker(doc.GetLineCount())) || !doc.AddLine(textIndex, sync))
                return false;
            length = doc.GetTextLength(textIndex);
            lastOffset = 0;
        } else {
            // The first entry must start a line; an offset must move forward
            // inside the text.
            if (at == kFlagsBytes || v <= lastOffset || v >= length) break;
            if (!doc.AddSyncPoint(v)) return false;
            lastOffset = v;
        }
    }
    return true;
}

bool ReadTimeChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n) {
    if (n <= kFlagsBytes || n % 4 != 0) return true;
    uint32_t start = ReadU32BE(data + kFlagsBytes);
    if (start & kHighBit) return true;
    // Each segment's end follows its start. An end with bit 31 set starts the
    // next segment at once; otherwise the next value is that segment's start.
    bool awaitingStart = false;
    uint32_t end = 0;
    for (uint32_t at = kFlagsBytes + 4; at < n; at += 4) {
        const uint32_t v = ReadU32BE(data + at);
        if (awaitingStart) {
            if ((v & kHighBit) || v < end) break;
            start = v;
            awaitingStart = false;
            continue;
        }
        end = v & ~kHighBit;
        if (end <= start) break;
        if (!doc.AddSyncTime(static_cast<int32_t>(start), static_cast<int32_t>(end))) return false;
        if (v & kHighBit) start = end;
        else awaitingStart = true;
    }
    return true;
}

PictureStep CheckPictureRecord(uint32_t duration, uint32_t size, uint64_t at, uint32_t n) {
    if (size == 0) return PictureStep::Skip;
    if (at + kPictureHeaderBytes + size > n || (duration & kHighBit)) return PictureStep::Stop;
    return PictureStep::Add;
}

bool AddPicture(LyricsDocument& doc, uint32_t duration, uint32_t fileOffset, uint32_t size) {
    const uint32_t dataIndex = doc.GetImageDataCount();
    return doc.AddImageData(fileOffset, size) &&
           doc.AddSlideImage(0, doc.GetSlideImageCount(), duration, dataIndex);
}

}  // namespace mr::native
