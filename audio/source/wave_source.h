#pragma once
// The streaming core of the wave source filter: loads a decoded PCM wave
// file through a read-only mapping, and cuts a segment of it into 40 ms
// samples, either as stored (with silence up to the duration rounded up to
// 10 ms) or stretched to twice its length by the phase vocoder. The filter
// around it adds the DirectShow plumbing; everything here is portable.
//
// Times are 100-ns units; sample times are relative to the segment start.

#include <cstdint>
#include <string_view>

#include "audio/source/frame_source.h"
#include "audio/source/phase_vocoder.h"
#include "audio/source/wave_header.h"
#include "common/file_mapping.h"
#include "common/frame_pattern.h"

namespace mr::wavesource {

enum class LoadStatus {
    Ok,
    AlreadyLoaded,  // a file was loaded before
    Unreadable,     // cannot be opened, sized (or is below 44 bytes) or mapped
    InvalidFormat,  // the header is not one the source plays
    OutOfMemory,    // the vocoder's work areas
};

enum class FillStatus { Sample, EndOfStream, Failed };

struct SampleInfo {
    int64_t start = 0;           // 100-ns, relative to the segment start
    int64_t end = 0;             // 100-ns, relative to the segment start
    uint32_t bytes = 0;          // valid bytes written
    bool discontinuity = false;  // the first sample after Start
};

class WaveSource {
public:
    static constexpr int64_t kSampleUnits = kUnitsPerBlock;  // one sample: 40 ms

    WaveSource() = default;
    WaveSource(const WaveSource&) = delete;
    WaveSource& operator=(const WaveSource&) = delete;

    // Maps the file at `path`, checks its header and allocates the vocoder's
    // work areas. On success the format, frame pattern and duration are set;
    // on failure nothing changes.
    LoadStatus Load(std::u16string_view path, Fft4096::Isa isa = Fft4096::Isa::Best);
    bool IsLoaded() const { return loaded_; }

    const WaveFormat& Format() const { return format_; }
    const FramePattern& Pattern() const { return pattern_; }
    // The data's length in 100-ns units, rounded up to a multiple of 10 ms.
    int64_t Duration() const { return duration_; }
    // Bytes of one full sample: 40 ms of frames × block alignment.
    uint32_t SampleBytes() const { return pattern_.blockFrames * format_.blockAlign; }

    // Slow Down on or off; takes effect at the next Start.
    void SetSlowDown(bool on) { slowDown_ = on; }
    // Whether the running segment is stretched (decided at Start).
    bool Stretching() const { return stretching_; }

    // Starts a segment from `start` to `stop` (absolute 100-ns positions,
    // clamped to 0 .. Duration(), stop not before start). The first sample
    // is marked as a discontinuity. In Slow Down mode this primes the
    // vocoder, which reads the file: false when that fails (the next Fill
    // then fails as well).
    bool Start(int64_t start, int64_t stop);
    // Moves the stop of the running segment to `stop` (clamped to start ..
    // Duration()) without starting it again: what was delivered stays, and
    // the stream goes on to the new stop, or ends at the next Fill when it
    // is already past it. False, changing nothing, when no segment runs or
    // it has already ended (Fill answered EndOfStream or Failed).
    bool ContinueTo(int64_t stop);
    // Whether the running segment has ended (Fill answered EndOfStream).
    bool Ended() const { return ended_; }
    int64_t SegmentStart() const { return start_; }
    int64_t SegmentStop() const { return stop_; }
    // 100-ns length of the delivered stream: stop − start, twice that in
    // Slow Down mode.
    int64_t SegmentLength() const { return segmentLength_; }

    // Writes the next sample into `out` (capacity bytes, at least
    // SampleBytes()) and describes it in *info. EndOfStream once the segment
    // is delivered; Failed when the file cannot be read or no segment runs.
    FillStatus Fill(uint8_t* out, uint32_t capacity, SampleInfo* info);

private:
    class MappedFrames : public FrameSource {
    public:
        MappedFrames(fs::ReadOnlyMapping& mapping, const WaveFormat& format) : mapping_(mapping), format_(format) {}
        const uint8_t* Frames(uint64_t first, uint32_t count) override;

    private:
        fs::ReadOnlyMapping& mapping_;
        const WaveFormat& format_;
    };

    FillStatus FillStored(uint8_t* out, SampleInfo* info);
    FillStatus FillStretched(uint8_t* out, SampleInfo* info);

    fs::ReadOnlyMapping mapping_;
    MappedFrames frames_{mapping_, format_};
    PhaseVocoder vocoder_;
    WaveFormat format_;
    FramePattern pattern_;
    int64_t duration_ = 0;
    bool loaded_ = false;
    bool slowDown_ = false;

    // The running segment.
    bool started_ = false;
    bool failed_ = false;
    bool stretching_ = false;
    bool discontinuity_ = false;
    bool ended_ = false;
    int64_t start_ = 0;
    int64_t stop_ = 0;
    int64_t segmentLength_ = 0;
    int64_t sampleTime_ = 0;    // end of the last sample delivered
    uint64_t currentFrame_ = 0;  // stored mode
    uint64_t stopFrame_ = 0;
};

}  // namespace mr::wavesource
