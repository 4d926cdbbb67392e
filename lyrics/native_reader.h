#pragma once
// Reader of the native lyrics file (.mr), versions 1, 2 and 3.

#include "common/buffered_file.h"
#include "lyrics/lyrics_document.h"

namespace mr {

// Reads the native file open in `file` (the document's source file, at
// position 0, file.Size() bytes) into `doc`. editorMode 0 (plug-ins) strips
// word sync points from files that ask for line-by-line display. False only
// when memory runs out or a read or seek fails.
bool ReadNativeLyrics(LyricsDocument& doc, BufferedFile& file, int editorMode);

}  // namespace mr
