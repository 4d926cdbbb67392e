#pragma once
// Saving the editor's document in another program's karaoke format (ASS,
// TTML), through a temporary file that replaces the target, as every save.

#include <string_view>

#include "editor/files/save_types.h"
#include "editor/store/sync_document.h"

namespace mr {

enum class ExportFormat { kAss, kTtml };

// Builds the file (BuildAss or BuildTtml), writes it to a unique temporary
// file "mrXXXX.tmp" in the target's folder and moves that over `target`.
// Any status but kSaved leaves the target untouched and no temporary file
// behind. The document is not marked saved: these formats are exports.
SaveStatus ExportLyricsFile(SyncDocument& doc, std::u16string_view target, ExportFormat format,
                            const SaveFields& fields);

}  // namespace mr
