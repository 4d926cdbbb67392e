#pragma once
// Position lookup: turns a playback position into the segment and the line
// that are current, the line's start and end, the scroll progress of the line
// block and the elapsed part of the current segment (what drives the wipe).
//
// Units are whatever the sync times are in: milliseconds for the players,
// 10 ms ticks for the editor's preview; LookupRules carries the thresholds in
// the same unit. Pure arithmetic over borrowed tables: nothing here allocates,
// locks or keeps a pointer beyond a call.

#include <cstdint>
#include <string_view>

#include "lyrics/lyrics_document.h"

namespace mr {

// The texts of the lines, by line ordinal (not by text index).
class LineTextSource {
public:
    virtual ~LineTextSource() = default;
    // The text of line `line`, empty when the line has none or does not exist.
    // The view must stay valid until the frame that asked for it is done.
    virtual std::u16string_view LineText(uint32_t line) const = 0;
};

// Borrowed views of the sync, time and line tables of a document (the layout
// of LyricsDocument's tables; the editor's preview fills the same shape).
struct SyncTables {
    const SyncPoint* syncs = nullptr;
    uint32_t syncCount = 0;  // S
    const SyncTime* times = nullptr;
    uint32_t timeCount = 0;  // T
    const LyricsLine* lines = nullptr;
    uint32_t lineCount = 0;  // L
    const LineTextSource* texts = nullptr;  // may be null: every text is empty
};

// Line texts of a LyricsDocument.
class DocumentLineTexts final : public LineTextSource {
public:
    explicit DocumentLineTexts(const LyricsDocument& doc) : doc_(doc) {}
    std::u16string_view LineText(uint32_t line) const override;

private:
    const LyricsDocument& doc_;
};

// The tables of `doc`, with `texts` (normally a DocumentLineTexts of the same
// document) as their text source. Valid until the document changes.
SyncTables TablesOf(const LyricsDocument& doc, const LineTextSource* texts);

// Thresholds of the gap rules and the early completion, in the times' unit.
struct LookupRules {
    int32_t splitGapBelow;  // a shorter gap is split in the middle
    int32_t nextLineLead;   // a longer gap shows the next line this early
    int32_t earlyComplete;  // a line's last segment completes this early before a line change
};
inline constexpr LookupRules kPlayerRules{1000, 500, 40};  // milliseconds
inline constexpr LookupRules kPreviewRules{100, 50, 4};    // ticks of 10 ms

// The display's shape as far as the lookup cares.
struct DisplayShape {
    int32_t lines = 1;       // n, lines on screen (1 to 8)
    bool scroll = false;     // smooth scrolling instead of pages
    int32_t lineHeight = 0;  // M, pixels of one displayed line (scroll offset range)
};

// What the lookup hands to the layout.
struct LineLocation {
    int32_t segment = 0;       // c, the current segment (sync index)
    int32_t firstSegment = 0;  // f, the first segment of the current line
    uint32_t line = 0;         // the current line's ordinal
    int32_t lineStart = 0;     // Ls
    int32_t lineEnd = 0;       // Le
    int32_t scroll = 0;        // s, pixels the block has moved up (0 to lineHeight)
    uint32_t spanStart = 0;    // c0, first UTF-16 unit of the current segment
    uint32_t spanEnd = 0;      // c1, one past its last unit
    int32_t duration = 0;      // d
    int32_t elapsed = 0;       // e, 0 to d
};

// The display time: position minus delay, never below 0 (and never wrapping).
int32_t DisplayTime(int32_t position, int32_t delay);

// The incremental sync cursor. It remembers the segment found on the previous
// frame, so a steady or slowly moving position costs no search; a seek only
// makes the next call walk further.
class SyncCursor {
public:
    // Back to segment 0; done whenever a new document is loaded.
    void Reset() { cursor_ = 0; }
    int32_t Position() const { return cursor_; }

    // Moves the cursor to the segment current at display time `t` and fills
    // *out. Returns false, changing nothing, when the tables hold no sync
    // points or no times (nothing is to be drawn). A cursor left beyond the
    // times (entries removed since the last call) is brought back first.
    bool LocateLine(const SyncTables& tables, int32_t t, const DisplayShape& shape,
                    const LookupRules& rules, LineLocation* out);

private:
    int32_t cursor_ = 0;
};

}  // namespace mr
