#pragma once
// The chunks of a version 3 native file, shared by the in-memory and the
// streamed read. Every integer of the format is big-endian. Each handler takes
// one chunk's data of n bytes (the 4-byte flags word first), adds what it
// finds to the document and stops quietly at the first inconsistency. They
// return false only when memory or a table's capacity runs out.

#include <cstdint>

#include "lyrics/lyrics_document.h"

namespace mr::native {

// Chunk tags, as the big-endian value of their four letters.
inline constexpr uint32_t kTagInfo = 0x494E464Fu;  // "INFO"
inline constexpr uint32_t kTagText = 0x54455854u;  // "TEXT"
inline constexpr uint32_t kTagSync = 0x53505430u;  // "SPT0"
inline constexpr uint32_t kTagTime = 0x54535030u;  // "TSP0"
inline constexpr uint32_t kTagImage = 0x494D4730u; // "IMG0"

// Chunk header: tag and data size, 8 bytes.
inline constexpr uint32_t kChunkHeaderBytes = 8;
// Picture record header: duration and picture size, 8 bytes.
inline constexpr uint32_t kPictureHeaderBytes = 8;
// An "IMG0" chunk shorter than this holds no picture.
inline constexpr uint32_t kMinImageChunkBytes = 13;

inline uint32_t ReadU32BE(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// "INFO": Title, Artist, Album in UTF-8, each NUL-terminated.
bool ReadInfoChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n);
// "TEXT": the line texts in UTF-8, each NUL-terminated, stored index for index
// (no sharing).
bool ReadTextChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n);
// "SPT0": the simple flag and the sync points; line entries refer to texts
// already read.
bool ReadSyncChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n);
// "TSP0": the segment times in ms.
bool ReadTimeChunk(LyricsDocument& doc, const uint8_t* data, uint32_t n);

// What to do with one "IMG0" record whose header lies at offset `at` of the
// chunk's n data bytes.
enum class PictureStep { Skip, Add, Stop };
PictureStep CheckPictureRecord(uint32_t duration, uint32_t size, uint64_t at, uint32_t n);
// Records one embedded picture: its bytes lie at `fileOffset` in the source
// file. Adds an ImageData entry and a SlideImage (flags 0) that refers to it.
bool AddPicture(LyricsDocument& doc, uint32_t duration, uint32_t fileOffset, uint32_t size);

}  // namespace mr::native
