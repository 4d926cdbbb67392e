#pragma once
// Reader of plain text lyrics files: one line per CR LF, no times.

#include <cstdint>

#include "lyrics/lyrics_document.h"

namespace mr {

// Reads a text file's `size` bytes into `doc`. Lines end only at a CR LF
// pair; any other CR, LF or NUL is removed from the line. Every line becomes
// a document line with its start marker, empty ones and the text after the
// last CR LF included; identical texts are shared. `bytes` must be 2-byte
// aligned and may be changed.
// False only when memory or a table's capacity runs out.
bool ReadPlainTextLyrics(LyricsDocument& doc, uint8_t* bytes, uint32_t size);

}  // namespace mr
