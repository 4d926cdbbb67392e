#include "editor/timeline/preview_tables.h"

#include <algorithm>

#include "editor/store/sync_document.h"

namespace mr {

namespace {

constexpr size_t kFirstBuffer = 256;
// A line never holds more cells than the text does.
constexpr size_t kLongestLine = static_cast<size_t>(SyncText::kCapacity) + 1;

}  // namespace

PreviewTables::PreviewTables() {
    buffer_.resize(kFirstBuffer);
    syncs_.reserve(64);
    times_.reserve(64);
}

std::u16string_view PreviewTables::LineText(uint32_t line) const {
    if (line >= lineCount_) return {};
    return std::u16string_view(texts_[line].data(), texts_[line].size());
}

bool PreviewTables::ReadLine(SyncDocument& doc, int32_t segment, int slot, int32_t* first) {
    int32_t segmentStart = 0;
    int32_t length = -1;
    for (;;) {
        length =
            doc.GetLineOfSegment(segment, buffer_.data(), static_cast<int32_t>(buffer_.size()), &segmentStart, nullptr);
        if (length >= 0 || buffer_.size() >= kLongestLine) break;
        buffer_.resize(std::min(buffer_.size() * 2, kLongestLine));
    }
    if (length < 0) return false;
    const int32_t lineStart = doc.SegmentStart(segment) - segmentStart;
    cells_.resize(static_cast<size_t>(length));
    if (length > 0 && doc.GetCells(lineStart, length, cells_.data()) != length) return false;

    std::vector<char16_t>& text = texts_[slot];
    text.assign(buffer_.begin(), buffer_.begin() + length);
    lines_[slot] = LyricsLine{static_cast<uint32_t>(slot), static_cast<uint32_t>(syncs_.size())};
    syncs_.push_back(LineStartMarker(static_cast<uint32_t>(slot)));
    // Segment `segment` starts at segmentStart: the flags up to there are
    // the segments of this line before it.
    int32_t before = 0;
    for (int32_t i = 1; i < length; ++i) {
        if (!cells_[static_cast<size_t>(i)].flag) continue;
        syncs_.push_back(static_cast<SyncPoint>(i));
        if (i <= segmentStart) ++before;
    }
    *first = segment - before;
    return true;
}

SyncTables PreviewTables::Build(SyncDocument& doc, int32_t ticks) {
    syncs_.clear();
    times_.clear();
    lineCount_ = 0;
    firstSegment_ = -1;
    SyncTables t;
    const int32_t segments = doc.SegmentCount();
    const int32_t entries = doc.TimingCount();
    if (segments <= 0 || entries <= 0) return t;

    // The last entry starting at or before the position.
    int32_t index = -1;
    if (!doc.FindTiming(ticks, &index)) index = index < 0 ? entries - 1 : index - 1;
    index = std::clamp(index, 0, std::min(segments, entries) - 1);

    int32_t first = 0;
    if (!ReadLine(doc, index, 0, &first)) return t;
    lineCount_ = 1;
    firstSegment_ = first;
    const int32_t next = first + static_cast<int32_t>(syncs_.size());
    int32_t ignored = 0;
    if (next < segments && ReadLine(doc, next, 1, &ignored)) lineCount_ = 2;

    // Entry i times document segment i; the local sync k is segment first + k.
    const int32_t timed = std::clamp(entries - first, 0, static_cast<int32_t>(syncs_.size()));
    for (int32_t k = 0; k < timed; ++k) {
        int32_t start = 0, end = 0;
        doc.GetTiming(first + k, &start, &end);
        times_.push_back(SyncTime{start, end});
    }
    t.syncs = syncs_.data();
    t.syncCount = static_cast<uint32_t>(syncs_.size());
    t.times = times_.data();
    t.timeCount = static_cast<uint32_t>(times_.size());
    t.lines = lines_;
    t.lineCount = lineCount_;
    t.texts = this;
    return t;
}

}  // namespace mr
