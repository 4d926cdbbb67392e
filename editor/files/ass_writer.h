#pragma once
// The ASS writer: the editor's document as an Advanced SubStation Alpha
// script with karaoke tags, for video karaoke.

#include <cstdint>
#include <vector>

#include "editor/files/save_types.h"
#include "editor/store/sync_document.h"

namespace mr {

// The script's bytes, UTF-8 with its mark: [Script Info] (ScriptType
// v4.00+, a 1280 × 720 play resolution, Title, Artist and Album of the
// non-empty fields), one [V4+ Styles] style "Default", and [Events] with one
// Dialogue per line from its first segment's start to its last segment's
// end. Each segment is preceded by {\kf N}, N its length in centiseconds; a
// gap before a segment becomes an empty {\k N}, and a segment that starts
// before the previous one ended is shortened to what follows that end.
// Braces are written \{ and \}, and a backslash that would form a tag or an
// escape with what follows gets U+200B ZERO WIDTH SPACE after it (renderers
// show nothing for it; the ASS reader removes it). The timed segments only
// (as in LRC). The document is read under its lock. kTimeOutOfRange for a
// negative time, kOutOfMemory.
SaveStatus BuildAss(SyncDocument& doc, const SaveFields& fields, std::vector<uint8_t>* bytes);

}  // namespace mr
