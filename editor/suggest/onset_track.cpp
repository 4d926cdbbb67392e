#include "editor/suggest/onset_track.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "audio/source/wave_header.h"
#include "common/decoded_file_reader.h"
#include "common/file.h"
#include "editor/suggest/batch_fft.h"

namespace mr::suggest {
namespace {

// The band of the voice: below it hum and bass, above it cymbals; the upper
// edge still holds the fricatives a word may start with.
constexpr double kBandLowHz = 150;
constexpr double kBandHighHz = 8000;
// A bin's floor: this fraction of its levels over ±kFloorFrames lies below it.
constexpr double kFloorQuantile = 0.2;
constexpr int32_t kFloorFrames = 300;
// dB a bin must stand above its floor to count, and the absolute level (dB
// below a full-scale sine in one bin) under which nothing counts.
constexpr int kFloorMarginDb = 12;
constexpr int kAbsoluteFloorDb = -80;
// Levels are kept in 1 dB steps as bytes: 0 stands for kLevelOffsetDb below a
// full-scale sine.
constexpr int kLevelOffsetDb = 120;
// Candidate onsets: local maxima of the flux over ±kPeakFrames, at least
// kMinFlux high and at least kRelativeFlux of the strongest flux within
// ±kRelativeFrames.
constexpr int32_t kPeakFrames = 4;
constexpr float kMinFlux = 12.0f;
constexpr float kRelativeFlux = 0.03f;
constexpr int32_t kRelativeFrames = 200;
// The activity just after an onset (frames), and the fraction of it under
// which the band counts as quiet before the onset; a rest this long makes an
// onset count in full, a shorter one (a consonant inside a word) less.
constexpr int32_t kAfterFrames = 10;
constexpr float kQuietFraction = 0.1f;
constexpr float kQuietFloor = 2.0f;
// The activity a song's rests have: kRestPercentile of all frames, and the
// quiet level is at least kRestFactor times that (a noise bed leaves some
// bins above their floor now and then).
constexpr double kRestPercentile = 0.2;
constexpr float kRestFactor = 3.0f;
constexpr int32_t kFullRestMs = 120;
// How far back from a flux peak the start of its sound is looked for, the
// share of its rise by which a sound has started, and how much earlier than
// that frame it starts (the window's leading edge reaches it first).
constexpr int32_t kStartSearchFrames = 30;
constexpr float kStartRise = 0.05f;
constexpr int32_t kOnsetLeadMs = 0;
// A beat: a period of the flux between kMinBeatFrames and kMaxBeatFrames
// whose autocorrelation (normalised) reaches kBeatCorrelation; kBeatPeriods
// periods on either side make the reference a frame loses.
constexpr int32_t kMinBeatFrames = 40;   // 200 ms
constexpr int32_t kMaxBeatFrames = 240;  // 1.2 s
constexpr double kBeatCorrelation = 0.5;
constexpr int32_t kBeatPeriods = 4;
// Samples read per call.
constexpr uint32_t kReadBytes = 1u << 20;

// 10·log10(x) to within about 0.3 dB, from the float's exponent and a
// straight line through its mantissa.
inline float FastDb(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127;
    const float mantissa = static_cast<float>(bits & 0x7FFFFF) * (1.0f / 8388608.0f);
    // log2(1 + m) by a quadratic that is exact at 0 and 1 and within 0.01 between.
    const float log2 = static_cast<float>(exponent) + mantissa * (1.3465f - 0.3465f * mantissa);
    return 3.0103f * log2;
}

// A bin's running low percentile over a sliding window of byte levels.
struct FloorTracker {
    uint16_t histogram[256];
    int32_t pos;    // the percentile's level
    int32_t below;  // levels in the window below pos
    int32_t count;

