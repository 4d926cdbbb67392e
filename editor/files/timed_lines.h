#pragma once
// The editor's document as timed lines of segments, for the writers of other
// programs' formats (ASS, TTML); not part of their contract.

#include <cstdint>
#include <string>
#include <vector>

#include "editor/store/sync_document.h"

namespace mr::writer {

struct TimedSegment {
    std::u16string text;  // without the line break; NUL and LF as U+FFFD
    int32_t start;        // ticks (10 ms)
    int32_t end;
};

struct TimedLine {
    std::vector<TimedSegment> segments;  // at least one
};

// Every timed segment (0 … min(SegmentCount, TimingCount) − 1, the untimed
// rest left out, as in LRC), grouped into the lines they begin. Reads the
// document under its lock. May throw std::bad_alloc.
std::vector<TimedLine> CollectTimedLines(SyncDocument& doc);

// A single-line field value (title, artist) with NUL, CR and LF as U+FFFD.
std::u16string FieldValue(const std::u16string& value);

}  // namespace mr::writer
