#pragma once
// The editor's open flow for a lyrics file: read it in editor mode, drop the
// sync points that fall on blanks, copy text and times into the document
// store and the slide images into its picture store, and let the lyrics
// document go.

#include <cstdint>
#include <string_view>

#include "editor/files/progress.h"
#include "editor/files/save_types.h"
#include "editor/store/sync_document.h"
#include "lyrics/lyrics_document.h"

namespace mr {

enum class OpenStatus {
    kOpened,
    kReadFailed,  // the file could not be opened or read, or memory ran out
    kTooLarge,    // the text or the times do not fit the editor's store
    kCancelled,   // the user cancelled while the pictures were copied
};

struct OpenReport {
    int encoding = 0;    // TextEncoding of an LRC file, else 0
    SaveFields fields;   // Title, Artist, Album; simple = the file's simple flag
    uint32_t pictures = 0;        // slide images in the file
    uint32_t picturesFailed = 0;  // of those, the ones the store could not keep
};

// Clears `doc` and opens the file at `path` (kind 4 native, 7 LRC, 8 plain
// text) into it through `lyrics`, which is cleared afterwards whatever the
// outcome. The pictures are copied with AddDocumentPicture, reporting
// 100 × k / count to `progress` (may be null) before each; a cancel clears
// the whole document. A picture the store cannot keep (no temporary file,
// a failed read) is left out and counted. Nothing is recorded in the
// history, and the document is not modified afterwards.
OpenStatus OpenLyricsFile(SyncDocument& doc, LyricsDocument& lyrics, std::u16string_view path, int kind,
                          ProgressSink* progress, OpenReport* report);

}  // namespace mr