    void Reset() {
        std::memset(histogram, 0, sizeof histogram);
        pos = 0;
        below = 0;
        count = 0;
    }
    void Add(uint8_t v) {
        ++histogram[v];
        ++count;
        if (v < pos) ++below;
    }
    void Remove(uint8_t v) {
        --histogram[v];
        --count;
        if (v < pos) --below;
    }
    int32_t Level() {
        const int32_t target = static_cast<int32_t>(kFloorQuantile * count);
        while (pos > 0 && below > target) {
            --pos;
            below -= histogram[pos];
        }
        while (pos < 255 && below + histogram[pos] <= target) {
            below += histogram[pos];
            ++pos;
        }
        return pos;
    }
};

class Analyser {
public:
    AnalysisStatus Start(uint32_t rate, uint64_t totalSamples) {
        if (rate < kMinAnalysisRate) return AnalysisStatus::kRateTooLow;
        rate_ = rate;
        total_ = totalSamples;
        // The longest power of two within 32 ms: 23 ms at 44.1 and 48 kHz.
        uint32_t len = 64;
        while (len < 2048 && static_cast<uint64_t>(len) * 2 * 1000 <= uint64_t{rate} * 32) len *= 2;
        const uint32_t lo = std::max<uint32_t>(1, static_cast<uint32_t>(std::ceil(kBandLowHz * len / rate)));
        const uint32_t hi = std::min<uint32_t>(len / 2, static_cast<uint32_t>(kBandHighHz * len / rate));
        if (!spectrum_.Init(len, lo, std::max(hi, lo + 1))) return AnalysisStatus::kOutOfMemory;
        const uint64_t frames = (totalSamples * 200 + rate - 1) / rate;
        if (frames > static_cast<uint64_t>(kMaxAnalysisMs / kFrameMs)) return AnalysisStatus::kTooLong;
        frames_ = std::max<int32_t>(1, static_cast<int32_t>(frames));
        bins_ = spectrum_.Bins();
        try {
            window_.resize(len);
            for (uint32_t n = 0; n < len; ++n) window_[n] = 0.5 - 0.5 * std::cos(6.283185307179586 * (n + 0.5) / len);
            rows_.resize(size_t{spectrum_.FramesPerBatch()} * len);
            power_.resize(size_t{spectrum_.FramesPerBatch()} * bins_);
            levels_.resize(size_t(frames_) * bins_);
        } catch (const std::bad_alloc&) {
            return AnalysisStatus::kOutOfMemory;
        }
        // A full-scale sine has |X| = L/4 in its bin under the Hann window.
        const double ref = len / 4.0;
        refDb_ = static_cast<float>(10.0 * std::log10(ref * ref));
        return AnalysisStatus::kOk;
    }

    // Appends mono samples and analyses every batch of frames they complete.
    bool Push(const double* x, size_t n) {
        try {
            buffer_.insert(buffer_.end(), x, x + n);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (size_t i = 0; i < n; ++i) peak_ = std::max(peak_, std::fabs(x[i]));
        received_ += n;
        Process(false);
        return true;
    }

    AnalysisStatus Finish(OnsetTrack* track) {
        Process(true);
        if (peak_ < kSilentPeak) return AnalysisStatus::kSilent;
        try {
            Measure(track);
            RemoveBeat(track);
            PickOnsets(track);
        } catch (const std::bad_alloc&) {
            return AnalysisStatus::kOutOfMemory;
        }
        return AnalysisStatus::kOk;
    }

private:
    uint64_t Centre(int64_t f) const { return static_cast<uint64_t>(f) * rate_ / 200; }

    void Process(bool final) {
        const uint32_t batch = spectrum_.FramesPerBatch(), len = spectrum_.Length();
        while (next_ < frames_) {
            const uint64_t lastEnd = Centre(next_ + batch - 1) + len / 2;
            if (!final && lastEnd > received_) return;
            for (uint32_t b = 0; b < batch; ++b) {
                double* row = &rows_[size_t{b} * len];
                const int64_t first = static_cast<int64_t>(Centre(next_ + b)) - len / 2;
                for (uint32_t n = 0; n < len; ++n) {
                    const int64_t idx = first + n;
                    row[n] = idx < static_cast<int64_t>(bufferStart_) || idx >= static_cast<int64_t>(received_)
                                 ? 0.0
                                 : buffer_[static_cast<size_t>(idx - bufferStart_)] * window_[n];
                }
            }
            spectrum_.Power(rows_.data(), power_.data());
            for (uint32_t b = 0; b < batch && next_ + static_cast<int32_t>(b) < frames_; ++b) {
                uint8_t* out = &levels_[size_t(next_ + b) * bins_];
                const float* p = &power_[size_t{b} * bins_];
                for (uint32_t k = 0; k < bins_; ++k) {
                    const float db = p[k] > 1e-30f ? FastDb(p[k]) - refDb_ + kLevelOffsetDb : 0.0f;
                    out[k] = static_cast<uint8_t>(std::clamp(db + 0.5f, 0.0f, 255.0f));
                }
            }
            next_ += static_cast<int32_t>(batch);
            // Samples no later frame's window reaches are dropped.
            const int64_t keep = static_cast<int64_t>(Centre(next_)) - len / 2;
            if (keep > static_cast<int64_t>(bufferStart_)) {
                const size_t drop = std::min(buffer_.size(), static_cast<size_t>(keep - bufferStart_));
                buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(drop));
                bufferStart_ += drop;
            }
        }
    }

