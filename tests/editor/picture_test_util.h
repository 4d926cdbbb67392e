#pragma once
// Helpers for the picture store and writer tests: native files with embedded
// pictures, and the store's pictures described compactly.

#include <cstdint>
#include <string>
#include <vector>

#include "editor/store/sync_document.h"
#include "lyrics/lyrics_document.h"
#include "tests/lyrics/native_file_builder.h"

namespace mr::test {

// A native file with one line ("la", 1.00-2.00 s) and these pictures.
std::vector<uint8_t> NativeFileWithPictures(const std::vector<Picture>& pictures);

// Writes the bytes to `path` and loads them as the editor does (the source
// file stays open when there are pictures).
bool LoadNativeFile(LyricsDocument& lyrics, const std::u16string& path, const std::vector<uint8_t>& bytes);

// Every picture as "ordinal:duration" (ticks), with "!" for external ones.
std::vector<std::string> DescribePictures(SyncDocument& doc);

// The bytes of embedded picture `index`, as a string ("" when it has none).
std::string PictureBytesOf(SyncDocument& doc, int32_t index);


// Records of a native file's "IMG0" chunk: duration (ms) and bytes; empty
// when the file has no such chunk. *found tells whether it had one.
struct PictureRecord {
    uint32_t duration;
    std::string bytes;
    bool operator==(const PictureRecord&) const = default;
};
std::vector<PictureRecord> PictureRecords(const std::vector<uint8_t>& file, bool* found = nullptr);

// The tags of a native file's chunks in order ("INFO", "TEXT", ...), after
// checking the header's size field (an empty list when it is wrong).
std::vector<std::string> ChunkTags(const std::vector<uint8_t>& file);
// The data of the first chunk with `tag` after its header (flags word
// included), or "" when there is none.
std::string ChunkData(const std::vector<uint8_t>& file, const std::string& tag);

}  // namespace mr::test
