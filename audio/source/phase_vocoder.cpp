#include "audio/source/phase_vocoder.h"

#include <cmath>
#include <cstring>
#include <new>

namespace mr::wavesource {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Analysis frame j covers input frames 512j .. 512j + 4095 and is centred on
// 512j + 2048. In an emitted block that begins with analysis frame h, frame
// j's synthesis frame starts at output 1024(j − h) and is centred on
// 1024(j − h) + 2048, which therefore stands for input 512h + 1024 + o/2 at
// output o. Beginning the block two frames before s div 512 makes output o
// stand for input 512·(s div 512) + o/2, so that dropping 2·(s mod 512)
// output frames puts input frame s at the first delivered frame.
constexpr int64_t kLeadFrames = 2;
// The priming steps that lead into the first block: the four frames before
// it, as far as their windows reach the data (frame −7 ends at input 511).
constexpr int64_t kPrimingFrames = 4;
constexpr int64_t kFirstUsefulFrame = -static_cast<int64_t>(PhaseVocoder::kFrameSize / PhaseVocoder::kAnalysisHop - 1);

// Array sizes inside the one allocation, in doubles.
constexpr size_t kDoubles = 4 * size_t{PhaseVocoder::kInputFrames}  // input and accumulators, both channels
                            + 3 * size_t{kFftSize};                   // frame (re, im) and window
constexpr size_t kAlign = 64;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

PhaseVocoder::~PhaseVocoder() {
    ::operator delete[](block_, std::align_val_t(kAlign), std::nothrow);
    ::operator delete(state_, std::align_val_t(kAlign), std::nothrow);
    ::operator delete[](staging_, std::nothrow);
}

bool PhaseVocoder::Init(const WaveFormat& format, Fft4096::Isa isa) {
    if (block_ || (format.channels != 1 && format.channels != 2) ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.blockAlign == 0)
        return false;
    auto* block = static_cast<double*>(::operator new[](kDoubles * sizeof(double), std::align_val_t(kAlign), std::nothrow));
    auto* state = static_cast<StretchState*>(::operator new(sizeof(StretchState), std::align_val_t(kAlign), std::nothrow));
    auto* staging = new (std::nothrow) uint8_t[size_t{kEmitFrames} * format.blockAlign];
    if (!block || !state || !staging || !fft_.Init(isa)) {
        ::operator delete[](block, std::align_val_t(kAlign), std::nothrow);
        ::operator delete(state, std::align_val_t(kAlign), std::nothrow);
        ::operator delete[](staging, std::nothrow);
        return false;
    }
    std::memset(block, 0, kDoubles * sizeof(double));
    format_ = format;
    block_ = block;
    inLeft_ = block;
    inRight_ = inLeft_ + kInputFrames;
    accLeft_ = inRight_ + kInputFrames;
    accRight_ = accLeft_ + kInputFrames;
    re_ = accRight_ + kInputFrames;
    im_ = re_ + kFftSize;
    window_ = im_ + kFftSize;
    state_ = state;
    staging_ = staging;
    double sum = 0;
    for (uint32_t i = 0; i < kFftSize; ++i) {
        window_[i] = (1.0 - std::cos(2.0 * kPi * i / kFftSize)) / 2.0;
        sum += window_[i] * window_[i];
    }
    norm_ = 4.0 * sum;
    return true;
}

bool PhaseVocoder::Start(uint64_t start, FrameSource& source) {
    std::memset(accLeft_, 0, 2 * kInputFrames * sizeof(double));
    first_ = true;
    readPos_ = kInputFrames;  // empty: the first step refills
    writePos_ = 0;
    stagingRead_ = kEmitFrames;

    const int64_t s = static_cast<int64_t>(start);
    const int64_t h = FloorDiv(s, kAnalysisHop) - kLeadFrames;
    nextFrame_ = h - kPrimingFrames < kFirstUsefulFrame ? kFirstUsefulFrame : h - kPrimingFrames;
    // Priming: each frame before h adds its synthesis frame at the front and
    // the first 1024 values, which lie before the block, are dropped.
    while (nextFrame_ < h) {
        if (!Step(source)) return false;
        std::memmove(accLeft_, accLeft_ + kSynthesisHop, (kFrameSize - kSynthesisHop) * sizeof(double));
        std::memmove(accRight_, accRight_ + kSynthesisHop, (kFrameSize - kSynthesisHop) * sizeof(double));
        writePos_ = 0;
    }
    if (!RunBlock(source)) return false;
    stagingRead_ = static_cast<uint32_t>(2 * (s - FloorDiv(s, kAnalysisHop) * kAnalysisHop));
    return true;
}

bool PhaseVocoder::Read(FrameSource& source, uint8_t* out, uint32_t frames) {
    const uint32_t bytesPerFrame = format_.blockAlign;
    while (frames > 0) {
        if (stagingRead_ == kEmitFrames && !RunBlock(source)) return false;
        uint32_t n = kEmitFrames - stagingRead_;
        if (n > frames) n = frames;
        std::memcpy(out, staging_ + size_t{stagingRead_} * bytesPerFrame, size_t{n} * bytesPerFrame);
        out += size_t{n} * bytesPerFrame;
        stagingRead_ += n;
        frames -= n;
    }
    return true;
}

bool PhaseVocoder::RunBlock(FrameSource& source) {
    for (int i = 0; i < 4; ++i)
        if (!Step(source)) return false;
    Emit();
    return true;
}

bool PhaseVocoder::Step(FrameSource& source) {
    if (readPos_ > kInputFrames - kFrameSize && !Refill(source)) return false;
    const SimdKernels& k = fft_.Kernels();
    k.windowIn(inLeft_ + readPos_, inRight_ + readPos_, window_, re_, im_);
    readPos_ += kAnalysisHop;
    ++nextFrame_;
    fft_.Forward(re_, im_);
    k.stretchBins(re_, im_, *state_, first_);
    first_ = false;
    fft_.Inverse(re_, im_);
    k.overlapAdd(re_, im_, window_, accLeft_ + writePos_, format_.channels == 2 ? accRight_ + writePos_ : nullptr);
    writePos_ += kSynthesisHop;
    return true;
}

// Moves the unread tail to the front and reads the frames that follow it,
// up to a full buffer; frames before the data or beyond its end are silence.
bool PhaseVocoder::Refill(FrameSource& source) {
    const uint32_t tail = kInputFrames - readPos_;
    std::memmove(inLeft_, inLeft_ + readPos_, tail * sizeof(double));
    std::memmove(inRight_, inRight_ + readPos_, tail * sizeof(double));
    readPos_ = 0;

    // nextFrame_ × 512 is the first frame of the buffer (the next analysis
    // frame, which the step reads at position 0).
    int64_t first = nextFrame_ * kAnalysisHop + tail;
    uint32_t at = tail;
    if (first < 0) {
        const uint32_t silent = static_cast<uint32_t>(-first < kInputFrames - at ? -first : kInputFrames - at);
        std::memset(inLeft_ + at, 0, silent * sizeof(double));
        std::memset(inRight_ + at, 0, silent * sizeof(double));
        at += silent;
        first += silent;
    }
    const uint64_t frames = format_.frames;
    if (at < kInputFrames && static_cast<uint64_t>(first) < frames) {
        const uint64_t left = frames - static_cast<uint64_t>(first);
        const uint32_t n = static_cast<uint32_t>(left < kInputFrames - at ? left : kInputFrames - at);
        const uint8_t* p = source.Frames(static_cast<uint64_t>(first), n);
        if (!p) return false;
        const bool stereo = format_.channels == 2;
        if (format_.bitsPerSample == 16) {
            for (uint32_t i = 0; i < n; ++i, p += format_.blockAlign) {
                inLeft_[at + i] = static_cast<int16_t>(p[0] | p[1] << 8);
                if (stereo) inRight_[at + i] = static_cast<int16_t>(p[2] | p[3] << 8);
            }
        } else {
            for (uint32_t i = 0; i < n; ++i, p += format_.blockAlign) {
                inLeft_[at + i] = p[0] - 128;
                if (stereo) inRight_[at + i] = p[1] - 128;
            }
        }
        at += n;
    }
    std::memset(inLeft_ + at, 0, (kInputFrames - at) * sizeof(double));
    std::memset(inRight_ + at, 0, (kInputFrames - at) * sizeof(double));
    return true;
}

// Scales the first 4096 accumulated values by 1/N, clamps and truncates them
// to the sample format into the staging buffer, and moves the 3072 values
// that later steps still add to to the front.
void PhaseVocoder::Emit() {
    const bool stereo = format_.channels == 2;
    uint8_t* out = staging_;
    if (format_.bitsPerSample == 16) {
        for (uint32_t i = 0; i < kEmitFrames; ++i) {
            for (int c = 0; c < (stereo ? 2 : 1); ++c) {
                double v = (c == 0 ? accLeft_ : accRight_)[i] / norm_;
                v = v < -32768.0 ? -32768.0 : v > 32767.0 ? 32767.0 : v;
                const auto s = static_cast<uint16_t>(static_cast<int16_t>(v));
                *out++ = static_cast<uint8_t>(s & 0xFF);
                *out++ = static_cast<uint8_t>(s >> 8);
            }
        }
    } else {
        for (uint32_t i = 0; i < kEmitFrames; ++i) {
            for (int c = 0; c < (stereo ? 2 : 1); ++c) {
                double v = (c == 0 ? accLeft_ : accRight_)[i] / norm_;
                v = v < -128.0 ? -128.0 : v > 127.0 ? 127.0 : v;
                *out++ = static_cast<uint8_t>(static_cast<int>(v) + 128);
            }
        }
    }
    constexpr uint32_t kKept = kFrameSize - kSynthesisHop;
    std::memmove(accLeft_, accLeft_ + kEmitFrames, kKept * sizeof(double));
    std::memmove(accRight_, accRight_ + kEmitFrames, kKept * sizeof(double));
    writePos_ = 0;
    stagingRead_ = 0;
}

}  // namespace mr::wavesource
