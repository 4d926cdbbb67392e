#include "lyrics/native_chunks.h"

#include <cstdlib>

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

    // Converts n UTF-8 bytes; false only when the buffer cannot grow.
    bool FromUtf8(const uint8_t* bytes, uint32_t n, std::u16string_view* out) {
        // UTF-8 never gives more units than bytes.
        if (n > capacity_) {
            auto* grown = static_cast<char16_t*>(std::realloc(units_, size_t{n} * sizeof(char16_t)));
            if (!grown) return false;
            units_ = grown;
            capacity_ = n;
        }
        const size_t count = n ? Utf8ToUtf16(reinterpret_cast<const char*>(bytes), n, units_, capacity_) : 0;
        *out = std::u16string_view(units_, count);
        return true;
    }

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

// Calls add(view) for each NUL-terminated UTF-8 string of p[0, n) until a CR,
// LF, the end, or `limit` strings. A final string without NUL is not passed.
template <typename Add>
bool ForEachString(const uint8_t* p, uint32_t n, uint32_t limit, Add add) {
    UnitScratch scratch;
    uint32_t i = 0;
    for (uint32_t count = 0; count < limit && i < n; ++count) {
        const uint32_t stop = FindStop(p, i, n);
        if (stop == n || p[stop] != 0) break;
        std::u16string_view units;
        if (!scratch.FromUtf8(p + i, stop - i, &units) || !add(count, units)) return false;
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
