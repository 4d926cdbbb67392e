#pragma once
// The media position the render timer reports for a sample, in 100-ns media
// time.

#include <cstdint>

namespace mr::audio {

// `segmentStart` is the start of the segment the sample belongs to (where the
// graph was seeked to); `sampleTime` the sample's stream time (its end when it
// is rendered, its start for the first sample while paused). In slowed
// playback the stream runs twice as long as the media, so the stream time is
// halved (truncated towards zero). Saturates instead of overflowing.
int64_t ReportedPosition(int64_t segmentStart, int64_t sampleTime, bool slowDown);

}  // namespace mr::audio
