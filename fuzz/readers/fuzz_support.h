#pragma once
// Shared by the fuzz targets: load one input through LoadLyricsFile as the
// editor and the plug-ins do, walk everything the document holds and check
// the invariants every reader must leave. A broken invariant aborts, so
// libFuzzer reports it like a crash.

#include <cstddef>
#include <cstdint>

namespace mr::fuzz {

// Who loads the file: the editor (editorMode 1, then DropBlankSyncPoints) or
// a plug-in (editorMode 0, then StripWordSyncPoints, as a line-only display
// does).
enum Loader : unsigned { kEditor = 1, kPlayer = 2 };

// Writes the input to this process's scratch file and loads it as `kind`
// once for each loader in `loaders`.
void LoadAndCheck(const uint8_t* data, size_t size, int kind, unsigned loaders);

}  // namespace mr::fuzz
