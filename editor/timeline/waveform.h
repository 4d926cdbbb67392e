#pragma once
// The waveform of the decoded song: one (maximum, minimum) pair of signed
// bytes per 10 ms tick, which the timeline draws one pixel column each. The
// number of pairs is the media's duration in ticks, the length of the
// timeline.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mr {

// The peak pairs of one build, in a buffer of their own reserved from the
// address space (several MB for a long song) and replaced at each build.
class WaveformPeaks {
public:
    WaveformPeaks() = default;
    ~WaveformPeaks() { Clear(); }
    WaveformPeaks(const WaveformPeaks&) = delete;
    WaveformPeaks& operator=(const WaveformPeaks&) = delete;

    // Duration in ticks (10 ms) = number of pairs; 0 before the first build
    // and after a failed one.
    int32_t Duration() const { return duration_; }
    // 2 × Duration() bytes: pair i covers [i × 10 ms, (i + 1) × 10 ms);
    // byte 2i is the bucket's maximum (0 … 63), byte 2i + 1 its minimum
    // (−64 … 0). Null when the duration is 0.
    const int8_t* Pairs() const { return pairs_; }
    // Frees the buffer; duration 0.
    void Clear();

private:
    friend bool BuildWaveform(std::u16string_view path, WaveformPeaks* peaks);
    int8_t* pairs_ = nullptr;
    size_t reserved_ = 0;
    int32_t duration_ = 0;
};

// Reads the canonical 44-byte-header PCM wave file at `path` (the decoded
// file the wave sink writes) once, sequentially, and replaces *peaks with
// its waveform. Buckets follow the 10 ms frame pattern of the sample rate
// (common/frame_pattern.h), the same slicing the wave source plays by. Only
// the first channel counts: 16-bit samples are divided by 512, 8-bit ones
// (128 = silence) offset by −128 and divided by 2, rounding toward zero;
// other sample sizes or channel counts give (0, 0) pairs. Whole frames only:
// trailing bytes short of a frame are ignored.
//
// Header fields read: channels (byte 22), rate (24), block alignment (32),
// bits per sample (34); the data is everything after byte 44. A file of
// exactly 44 bytes gives duration 0 and succeeds.
//
// False, with *peaks cleared (duration 0, no buffer), when the file cannot
// be opened or read, is shorter than 44 bytes, has a rate below 25 Hz (no
// whole frame per 40 ms), a block alignment of 0 or smaller than channels ×
// bits / 8, a duration beyond the timeline's range, or when memory runs out.
bool BuildWaveform(std::u16string_view path, WaveformPeaks* peaks);

}  // namespace mr
