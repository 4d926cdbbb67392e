#include "render/position_lookup.h"

#include <algorithm>

namespace mr {

std::u16string_view DocumentLineTexts::LineText(uint32_t line) const {
    if (line >= doc_.GetLineCount()) {
        return {};
    }
    const uint32_t index = doc_.GetLines()[line].textIndex;
    const char16_t* text = doc_.GetText(index);
    return text ? std::u16string_view(text, doc_.GetTextLength(index)) : std::u16string_view();
}

SyncTables TablesOf(const LyricsDocument& doc, const LineTextSource* texts) {
    SyncTables t;
    t.syncs = doc.GetSyncPoints();
    t.syncCount = doc.GetSyncCount();
    t.times = doc.GetSyncTimes();
    t.timeCount = doc.GetSyncTimeCount();
    t.lines = doc.GetLines();
    t.lineCount = doc.GetLineCount();
    t.texts = texts;
    return t;
}

int32_t DisplayTime(int32_t position, int32_t delay) {
    const int64_t t = int64_t{position} - delay;
    return static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
}

namespace {

// Offset of a word sync point inside its line, clamped to the text.
uint32_t OffsetIn(SyncPoint p, size_t length) {
    return IsLineStart(p) ? 0u : static_cast<uint32_t>(std::min<size_t>(p, length));
}

}  // namespace

bool SyncCursor::LocateLine(const SyncTables& tb, int32_t t, const DisplayShape& shape,
                            const LookupRules& rules, LineLocation* out) {
    if (tb.syncCount == 0 || tb.timeCount == 0 || !tb.syncs || !tb.times) {
        return false;
    }
    const int32_t usable = static_cast<int32_t>(std::min<uint32_t>(
        std::min(tb.syncCount, tb.timeCount), static_cast<uint32_t>(INT32_MAX)));
    const SyncTime* time = tb.times;
    const SyncPoint* sync = tb.syncs;
    const int32_t n = std::max(shape.lines, 1);

    // The editor may remove entries between frames: a cursor beyond the
    // usable segments would read past the time table.
    int32_t c = std::clamp(cursor_, 0, usable - 1);
    while (c > 0 && time[c].start > t) {
        --c;
    }
    while (c < usable && time[c].end <= t) {
        ++c;
    }
    if (c >= usable) {
        c = usable - 1;  // after the last segment the last one stays current
    } else if (c > 0 && time[c].start > t && IsLineStart(sync[c])) {
        // t lies in the gap before a new line: the previous line may stay.
        bool stay;
        if (n != 1 && shape.scroll) {
            stay = true;
        } else {
            const int64_t prevEnd = time[c - 1].end;
            const int64_t gap = int64_t{time[c].start} - prevEnd;
            stay = gap < rules.splitGapBelow ? t <= prevEnd + gap / 2
                                             : t < int64_t{time[c].start} - rules.nextLineLead;
        }
        if (stay) {
            --c;
        }
    }
    cursor_ = c;

    // The current line: back to its start marker.
    int32_t f = c;
    while (f > 0 && !IsLineStart(sync[f])) {
        --f;
    }
    // A table that does not begin with a marker has no ordinal to give:
    // its leading segments count as line 0.
    const uint32_t line = IsLineStart(sync[f]) ? (sync[f] & ~kLineStartFlag) : 0u;
    const int32_t lineStart = time[f].start;

    // The line's last segment and the next line's start. A next line whose
    // marker lies at or beyond the usable segments has no time: then every
    // usable segment from f on belongs to this line and there is no next
    // start to cut a short line at.
    int32_t last = usable - 1;
    int32_t nextStart = 0;
    if (tb.lines && tb.lineCount > 0 && line < tb.lineCount - 1) {
        const uint32_t k = tb.lines[line + 1].firstSync;
        if (k < static_cast<uint32_t>(usable)) {
            last = static_cast<int32_t>(k) - 1;
            nextStart = time[k].start;
        }
    }
    // A damaged line table may name a marker before this line: keep the
    // last segment within the line's own usable segments.
    last = std::clamp(last, c, usable - 1);
    int32_t lineEnd = time[last].end;
    if (int64_t{lineStart} + 10 >= lineEnd) {
        lineEnd = static_cast<int32_t>(std::min<int64_t>(int64_t{lineStart} + 4000, INT32_MAX));
        if (nextStart > 0 && nextStart < lineEnd) {
            lineEnd = nextStart;
        }
    }

    int32_t scroll = 0;
    if (shape.scroll && n > 2) {
        if (t >= lineEnd) {
            scroll = shape.lineHeight;
        } else if (t > lineStart) {
            scroll = static_cast<int32_t>((int64_t{t} - lineStart) * shape.lineHeight /
                                          (int64_t{lineEnd} - lineStart));
        }
    }

    // The segment's span in the line text.
    const std::u16string_view text = tb.texts ? tb.texts->LineText(line) : std::u16string_view();
    const uint32_t c0 = OffsetIn(sync[c], text.size());
    uint32_t c1 = static_cast<uint32_t>(text.size());
    if (static_cast<uint32_t>(c) + 1 < tb.syncCount && !IsLineStart(sync[c + 1])) {
        c1 = OffsetIn(sync[c + 1], text.size());
    }
    c1 = std::max(c1, c0);

    const int64_t start = time[c].start;
    const int64_t end = time[c].end;
    const int32_t duration =
        static_cast<int32_t>(std::clamp<int64_t>(end - start, 0, INT32_MAX));
    int32_t elapsed;
    if (start >= t) {
        elapsed = 0;
    } else if (t >= end) {
        elapsed = duration;
    } else {
        elapsed = static_cast<int32_t>(t - start);
        const bool lastRowOfPage =
            n == 1 || (!shape.scroll && static_cast<int32_t>(line % static_cast<uint32_t>(n)) == n - 1);
        const int64_t soon = int64_t{t} + rules.earlyComplete;
        if (lastRowOfPage && soon >= end && c < usable - 1 && soon >= time[c + 1].start &&
            IsLineStart(sync[c + 1])) {
            elapsed = duration;  // shown complete just before the line is replaced
        }
    }

    out->segment = c;
    out->firstSegment = f;
    out->line = line;
    out->lineStart = lineStart;
    out->lineEnd = lineEnd;
    out->scroll = scroll;
    out->spanStart = c0;
    out->spanEnd = c1;
    out->duration = duration;
    out->elapsed = elapsed;
    return true;
}

}  // namespace mr
