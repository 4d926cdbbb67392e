#pragma once
// Versions 1 and 2 of the native lyrics file, read only: a "TEXT" chunk (ANSI
// in version 1, UTF-16LE in version 2) with eight header strings and the line
// texts, then a "SYNC" chunk of 16-byte records with segment bounds and times
// in 10 ms units. Sizes and records are little-endian.

#include <cstdint>

#include "lyrics/lyrics_document.h"

namespace mr::native {

// Reads a whole legacy file of `size` bytes (its magic and size field already
// checked) into `doc`. version is 1 or 2. The segment and time passes over the
// records stop independently, so a damaged file may give more times than sync
// points. False only when memory or a table's capacity runs out.
bool ReadLegacyNative(LyricsDocument& doc, const uint8_t* bytes, uint32_t size, int version);

}  // namespace mr::native
