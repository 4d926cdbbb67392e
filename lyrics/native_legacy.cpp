#include "lyrics/native_legacy.h"

#include <cstdlib>
#include <cstring>

#include "common/text.h"

namespace mr::native {
namespace {

constexpr uint32_t kTextChunkAt = 8;
constexpr uint32_t kChunkHeaderBytes = 8;
constexpr uint32_t kRecordBytes = 16;
// Header strings before the line texts: Title, Artist, Album and five unused.
constexpr uint32_t kHeaderStrings = 8;
constexpr uint16_t kNoSegment = 0xFFFF;   // first character: no segment
constexpr uint16_t kToLineEnd = 0xFFFF;   // end character: to the end of the line
constexpr uint32_t kNotTimed = 0xFFFFFFFFu;
// Times are stored in 10 ms units; larger ones do not fit a document's
// signed 32-bit milliseconds.
constexpr uint32_t kMaxTimeUnits = INT32_MAX / 10;

uint32_t ReadU32LE(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint16_t ReadU16LE(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
bool HasTag(const uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

struct Record {
    uint16_t text;
    uint16_t first;  // first character of the segment
    uint16_t end;    // character after the segment
    uint32_t start;  // 10 ms units
    uint32_t stop;   // 10 ms units
};

Record ReadRecord(const uint8_t* p) {
    return Record{ReadU16LE(p), ReadU16LE(p + 4), ReadU16LE(p + 6), ReadU32LE(p + 8), ReadU32LE(p + 12)};
}

// The legacy text, decoded to UTF-16: eight header strings, then the line
// texts, each NUL-terminated; a CR or LF ends the text wherever it stands.
bool ReadLegacyText(LyricsDocument& doc, const char16_t* u, uint32_t count) {
    uint32_t i = 0;
    uint32_t nuls = 0;
    uint32_t begin = 0;
    for (; nuls < kHeaderStrings; ++i) {
        if (i == count || u[i] == u'\r' || u[i] == u'\n') return true;  // header incomplete: no lines
        if (u[i] != u'\0') continue;
        ++nuls;
        if (nuls <= 3 && !doc.SetInfoText(static_cast<int>(nuls), std::u16string_view(u + begin, i - begin)))
            return false;
        begin = i + 1;
    }
    for (begin = i; i < count && u[i] != u'\r' && u[i] != u'\n'; ++i) {
        if (u[i] != u'\0') continue;
        if (!doc.AppendText(std::u16string_view(u + begin, i - begin))) return false;
        begin = i + 1;
    }
    return true;
}

// Decodes the text chunk's t bytes and reads it. Version 1 is in the active
// code page, version 2 in UTF-16LE.
bool DecodeLegacyText(LyricsDocument& doc, const uint8_t* text, uint32_t t, int version) {
    size_t count;
    if (version == 1) {
        count = AnsiToUtf16(reinterpret_cast<const char*>(text), t, nullptr, 0);
    } else {
        if (t % 4 != 0) return true;
        count = t / 2;
    }
    // The text's length as UTF-16 must be a multiple of 4 bytes.
    if (count == 0 || count % 2 != 0) return true;
    auto* units = static_cast<char16_t*>(std::malloc(count * sizeof(char16_t)));
    if (!units) return false;
    if (version == 1) {
        count = AnsiToUtf16(reinterpret_cast<const char*>(text), t, units, count);
    } else {
        for (size_t k = 0; k < count; ++k) units[k] = ReadU16LE(text + 2 * k);
    }
    const bool ok = ReadLegacyText(doc, units, static_cast<uint32_t>(count));
    std::free(units);
    return ok;
}

// The segment pass: sync points and lines from the records' character
// bounds. Returns false only on exhausted memory; *readNothing tells that
// record 0 was unusable, which leaves the times unread too.
bool ReadSegments(LyricsDocument& doc, const uint8_t* records, uint32_t count, bool* readNothing) {
    *readNothing = false;
    const Record r0 = ReadRecord(records);
    if (r0.first == kNoSegment) return true;
    const uint32_t texts = doc.GetTextCount();
    if (r0.first != 0 || r0.end == 0 || r0.text >= texts) {
        *readNothing = true;
        return true;
    }
    uint32_t ordinal = doc.GetLineCount();
    uint32_t sync = doc.GetSyncCount();
    if (!doc.AddSyncPoint(LineStartMarker(ordinal++)) || !doc.AddLine(r0.text, sync)) return false;
    Record prev = r0;
    uint32_t length = doc.GetTextLength(r0.text);
    for (uint32_t k = 1; k < count; ++k) {
        const Record r = ReadRecord(records + k * kRecordBytes);
        if (r.first == kNoSegment || (r.end <= r.first && r.end != kToLineEnd) || r.text >= texts) break;
        if (r.first == 0) {
            // A new line starts only after the previous one ran to its end.
            if (prev.end != kToLineEnd) break;
            sync = doc.GetSyncCount();
            if (!doc.AddSyncPoint(LineStartMarker(ordinal++)) || !doc.AddLine(r.text, sync)) return false;
            length = doc.GetTextLength(r.text);
        } else {
            // A segment continues where the previous one ended, in the same
            // line and inside its text.
            if (r.first != prev.end || r.first >= length || r.text != prev.text) break;
            if (!doc.AddSyncPoint(r.first)) return false;
        }
        prev = r;
    }
    return true;
}

// The time pass, independent of the segment pass. Times that would not fit
// in milliseconds end the pass like any other bad value.
bool ReadTimes(LyricsDocument& doc, const uint8_t* records, uint32_t count) {
    uint32_t prevEnd = 0;
    for (uint32_t k = 0; k < count; ++k) {
        const Record r = ReadRecord(records + k * kRecordBytes);
        if (r.start == kNotTimed || r.stop <= r.start || r.start < prevEnd || r.stop > kMaxTimeUnits) break;
        if (!doc.AddSyncTime(static_cast<int32_t>(r.start * 10), static_cast<int32_t>(r.stop * 10))) return false;
        prevEnd = r.stop;
    }
    return true;
}

}  // namespace

bool ReadLegacyNative(LyricsDocument& doc, const uint8_t* bytes, uint32_t size, int version) {
    // The text chunk: its header must fit and carry the tag, and its data must
    // lie within the file.
    if (uint64_t{kTextChunkAt} + kChunkHeaderBytes > size || !HasTag(bytes + kTextChunkAt, "TEXT")) return true;
    const uint32_t t = ReadU32LE(bytes + kTextChunkAt + 4);
    if (version == 1 && (t % 4 != 0 || t < 8)) return true;
    const uint64_t textAt = kTextChunkAt + kChunkHeaderBytes;
    if (textAt + t > size) return true;
    if (!DecodeLegacyText(doc, bytes + textAt, t, version)) return false;

    // The sync chunk follows directly.
    const uint64_t syncAt = textAt + t;
    if (syncAt + kChunkHeaderBytes > size || !HasTag(bytes + syncAt, "SYNC")) return true;
    const uint32_t syncSize = ReadU32LE(bytes + syncAt + 4);
    if (syncAt + kChunkHeaderBytes + syncSize > size) return true;
    const uint32_t count = syncSize / kRecordBytes;
    if (count == 0) return true;
    const uint8_t* records = bytes + syncAt + kChunkHeaderBytes;

    bool readNothing = false;
    if (!ReadSegments(doc, records, count, &readNothing)) return false;
    if (readNothing) return true;
    return ReadTimes(doc, records, count);
}

}  // namespace mr::native
