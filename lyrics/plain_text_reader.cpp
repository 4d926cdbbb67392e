#include "lyrics/plain_text_reader.h"

#include "lyrics/text_decode.h"

namespace mr {
namespace {

bool AddTextLine(LyricsDocument& doc, const char16_t* units, uint32_t length, uint32_t ordinal) {
    uint32_t text;
    if (!doc.AddText(std::u16string_view(units, length), &text)) return false;
    const uint32_t sync = doc.GetSyncCount();
    return doc.AddSyncPoint(LineStartMarker(ordinal)) && doc.AddLine(text, sync);
}

}  // namespace

bool ReadPlainTextLyrics(LyricsDocument& doc, uint8_t* bytes, uint32_t size) {
    DecodedLyricsText decoded;
    if (!DecodeLyricsText(bytes, size, &decoded, nullptr)) return false;
    if (decoded.Count() <= 1) return true;
    // The line's units are moved down over the removed CR, LF and NUL units,
    // in the decoded buffer itself.
    char16_t* u = decoded.Units() + 1;
    const uint32_t n = decoded.Count() - 1;
    uint32_t w = 0;          // write position
    uint32_t lineStart = 0;  // where the current line's cleaned units begin
    uint32_t ordinal = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (c == u'\r' && i + 1 < n && u[i + 1] == u'\n') {
            if (!AddTextLine(doc, u + lineStart, w - lineStart, ordinal++)) return false;
            ++i;
            lineStart = w;
        } else if (c != u'\r' && c != u'\n' && c != u'\0') {
            u[w++] = c;
        }
    }
    return AddTextLine(doc, u + lineStart, w - lineStart, ordinal);
}

}  // namespace mr
