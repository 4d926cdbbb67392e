#pragma once
// Reader of the native lyrics file (.mr), versions 1, 2 and 3.

#include <cstdint>

#include "common/buffered_file.h"
#include "lyrics/lyrics_document.h"

namespace mr {

// Files of more than this many bytes (100 MiB) are large: a version 3 file is
// then walked chunk by chunk from the disk and its pictures are only recorded
// (offset, size), never read; a large version 1 or 2 file is not read at all.
// Smaller files are read whole into the source file's buffer.
inline constexpr uint32_t kLargeFileBytes = 100u * 1024u * 1024u;

// Reads the native file open in `file` (the document's source file, at
// position 0, file.Size() bytes) into `doc`. Sets the document's simple flag
// from a version 3 file; with editorMode 0 (plug-ins) a file that asks for
// line-by-line display keeps only its line-start sync points
// (StripWordSyncPoints). Embedded pictures are recorded as ImageData entries
// (byte offsets into `file`) with one SlideImage each; their bytes stay in the
// file. Damaged or unrecognised content stops the reading quietly and keeps
// what was added. False only when memory or a table's capacity runs out, or a
// read or seek of the file fails.
bool ReadNativeLyrics(LyricsDocument& doc, BufferedFile& file, int editorMode);

// For tests and the fuzz target of the streamed path: files of more than
// `bytes` bytes are treated as large from now on (kLargeFileBytes restores the
// normal rule). Not thread-safe; set it before loading.
void SetLargeFileBytesForTesting(uint32_t bytes);

}  // namespace mr
