#pragma once
// Helpers for the editor tests: documents written as marked-up strings.
//
// Text notation: '|' before a character marks a syncpoint on it, '\r' is a
// line break. "ab|cd\ref" is two lines, the first with segments "ab" and
// "cd\r".

#include <string>
#include <utility>
#include <vector>

#include "editor/store/sync_document.h"
#include "lyrics/lyrics_document.h"

namespace mr::test {

using Entries = std::vector<std::pair<int32_t, int32_t>>;

// Fills a lyrics document from the notation (one LyricsLine per line) and
// times in milliseconds.
void MakeLyrics(LyricsDocument& lyrics, std::u16string_view marked, const Entries& timesMs = {});
// Loads the notation (not ending in a line break) and times (in ticks) into
// the store as the open flow does (no history record).
void Load(SyncDocument& doc, std::u16string_view marked, const Entries& ticks = {});
// The store's text in the notation.
std::u16string Marked(SyncDocument& doc);
Entries Timings(SyncDocument& doc);

}  // namespace mr::test
