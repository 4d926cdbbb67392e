#include "editor/suggest/suggest_document.h"

#include <algorithm>
#include <new>
#include <vector>

#include "common/lock.h"
#include "editor/suggest/alignment.h"

namespace mr::suggest {
namespace {

constexpr int32_t kMsPerTick = 10;

int32_t MsToTicks(int64_t ms) {
    return static_cast<int32_t>(std::clamp<int64_t>((ms + kMsPerTick / 2) / kMsPerTick, 0, kLastTick));
}

}  // namespace

const char* SuggestStatusText(SuggestStatus status, const SuggestReport& report) {
    switch (status) {
        case SuggestStatus::kSuggested: return "";
        case SuggestStatus::kNothingToTime: return "every segment of the lyrics is timed already";
        case SuggestStatus::kAnalysisFailed: return AnalysisStatusText(report.analysis);
        case SuggestStatus::kNotStored: return "the document could not take the suggested times";
        case SuggestStatus::kOutOfMemory: return "out of memory";
    }
    return "unknown failure";
}

SuggestStatus SuggestTiming(SyncDocument& doc, std::u16string_view wavePath, int64_t fromTicks,
                            SuggestReport* report) {
    *report = SuggestReport();
    OnsetTrack track;
    report->analysis = AnalyseWaveFile(wavePath, &track);
    if (report->analysis != AnalysisStatus::kOk) return SuggestStatus::kAnalysisFailed;
    return SuggestTimingFromTrack(doc, track, fromTicks, report);
}

SuggestStatus SuggestTimingFromTrack(SyncDocument& doc, const OnsetTrack& track, int64_t fromTicks,
                                     SuggestReport* report) {
    report->suggested = report->onOnsets = 0;
    LockGuard guard(doc.DocumentLock());
    const int32_t segments = doc.SegmentCount();
    const int32_t timed = doc.TimingCount();
    if (segments == 0 || timed >= segments) return SuggestStatus::kNothingToTime;
    try {
        // The timed segments are fixed; the untimed ones follow them.
        std::vector<SegmentSlot> slots(static_cast<size_t>(segments));
        for (int32_t i = 0; i < segments; ++i) {
            SegmentSlot& s = slots[static_cast<size_t>(i)];
            s.beginsLine = doc.SegmentBeginsLine(i);
            if (i < timed) {
                int32_t start = 0, end = 0;
                doc.GetTiming(i, &start, &end);
                s.fixedMs = static_cast<int32_t>(std::min<int64_t>(int64_t{start} * kMsPerTick, INT32_MAX));
                s.fixedEndMs = static_cast<int32_t>(std::min<int64_t>(int64_t{end} * kMsPerTick, INT32_MAX));
            }
        }
        const int64_t fromMs = std::clamp<int64_t>(fromTicks, 0, INT32_MAX / kMsPerTick) * kMsPerTick;
        std::vector<SuggestedTime> out(slots.size());
        if (!AlignSegments(track, slots.data(), segments, static_cast<int32_t>(fromMs), out.data()))
            return SuggestStatus::kOutOfMemory;

        // Ticks, each entry at least kMinEntryTicks long and starting where
        // the one before ends at the earliest.
        int32_t previousEnd = 0;
        if (timed > 0) {
            int32_t start = 0;
            doc.GetTiming(timed - 1, &start, &previousEnd);
        }
        std::vector<TimingEntry> entries;
        entries.reserve(static_cast<size_t>(segments - timed));
        for (int32_t i = timed; i < segments; ++i) {
            const SuggestedTime& t = out[static_cast<size_t>(i)];
            const int32_t start = std::min(std::max(MsToTicks(t.startMs), previousEnd), kLastTick - kMinEntryTicks);
            const int32_t end = std::min(std::max(MsToTicks(t.endMs), start + kMinEntryTicks), kLastTick);
            entries.push_back({start, end});
            previousEnd = end;
            if (t.onOnset) ++report->onOnsets;
        }
        if (!doc.AppendTimings(entries.data(), static_cast<int32_t>(entries.size()))) {
            report->onOnsets = 0;
            return SuggestStatus::kNotStored;
        }
        report->suggested = static_cast<int32_t>(entries.size());
    } catch (const std::bad_alloc&) {
        report->onOnsets = 0;
        return SuggestStatus::kOutOfMemory;
    }
    return SuggestStatus::kSuggested;
}

}  // namespace mr::suggest
