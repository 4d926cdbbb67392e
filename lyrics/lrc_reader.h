#pragma once
// Reader of LRC files: line time stamps, the "ti", "ar" and "al" tags and
// word stamps inside a line.

#include <cstdint>

#include "lyrics/lyrics_document.h"

namespace mr {

// Reads an LRC file's `size` bytes into `doc`, one line per time stamp in
// time order. `bytes` must be 2-byte aligned and may be changed (a UTF-16BE
// file is swapped in place). *encoding (optional) receives the TextEncoding,
// also when the read fails later. In editor mode (1) a file
// without word stamps gets its lines' end times extended (each line lasts
// until 250 ms, or 40 ms, before the next; the last one second).
//
// A time that repeats or runs backwards ends the read there, with success.
// False only when memory or a table's capacity runs out; what was added
// stays in the document.
bool ReadLrcLyrics(LyricsDocument& doc, uint8_t* bytes, uint32_t size, int editorMode, int* encoding);

}  // namespace mr
