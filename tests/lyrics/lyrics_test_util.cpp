#include "tests/lyrics/lyrics_test_util.h"

#include <vector>

#include "common/text.h"
#include "lyrics/lrc_reader.h"
#include "lyrics/plain_text_reader.h"

namespace mr::test {

std::vector<std::string> DescribeLines(const LyricsDocument& doc) {
    std::vector<std::string> out;
    const uint32_t lines = doc.GetLineCount(), syncs = doc.GetSyncCount(), times = doc.GetSyncTimeCount();
    for (uint32_t i = 0; i < lines; ++i) {
        const LyricsLine& line = doc.GetLines()[i];
        const uint32_t end = i + 1 < lines ? doc.GetLines()[i + 1].firstSync : syncs;
        const char16_t* text = doc.GetText(line.textIndex);
        std::string s = text ? Utf16ToUtf8(text) : std::string("<bad text>");
        std::string offsets, timing;
        for (uint32_t k = line.firstSync; k < end && k < syncs; ++k) {
            const SyncPoint p = doc.GetSyncPoints()[k];
            if (k == line.firstSync) {
                if (!IsLineStart(p)) s += " <no marker>";
            } else {
                offsets += (offsets.empty() ? "" : ",") + std::to_string(p);
            }
            if (k < times) {
                const SyncTime& t = doc.GetSyncTimes()[k];
                timing += " " + std::to_string(t.start) + "-" + std::to_string(t.end);
            }
        }
        s += " |" + offsets + "|" + timing;
        out.push_back(s);
    }
    return out;
}

bool ReadLrc(LyricsDocument& doc, std::string_view bytes, int editorMode, int* encoding) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    return ReadLrcLyrics(doc, copy.data(), static_cast<uint32_t>(copy.size()), editorMode, encoding);
}

bool ReadPlainText(LyricsDocument& doc, std::string_view bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    return ReadPlainTextLyrics(doc, copy.data(), static_cast<uint32_t>(copy.size()));
}

std::string Utf16Bytes(std::string_view utf8, bool bigEndian) {
    std::u16string u = u"\xFEFF" + Utf8ToUtf16(utf8);
    std::string out;
    for (char16_t c : u) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

}  // namespace mr::test
