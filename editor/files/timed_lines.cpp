#include "editor/files/timed_lines.h"

#include <algorithm>

#include "editor/files/writer_support.h"

namespace mr::writer {

std::vector<TimedLine> CollectTimedLines(SyncDocument& doc) {
    LockGuard g(doc.DocumentLock());
    std::u16string text = WholeText(doc);
    ReplaceBreakingUnits(text, false);
    const int32_t cells = static_cast<int32_t>(text.size());
    const int32_t count = std::min(doc.SegmentCount(), doc.TimingCount());
    std::vector<TimedLine> lines;
    for (int32_t k = 0; k < count; ++k) {
        TimedSegment s;
        doc.GetTiming(k, &s.start, &s.end);
        const int32_t from = std::min(doc.SegmentStart(k), cells);
        int32_t to = std::min(doc.SegmentEnd(k), cells);
        if (to > from && text[static_cast<size_t>(to) - 1] == u'\r') --to;
        if (to > from) s.text.assign(text, static_cast<size_t>(from), static_cast<size_t>(to - from));
        if (lines.empty() || doc.SegmentBeginsLine(k)) lines.emplace_back();
        lines.back().segments.push_back(std::move(s));
    }
    return lines;
}

std::u16string FieldValue(const std::u16string& value) {
    std::u16string v = value;
    ReplaceBreakingUnits(v, true);
    return v;
}

}  // namespace mr::writer
