#pragma once
// The save flow: every save writes a unique temporary file in the target's
// folder and then moves it over the target. Any failure deletes the temporary
// file and leaves the target byte for byte as it was.

#include <cstdint>
#include <string_view>

#include "editor/files/lrc_writer.h"
#include "editor/files/native_writer.h"
#include "editor/files/picture_decoder.h"
#include "editor/files/progress.h"
#include "editor/files/save_types.h"
#include "editor/store/sync_document.h"

namespace mr {

struct SaveOptions {
    // A LyricsFileKind: 4 or 11 native, 7 LRC with word stamps, 12 LRC with
    // line stamps only.
    int kind = 4;
    // A TextEncoding, for LRC only.
    int encoding = 2;
    SaveFields fields;
    // Checks pictures before the native writer puts them into the file; null
    // means SystemPictureDecoder().
    PictureDecoder* decoder = nullptr;
    // The "Saving file..." dialog around the picture writer; may be null.
    ProgressSink* progress = nullptr;
};

struct SaveReport {
    // The document was marked saved: the file kept everything (always for a
    // native file; for LRC with word stamps only when the store has no
    // pictures, every segment is timed by exactly one entry and the code page
    // had every character; never for LRC with line stamps only).
    bool markedSaved = false;
    PictureWriteReport pictures;  // native files
    LrcWriteReport lrc;           // LRC files
};

// Saves the document to `target` (a path with a folder part; a bare name is
// saved in the current folder). The temporary file is named "mrXXXX.tmp".
// Returns kSaved when the target holds the new file; any other status leaves
// the target untouched and no temporary file behind. Never throws.
SaveStatus SaveLyricsFile(SyncDocument& doc, std::u16string_view target, const SaveOptions& options,
                          SaveReport* report = nullptr);

}  // namespace mr
