#pragma once
// Timing suggestions for the editor's document: the song's onsets, the
// document's untimed segments from a position to the end placed on them, and
// the result appended to the timing entries as one history record (one Undo
// takes all of it back). The editor's command and mrlyrics suggest both call
// this.

#include <cstdint>
#include <string_view>

#include "editor/store/sync_document.h"
#include "editor/suggest/onset_track.h"

namespace mr::suggest {

enum class SuggestStatus {
    kSuggested,       // entries were appended
    kNothingToTime,   // the text has no segment, or every segment is timed already
    kAnalysisFailed,  // the wave file could not be analysed (see SuggestReport::analysis)
    kNotStored,       // the document refused the entries (no history record, no room)
    kOutOfMemory,
};

struct SuggestReport {
    AnalysisStatus analysis = AnalysisStatus::kOk;
    int32_t suggested = 0;  // entries appended
    int32_t onOnsets = 0;   // of those, the ones placed on an onset (the rest share gaps)
};

// A short English message for the outcome, naming the analysis failure.
const char* SuggestStatusText(SuggestStatus status, const SuggestReport& report);

// Analyses the decoded song at wavePath (a canonical PCM wave file), then,
// under the document lock, times every untimed segment (those after the last
// timing entry) with starts no earlier than fromTicks (10 ms ticks) nor than
// the last entry's end, as one record. The analysis runs before the lock is
// taken. The entries already there stay as they are.
SuggestStatus SuggestTiming(SyncDocument& doc, std::u16string_view wavePath, int64_t fromTicks,
                            SuggestReport* report);

// The same with a track already analysed (tests, benchmarks).
SuggestStatus SuggestTimingFromTrack(SyncDocument& doc, const OnsetTrack& track, int64_t fromTicks,
                                     SuggestReport* report);

}  // namespace mr::suggest