    // Floors, then per frame the activity and the flux.
    void Measure(OnsetTrack* track) {
        track->frames = frames_;
        track->durationMs = static_cast<int32_t>(std::min<uint64_t>(total_ * 1000 / rate_, INT32_MAX));
        track->flux.assign(size_t(frames_), 0.0f);
        track->activity.assign(size_t(frames_), 0.0f);
        std::vector<FloorTracker> floors(bins_);
        for (FloorTracker& t : floors) t.Reset();
        // Three rows of excess levels: frames f, f − 1, f − 2.
        std::vector<float> excess(size_t{3} * bins_, 0.0f);
        const int absolute = kAbsoluteFloorDb + kLevelOffsetDb;
        for (int32_t f = 0; f < std::min(frames_, kFloorFrames); ++f)
            for (uint32_t k = 0; k < bins_; ++k) floors[k].Add(levels_[size_t(f) * bins_ + k]);
        for (int32_t f = 0; f < frames_; ++f) {
            const int32_t enter = f + kFloorFrames, leave = f - kFloorFrames - 1;
            const uint8_t* row = &levels_[size_t(f) * bins_];
            float* e = &excess[size_t(f % 3) * bins_];
            const float* e2 = &excess[size_t((f + 1) % 3) * bins_];  // frame f − 2
            float activity = 0, flux = 0;
            for (uint32_t k = 0; k < bins_; ++k) {
                FloorTracker& t = floors[k];
                if (enter < frames_) t.Add(levels_[size_t(enter) * bins_ + k]);
                if (leave >= 0) t.Remove(levels_[size_t(leave) * bins_ + k]);
                const int threshold = std::max(t.Level() + kFloorMarginDb, absolute);
                const float v = static_cast<float>(std::max(0, row[k] - threshold));
                e[k] = v;
                activity += v;
                if (f >= 2 && v > e2[k]) flux += v - e2[k];
            }
            track->activity[size_t(f)] = activity;
            track->flux[size_t(f)] = flux;
        }
    }

    // A steady beat under the voice (drums, a click) repeats its flux and
    // activity every period; where the flux has such a period, each frame
    // loses the median of the frames whole periods before and after it, so
    // that what the beat adds is gone and the voice's rests are quiet again.
    void RemoveBeat(OnsetTrack* track) {
        const std::vector<float>& flux = track->flux;
        double energy = 0;
        for (float v : flux) energy += double{v} * v;
        if (energy <= 0 || frames_ < 8 * kMaxBeatFrames) return;
        int32_t period = 0;
        double best = 0;
        for (int32_t p = kMinBeatFrames; p <= kMaxBeatFrames; ++p) {
            double r = 0;
            for (int32_t f = 0; f + p < frames_; ++f) r += double{flux[size_t(f)]} * flux[size_t(f + p)];
            r /= energy;
            if (r > best) {
                best = r;
                period = p;
            }
        }
        if (best < kBeatCorrelation) return;
        for (std::vector<float>* series : {&track->flux, &track->activity}) {
            const std::vector<float> x = *series;
            float near[2 * kBeatPeriods];
            for (int32_t f = 0; f < frames_; ++f) {
                int n = 0;
                for (int32_t k = 1; k <= kBeatPeriods; ++k) {
                    if (f - k * period >= 0) near[n++] = x[size_t(f - k * period)];
                    if (f + k * period < frames_) near[n++] = x[size_t(f + k * period)];
                }
                std::nth_element(near, near + n / 2, near + n);
                (*series)[size_t(f)] = std::max(0.0f, x[size_t(f)] - near[n / 2]);
            }
        }
    }

    float MeanActivity(const OnsetTrack& t, int32_t from, int32_t to) const {
        from = std::max(from, 0);
        to = std::min(to, frames_);
        if (to <= from) return 0.0f;
        float s = 0;
        for (int32_t f = from; f < to; ++f) s += t.activity[size_t(f)];
        return s / static_cast<float>(to - from);
    }

