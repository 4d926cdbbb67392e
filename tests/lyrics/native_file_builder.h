#pragma once
// Byte-built native lyrics files for the reader's tests: version 3 exactly as
// the editor writes it (big-endian, chunks back to back, sizes without their
// 8-byte headers), and the legacy versions 1 and 2.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lyrics/lyrics_document.h"

namespace mr::test {

// The SPT0 entry that starts a line with the file's text `textIndex`.
inline constexpr uint32_t LineEntry(uint32_t textIndex) { return 0x80000000u | textIndex; }
// A TSP0 end value after which the next segment starts at once.
inline constexpr uint32_t Joined(uint32_t end) { return 0x80000000u | end; }

struct Picture {
    uint32_t duration;   // ms
    std::string bytes;
};

// A version 3 file; the chunks come out in the order they were added.
class MrFile {
public:
    // "INFO": Title, Artist, Album (UTF-8), each followed by NUL.
    MrFile& Info(std::string_view title, std::string_view artist, std::string_view album);
    // "TEXT": the texts (UTF-8), each followed by NUL.
    MrFile& Texts(const std::vector<std::string>& texts);
    // "SPT0": the entries, with the simple flag in the flags word.
    MrFile& Sync(const std::vector<uint32_t>& entries, bool simple = false);
    // "TSP0" from segment times, encoded as the writer does: a start equal to
    // the previous end sets bit 31 of that end instead of being written.
    MrFile& Times(const std::vector<std::pair<uint32_t, uint32_t>>& segments);
    // "TSP0" with these values after the flags word.
    MrFile& TimeValues(const std::vector<uint32_t>& values);
    // "IMG0" with one record per picture.
    MrFile& Pictures(const std::vector<Picture>& pictures);
    // Any chunk: the flags word (0) and `data` follow the header; the size
    // field is data + 4 plus `sizeAdjust`.
    MrFile& Chunk(std::string_view tag, std::string_view data, int64_t sizeAdjust = 0);
    // Bytes appended as they are, after the chunks so far.
    MrFile& Raw(std::string_view bytes);

    // The file, its header's size field equal to its size - 8 + sizeAdjust.
    std::vector<uint8_t> Bytes(int64_t sizeAdjust = 0) const;
    // Offset in the file of the next chunk's header (12 for the first).
    uint32_t NextOffset() const { return 12 + static_cast<uint32_t>(body_.size()); }

private:
    std::string body_;
};

// One record of a legacy "SYNC" chunk.
struct LegacyRecord {
    uint16_t text;
    uint16_t first;  // first character, 0 starts a line, 0xFFFF none
    uint16_t end;    // character after the segment, 0xFFFF to the line's end
    uint32_t start;  // 10 ms units, 0xFFFFFFFF not timed
    uint32_t stop;   // 10 ms units
};

// A version 1 (text: the given bytes in the active code page) or version 2
// (text: UTF-16LE of the given string) file. `text` is the whole legacy text:
// eight NUL-terminated header strings, then the line texts.
std::vector<uint8_t> LegacyFile(int version, std::u16string_view text, const std::vector<LegacyRecord>& records);
// The same with the text chunk's bytes given raw.
std::vector<uint8_t> LegacyFileRaw(int version, const std::string& textBytes,
                                   const std::vector<LegacyRecord>& records);

// Writes the bytes to a file in a fresh folder and loads it as a native
// file; when `streamed`, every file takes the large-file path. *sourceOpen
// (optional) tells whether the load left the source file open; it is closed
// before the folder is deleted.
bool LoadNative(LyricsDocument& doc, const std::vector<uint8_t>& bytes, int editorMode, bool streamed = false,
                bool* sourceOpen = nullptr);

// The slide images as "duration@offset+size", one per picture.
std::vector<std::string> DescribeSlides(const LyricsDocument& doc);
// Title, Artist and Album, "<null>" for an absent one, joined with "|".
std::string DescribeInfo(const LyricsDocument& doc);

}  // namespace mr::test
