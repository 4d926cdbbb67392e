#pragma once
// LoadLyricsFile: the single entry through which every lyrics file is read
// into a LyricsDocument.

#include <string_view>

#include "lyrics/lyrics_document.h"

namespace mr {

// Reads the file at `path` into `doc` with the reader of `kind` (a
// LyricsFileKind): 4 native, 7 LRC, 8 plain text, 9 karaoke MIDI; any other
// kind (5 and 6 among them) is accepted and reads nothing. editorMode is 1
// from the editor and 0 from the plug-ins. *encoding (optional) receives the
// TextEncoding of an LRC file, 0 otherwise.
//
// The document is not cleared first: the caller keeps it empty before a load
// and clears it after a failed one. Returns false when the file cannot be
// opened or read or memory (or a table's capacity) runs out, keeping what was
// added; true otherwise, also when the content is not recognised and nothing
// was added. The source file stays open afterwards exactly when the document
// has embedded pictures (their bytes are read from it later).
bool LoadLyricsFile(LyricsDocument& doc, std::u16string_view path, int kind, int editorMode,
                    int* encoding = nullptr);

}  // namespace mr
