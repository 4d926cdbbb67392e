#pragma once
// The vocal onsets of a decoded song: from its PCM wave file, a short-time
// spectrum every 5 ms, restricted to the voice's band, each bin measured in
// dB above its own slowly moving floor (a low percentile of the bin over the
// surrounding three seconds, which a sustained accompaniment or a noise bed
// sets), and from that an onset strength per frame (the rise of the bins
// above their floor) and the candidate onsets a segment may start on.

#include <cstdint>
#include <string_view>
#include <vector>

namespace mr::suggest {

inline constexpr int32_t kFrameMs = 5;  // one analysis frame

enum class AnalysisStatus {
    kOk,
    kUnreadable,   // the file cannot be opened or read
    kNotPcm,       // not a canonical 8- or 16-bit PCM wave file of 1 or 2 channels
    kRateTooLow,   // below kMinAnalysisRate
    kSilent,       // no sample reaches kSilentPeak of full scale
    kTooLong,      // longer than kMaxAnalysisMs
    kOutOfMemory,
};

// A short English message for the status ("" for kOk).
const char* AnalysisStatusText(AnalysisStatus status);

inline constexpr uint32_t kMinAnalysisRate = 8000;  // Hz
// The longest song analysed: two hours (the analysis keeps about 200 bytes
// per 5 ms frame while it runs).
inline constexpr int64_t kMaxAnalysisMs = 2 * 3600 * 1000;
// Peak level below which a song counts as silent: about −60 dBFS.
inline constexpr double kSilentPeak = 1.0 / 1024;

struct Onset {
    int32_t ms;       // where the onset starts, in milliseconds from the start
    float strength;   // its rise, weighted by how quiet the voice's band was just before (> 0)
    int32_t quietMs;  // how long the band was quiet before it (up to kMaxQuietMs)
};

inline constexpr int32_t kMaxQuietMs = 2000;

struct OnsetTrack {
    int32_t frames = 0;          // analysis frames: frame f is centred on f × 5 ms
    int32_t durationMs = 0;      // the length of the song
    std::vector<float> flux;     // per frame: the summed rise (dB) of the band's bins
    std::vector<float> activity; // per frame: the summed dB above the floor of the band's bins
    std::vector<Onset> onsets;   // candidates in time order, at least 20 ms apart
};

// Reads the canonical 44-byte-header PCM wave file at `path` (the decoded
// file the decode graph writes: the wave source's header checks apply) once,
// sequentially, and fills *track. Both channels of a stereo file are mixed.
// *track is emptied first and filled only on kOk.
AnalysisStatus AnalyseWaveFile(std::u16string_view path, OnsetTrack* track);

// The same on mono samples in [−1, 1] at `rate` Hz (tests, benchmarks).
AnalysisStatus AnalyseSamples(const float* samples, size_t count, uint32_t rate, OnsetTrack* track);

}  // namespace mr::suggest
