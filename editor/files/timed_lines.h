#pragma once
// The editor's document as timed lines of segments, for the writers of other
// programs' formats (ASS, TTML); not part of their contract.

#include <cstdint>
#include <string>
#include <vector>

#include "editor/files/save_types.h"
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

// v (not negative) in decimal, zero-padded to at least `width` digits.
void AppendNumber(std::u16string& out, int64_t v, int width = 1);

// What these writers share at the end: the text `build` makes of the
// document, as UTF-8 in *bytes. kTooLarge when the UTF-8 would pass 4 GiB,
// kOutOfMemory when memory runs out; otherwise what `build` returned.
using TextBuilder = SaveStatus (*)(SyncDocument& doc, const SaveFields& fields, std::u16string& out);
SaveStatus BuildUtf8(SyncDocument& doc, const SaveFields& fields, TextBuilder build, std::vector<uint8_t>* bytes);

}  // namespace mr::writer
