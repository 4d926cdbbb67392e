#pragma once
// The 10-millisecond frame pattern of PCM audio whose sample rate is a
// multiple of 25 Hz: how many sample frames each 10 ms of a 40 ms block holds,
// so that times resolve to whole frames without drift. The wave source slices
// its samples with it and the waveform builder sizes its buckets with it.

#include <cstdint>

namespace mr {

inline constexpr int64_t kUnitsPerTick = 100000;   // 100-ns units in 10 ms
inline constexpr int64_t kUnitsPerBlock = 400000;  // 100-ns units in 40 ms

struct FramePattern {
    uint32_t rate = 0;         // samples per second
    uint32_t blockFrames = 0;  // frames in 40 ms: rate / 25
    uint32_t step[4] = {};     // frames in each 10 ms of a block; they add up to blockFrames
};

// The pattern of `rate` (a multiple of 25; 0 gives an empty pattern). Each
// step is rate / 100; the fourth has one more when the rate is not a multiple
// of 100, the second one more when it is a multiple of 50 but not of 100
// (22050 Hz: 220, 221, 220, 221; 11025 Hz: 110, 110, 110, 111), and for rates
// of remainder 75 modulo 100 the second and third have one more as well
// (22075 Hz: 220, 221, 221, 221), so that every block holds rate / 25 frames.
// In all cases the first n steps add up to floor(n × rate / 100).
constexpr FramePattern MakeFramePattern(uint32_t rate) {
    FramePattern p;
    p.rate = rate;
    p.blockFrames = rate / 25;
    const uint64_t r = rate;
    for (uint32_t n = 0; n < 4; ++n)
        p.step[n] = static_cast<uint32_t>((n + 1) * r / 100 - n * r / 100);
    return p;
}

// frames(t): the number of frames that lie before time t (100-ns units),
// with t resolved down to 10 ms: (t div 40 ms) × blockFrames plus the steps
// of the whole 10 ms inside the block. A negative t counts as 0; a result
// beyond 64 bits saturates.
constexpr uint64_t FramesAt(const FramePattern& p, int64_t t) {
    if (t <= 0) return 0;
    const uint64_t blocks = static_cast<uint64_t>(t / kUnitsPerBlock);
    const uint32_t ticks = static_cast<uint32_t>(t % kUnitsPerBlock / kUnitsPerTick);
    if (p.blockFrames != 0 && blocks > (UINT64_MAX - p.blockFrames) / p.blockFrames) return UINT64_MAX;
    uint64_t frames = blocks * p.blockFrames;
    for (uint32_t n = 0; n < ticks; ++n) frames += p.step[n];
    return frames;
}

// The length of `frames` frames at `rate` in 100-ns units, rounded up to a
// whole 10 ms: ceil(frames × 100 / rate) × 100000. 0 when the rate is 0.
// `frames` is below 2^40 (a 32-bit data length always is).
constexpr int64_t RoundedDuration(uint64_t frames, uint32_t rate) {
    if (rate == 0) return 0;
    const uint64_t ticks = (frames * 100 + rate - 1) / rate;
    return static_cast<int64_t>(ticks) * kUnitsPerTick;
}

}  // namespace mr
