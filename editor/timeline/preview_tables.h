#pragma once
// PreviewTables: the editor document as the display engine's position lookup
// reads a lyrics document (sync, time and line tables and the line texts),
// cut down to what the preview of one line at one play position needs: the
// line holding the last timing entry that starts at or before the position
// (the first entry when none does), and the line after it. Over those two
// lines the lookup finds the same segment, span and elapsed time as over the
// whole document, at the cost of two lines' cells per frame however long the
// document is. Portable; the caller holds the document lock.
//
// Local line ordinals are 0 and 1; FirstLineSegment says where line 0 starts
// in the document. Buffers grow to the longest line seen and are then reused.

#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/store/sync_text.h"
#include "lyrics/lyrics_document.h"
#include "render/position_lookup.h"

namespace mr {

class SyncDocument;

class PreviewTables final : public LineTextSource {
public:
    PreviewTables();

    // Rebuilds the tables around play position `ticks`. The result borrows
    // this object's buffers and stays valid until the next Build. No sync
    // points (nothing to show) when the document has no text or no entries.
    SyncTables Build(SyncDocument& doc, int32_t ticks);

    std::u16string_view LineText(uint32_t line) const override;
    // The document segment of local line 0's first segment (−1 when empty).
    int32_t FirstLineSegment() const { return firstSegment_; }

private:
    // Reads the line holding `segment`: its text into texts_[slot], its sync
    // points (a marker, then the offsets of its flagged cells) appended to
    // syncs_. *first gets the line's first segment. False when it cannot be read.
    bool ReadLine(SyncDocument& doc, int32_t segment, int slot, int32_t* first);

    std::vector<char16_t> buffer_;
    std::vector<TextCell> cells_;
    std::vector<char16_t> texts_[2];
    std::vector<SyncPoint> syncs_;
    std::vector<SyncTime> times_;
    LyricsLine lines_[2] = {};
    uint32_t lineCount_ = 0;
    int32_t firstSegment_ = -1;
};

}  // namespace mr
