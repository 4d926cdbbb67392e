#pragma once
// Places a lyrics document's segments, in order, on the candidate onsets of
// a song. Segments whose time the user has set stay where they are and cut
// the problem into independent stretches; within a stretch a dynamic
// programme picks one onset per segment (strong onsets after a quieter
// moment score high; a rest longer than a line's usual pauses costs, more
// within a line than at a line break). Segments left without an onset (fewer
// onsets than segments) are spread evenly over the gap they fall in, so every
// segment gets a start and the starts never run backwards.

#include <cstdint>

#include "editor/suggest/onset_track.h"

namespace mr::suggest {

struct SegmentSlot {
    bool beginsLine = false;  // the segment is the first of its line
    int32_t fixedMs = -1;     // the start the user set (ms), or −1 to suggest one
    int32_t fixedEndMs = -1;  // with fixedMs: where that entry ends (−1: at its start)
};

struct SuggestedTime {
    int32_t startMs = 0;
    int32_t endMs = 0;     // where the voice falls quiet, at the latest the next start
    bool onOnset = false;  // false for fixed segments and for those spread over a gap
};

// The shortest distance between two suggested starts.
inline constexpr int32_t kMinStartGapMs = 80;
// The shortest suggested entry.
inline constexpr int32_t kMinEntryMs = 40;

// Fills out[0 … count − 1]: fixed segments as they are, the others with a
// suggestion no earlier than fromMs, nor than the end of a fixed segment
// before them, and before the next fixed start. Starts are non-decreasing;
// those on onsets are at least kMinStartGapMs apart, those spread over a gap
// share it evenly. Each suggested entry ends where the voice falls quiet, at
// the latest at the next start, and lasts at least kMinEntryMs where the room
// allows. False only when memory runs out (out is then unspecified).
bool AlignSegments(const OnsetTrack& track, const SegmentSlot* segments, int32_t count, int32_t fromMs,
                   SuggestedTime* out);

}  // namespace mr::suggest