    void PickOnsets(OnsetTrack* track) {
        const std::vector<float>& flux = track->flux;
        std::vector<float> sorted = track->activity;
        const size_t rank = static_cast<size_t>(kRestPercentile * static_cast<double>(sorted.size()));
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<ptrdiff_t>(rank), sorted.end());
        const float restLevel = std::max(kQuietFloor, kRestFactor * sorted[rank]);
        // The strongest flux within ±kRelativeFrames, by a sliding maximum in
        // blocks of that width.
        const int32_t block = kRelativeFrames;
        const int32_t blocks = (frames_ + block - 1) / block;
        std::vector<float> blockMax(size_t(blocks), 0.0f);
        for (int32_t f = 0; f < frames_; ++f)
            blockMax[size_t(f / block)] = std::max(blockMax[size_t(f / block)], flux[size_t(f)]);
        for (int32_t f = 2; f < frames_; ++f) {
            const float v = flux[size_t(f)];
            if (v < kMinFlux) continue;
            bool peak = true;
            for (int32_t g = std::max(0, f - kPeakFrames); g <= std::min(frames_ - 1, f + kPeakFrames) && peak; ++g) {
                if (g < f && flux[size_t(g)] >= v) peak = false;
                if (g > f && flux[size_t(g)] > v) peak = false;
            }
            if (!peak) continue;
            const int32_t b = f / block;
            float near = blockMax[size_t(b)];
            if (b > 0) near = std::max(near, blockMax[size_t(b - 1)]);
            if (b + 1 < blocks) near = std::max(near, blockMax[size_t(b + 1)]);
            if (v < kRelativeFlux * near) continue;
            const std::vector<float>& act = track->activity;
            const float after = MeanActivity(*track, f, f + kAfterFrames);
            const float quietLevel = std::max(restLevel, kQuietFraction * after);
            // The sound's start: the lowest frame within reach before the
            // peak, then forward to where the activity has risen by
            // kStartRise of the way to the level after the peak.
            int32_t valley = f;
            for (int32_t g = f - 1; g >= std::max(0, f - kStartSearchFrames); --g)
                if (act[size_t(g)] < act[size_t(valley)]) valley = g;
            // A frame of the bed above that level is not the start yet: the
            // level is at least the rests' and must hold for two frames.
            const float rising = std::max(restLevel, act[size_t(valley)] + kStartRise * std::max(0.0f, after - act[size_t(valley)]));
            int32_t start = valley;
            while (start < f && (act[size_t(start)] < rising || act[size_t(start + 1)] < rising)) ++start;
            // The rest before it, up to two loud frames in a row (a single
            // one is the bed's, not the voice's).
            int32_t g = start - 1;
            while (g >= 0 && (start - 1 - g) * kFrameMs < kMaxQuietMs &&
                   (act[size_t(g)] < quietLevel || (g > 0 && act[size_t(g - 1)] < quietLevel)))
                --g;
            // Quiet from the very start of the song counts as the longest rest.
            const int32_t quietMs = g < 0 ? kMaxQuietMs : std::min(kMaxQuietMs, (start - 1 - g) * kFrameMs);
            const float rest = std::min(1.0f, static_cast<float>(quietMs) / kFullRestMs);
            const float before = MeanActivity(*track, start - 12, start - 2);
            const float rise = std::max(0.0f, MeanActivity(*track, start, start + 12) - before);
            Onset o;
            o.ms = std::max(0, start * kFrameMs - kOnsetLeadMs);
            o.strength = (rise + 1.0f) * (0.3f + 0.7f * rest);
            o.quietMs = quietMs;
            // Peaks of one rise share its start, or find a later one when
            // the rest before them reaches back past the earlier start: the
            // earlier start stands for both, with the stronger rise and the
            // longer rest.
            if (!track->onsets.empty()) {
                Onset& prev = track->onsets.back();
                const int32_t apart = o.ms - prev.ms;
                if (apart < kPeakFrames * kFrameMs ||
                    (apart < kStartSearchFrames * kFrameMs && o.ms - quietMs <= prev.ms)) {
                    prev.strength = std::max(prev.strength, o.strength);
                    prev.quietMs = std::max(prev.quietMs, o.quietMs);
                    continue;
                }
            }
            track->onsets.push_back(o);
        }
    }

