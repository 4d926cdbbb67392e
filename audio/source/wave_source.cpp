#include "audio/source/wave_source.h"

#include <cstring>

namespace mr::wavesource {

const uint8_t* WaveSource::MappedFrames::Frames(uint64_t first, uint32_t count) {
    return mapping_.View(kWaveHeaderBytes + first * format_.blockAlign, size_t{count} * format_.blockAlign);
}

LoadStatus WaveSource::Load(std::u16string_view path, Fft4096::Isa isa) {
    if (loaded_) return LoadStatus::AlreadyLoaded;
    LoadStatus status = LoadStatus::Unreadable;
    WaveFormat format;
    if (mapping_.Open(path) && mapping_.Size() >= kWaveHeaderBytes) {
        const uint8_t* header = mapping_.View(0, kWaveHeaderBytes);
        if (!header) status = LoadStatus::Unreadable;
        else if (!ReadWaveHeader(header, mapping_.Size(), &format)) status = LoadStatus::InvalidFormat;
        else if (!vocoder_.Init(format, isa)) status = LoadStatus::OutOfMemory;
        else status = LoadStatus::Ok;
    }
    if (status != LoadStatus::Ok) {
        mapping_.Close();
        return status;
    }
    format_ = format;
    pattern_ = MakeFramePattern(format.samplesPerSec);
    duration_ = RoundedDuration(format.frames, format.samplesPerSec);
    loaded_ = true;
    return LoadStatus::Ok;
}

bool WaveSource::Start(int64_t start, int64_t stop) {
    started_ = loaded_;
    failed_ = !loaded_;
    if (!loaded_) return false;
    start_ = start < 0 ? 0 : start > duration_ ? duration_ : start;
    stop_ = stop < start_ ? start_ : stop > duration_ ? duration_ : stop;
    stretching_ = slowDown_;
    discontinuity_ = true;
    ended_ = false;
    sampleTime_ = 0;
    if (stretching_) {
        segmentLength_ = 2 * (stop_ - start_);
        failed_ = !vocoder_.Start(FramesAt(pattern_, start_), frames_);
        return !failed_;
    }
    segmentLength_ = stop_ - start_;
    currentFrame_ = FramesAt(pattern_, start_);
    stopFrame_ = FramesAt(pattern_, stop_);
    return true;
}

bool WaveSource::ContinueTo(int64_t stop) {
    if (!started_ || failed_ || ended_) return false;
    stop_ = stop < start_ ? start_ : stop > duration_ ? duration_ : stop;
    if (stretching_) {
        segmentLength_ = 2 * (stop_ - start_);
    } else {
        segmentLength_ = stop_ - start_;
        stopFrame_ = FramesAt(pattern_, stop_);
    }
    return true;
}

FillStatus WaveSource::Fill(uint8_t* out, uint32_t capacity, SampleInfo* info) {
    if (!started_ || failed_ || !out || !info || capacity < SampleBytes()) return FillStatus::Failed;
    const FillStatus status = stretching_ ? FillStretched(out, info) : FillStored(out, info);
    if (status == FillStatus::Failed) failed_ = true;
    if (status == FillStatus::EndOfStream) ended_ = true;
    if (status == FillStatus::Sample) {
        info->discontinuity = discontinuity_;
        discontinuity_ = false;
    }
    return status;
}

FillStatus WaveSource::FillStored(uint8_t* out, SampleInfo* info) {
    if (currentFrame_ >= stopFrame_) return FillStatus::EndOfStream;
    uint32_t n = pattern_.blockFrames;
    int64_t end = sampleTime_ + kSampleUnits;
    if (stopFrame_ - currentFrame_ < n) {
        n = static_cast<uint32_t>(stopFrame_ - currentFrame_);
        // A stop moved while streaming may resolve to a frame just past the
        // time already delivered: the sample still never ends before it starts.
        end = segmentLength_ < sampleTime_ ? sampleTime_ : segmentLength_;
    }
    const uint32_t blockAlign = format_.blockAlign;
    uint32_t stored = 0;
    if (currentFrame_ < format_.frames) {
        const uint64_t left = format_.frames - currentFrame_;
        stored = left < n ? static_cast<uint32_t>(left) : n;
        const uint8_t* p = frames_.Frames(currentFrame_, stored);
        if (!p) return FillStatus::Failed;
        std::memcpy(out, p, size_t{stored} * blockAlign);
    }
    // Past the data up to the rounded duration: silence, which for 8-bit
    // (unsigned) samples is 128, not 0.
    const uint8_t silence = format_.bitsPerSample == 8 ? 0x80 : 0x00;
    std::memset(out + size_t{stored} * blockAlign, silence, size_t{n - stored} * blockAlign);
    currentFrame_ += n;
    info->start = sampleTime_;
    info->end = end;
    info->bytes = n * blockAlign;
    sampleTime_ = end;
    return FillStatus::Sample;
}

FillStatus WaveSource::FillStretched(uint8_t* out, SampleInfo* info) {
    if (sampleTime_ >= segmentLength_) return FillStatus::EndOfStream;
    const int64_t previous = sampleTime_;
    int64_t end = previous + kSampleUnits;
    uint32_t n = pattern_.blockFrames;
    if (end > segmentLength_) {
        end = segmentLength_;
        n = static_cast<uint32_t>(FramesAt(pattern_, segmentLength_) - FramesAt(pattern_, previous));
        // Less than 10 ms left resolves to no frame: the segment is done.
        if (n == 0) {
            sampleTime_ = segmentLength_;
            return FillStatus::EndOfStream;
        }
    }
    if (!vocoder_.Read(frames_, out, n)) return FillStatus::Failed;
    info->start = previous;
    info->end = end;
    info->bytes = n * format_.blockAlign;
    sampleTime_ = end;
    return FillStatus::Sample;
}

}  // namespace mr::wavesource
