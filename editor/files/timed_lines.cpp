#include "editor/files/timed_lines.h"

#include <algorithm>
#include <new>

#include "common/text.h"

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

void AppendNumber(std::u16string& out, int64_t v, int width) {
    char16_t digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v > 0);
    for (; n < width; ++n) digits[n] = u'0';
    while (n > 0) out += digits[--n];
}

SaveStatus BuildUtf8(SyncDocument& doc, const SaveFields& fields, TextBuilder build, std::vector<uint8_t>* bytes) {
    try {
        std::u16string text;
        const SaveStatus built = build(doc, fields, text);
        if (built != SaveStatus::kSaved) return built;
        const size_t need = Utf16ToUtf8(text.data(), text.size(), nullptr, 0);
        if (need > 0xFFFFFFFFu) return SaveStatus::kTooLarge;
        bytes->resize(need);
        Utf16ToUtf8(text.data(), text.size(), reinterpret_cast<char*>(bytes->data()), need);
        return SaveStatus::kSaved;
    } catch (const std::bad_alloc&) {
        return SaveStatus::kOutOfMemory;
    }
}

}  // namespace mr::writer