    uint32_t rate_ = 0;
    uint64_t total_ = 0, received_ = 0, bufferStart_ = 0;
    int32_t frames_ = 0, next_ = 0;
    uint32_t bins_ = 0;
    float refDb_ = 0;
    double peak_ = 0;
    BatchSpectrum spectrum_;
    std::vector<double> window_, rows_, buffer_;
    std::vector<float> power_;
    std::vector<uint8_t> levels_;
};


}  // namespace

const char* AnalysisStatusText(AnalysisStatus status) {
    switch (status) {
        case AnalysisStatus::kOk: return "";
        case AnalysisStatus::kUnreadable: return "the wave file cannot be read";
        case AnalysisStatus::kNotPcm: return "not a PCM wave file (8 or 16 bits, 1 or 2 channels)";
        case AnalysisStatus::kRateTooLow: return "the sample rate is below 8000 Hz";
        case AnalysisStatus::kSilent: return "the song is silent";
        case AnalysisStatus::kTooLong: return "the song is longer than two hours";
        case AnalysisStatus::kOutOfMemory: return "out of memory";
    }
    return "unknown failure";
}

AnalysisStatus AnalyseSamples(const float* samples, size_t count, uint32_t rate, OnsetTrack* track) {
    *track = OnsetTrack();
    if (count == 0) return AnalysisStatus::kSilent;
    try {
        Analyser a;
        AnalysisStatus s = a.Start(rate, count);
        if (s != AnalysisStatus::kOk) return s;
        std::vector<double> chunk;
        for (size_t i = 0; i < count; i += 65536) {
            const size_t n = std::min<size_t>(65536, count - i);
            chunk.assign(samples + i, samples + i + n);
            if (!a.Push(chunk.data(), n)) return AnalysisStatus::kOutOfMemory;
        }
        OnsetTrack result;
        s = a.Finish(&result);
        if (s == AnalysisStatus::kOk) *track = std::move(result);
        return s;
    } catch (const std::bad_alloc&) {
        return AnalysisStatus::kOutOfMemory;
    }
}

AnalysisStatus AnalyseWaveFile(std::u16string_view path, OnsetTrack* track) {
    *track = OnsetTrack();
    fs::DecodedFileReader file(path);
    if (!file.IsOpen()) return AnalysisStatus::kUnreadable;
    uint64_t size = 0;
    if (!fs::Size(file.Get(), &size)) return AnalysisStatus::kUnreadable;
    uint8_t header[wavesource::kWaveHeaderBytes];
    if (size < sizeof header) return AnalysisStatus::kNotPcm;
    if (!file.ReadAll(header, sizeof header)) return AnalysisStatus::kUnreadable;
    wavesource::WaveFormat format;
    if (!wavesource::ReadWaveHeader(header, size, &format)) return AnalysisStatus::kNotPcm;
    try {
        Analyser a;
        AnalysisStatus s = a.Start(format.samplesPerSec, format.frames);
        if (s != AnalysisStatus::kOk) return s;
        const uint32_t block = format.blockAlign;
        const uint32_t chunkBytes = kReadBytes / block * block;
        std::vector<uint8_t> bytes(chunkBytes);
        std::vector<double> mono(chunkBytes / block);
        uint64_t left = uint64_t{format.frames} * block;
        while (left > 0) {
            const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, chunkBytes));
            if (!file.ReadAll(bytes.data(), n)) return AnalysisStatus::kUnreadable;
            left -= n;
            const uint32_t frames = n / block;
            const uint8_t* p = bytes.data();
            if (format.bitsPerSample == 16) {
                for (uint32_t i = 0; i < frames; ++i, p += block) {
                    double v = static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
                    if (format.channels == 2) v = 0.5 * (v + static_cast<int16_t>(static_cast<uint16_t>(p[2] | p[3] << 8)));
                    mono[i] = v * (1.0 / 32768);
                }
            } else {
                for (uint32_t i = 0; i < frames; ++i, p += block) {
                    double v = p[0] - 128.0;
                    if (format.channels == 2) v = 0.5 * (v + (p[1] - 128.0));
                    mono[i] = v * (1.0 / 128);
                }
            }
            if (!a.Push(mono.data(), frames)) return AnalysisStatus::kOutOfMemory;
        }
        OnsetTrack result;
        s = a.Finish(&result);
        if (s == AnalysisStatus::kOk) *track = std::move(result);
        return s;
    } catch (const std::bad_alloc&) {
        return AnalysisStatus::kOutOfMemory;
    }
}

}  // namespace mr::suggest
