#pragma once
// The stereo phase vocoder of the Slow Down mode: stretches PCM to twice its
// length at unchanged pitch. Frames of 4096 samples under a Hann window,
// analysis hop 512, synthesis hop 1024; both channels in one complex FFT;
// output emitted 4096 frames at a time after every four steps. All work areas
// are allocated by Init; Start and Read allocate nothing.

#include <cstdint>

#include "audio/source/fft4096.h"
#include "audio/source/frame_source.h"
#include "audio/source/wave_header.h"

namespace mr::wavesource {

class PhaseVocoder {
public:
    static constexpr uint32_t kFrameSize = kFftSize;  // samples per analysis frame
    static constexpr uint32_t kAnalysisHop = 512;     // input frames per step
    static constexpr uint32_t kSynthesisHop = 1024;   // output frames per step
    static constexpr uint32_t kInputFrames = 8192;    // input buffer per channel
    static constexpr uint32_t kEmitFrames = 4096;     // output frames per four steps

    PhaseVocoder() = default;
    ~PhaseVocoder();
    PhaseVocoder(const PhaseVocoder&) = delete;
    PhaseVocoder& operator=(const PhaseVocoder&) = delete;

    // Allocates the work areas for PCM of `format` (1 or 2 channels of 8 or
    // 16 bits, format.frames frames of data) and builds the window and FFT
    // tables. False when out of memory; nothing is held then. Baseline forces
    // the SSE2 kernels (for tests).
    bool Init(const WaveFormat& format, Fft4096::Isa isa = Fft4096::Isa::Best);

    // Starts a stretched stream whose first output frame corresponds to input
    // frame `start`: clears the overlap and phase state, runs the priming
    // steps and the first four steps through `source`, and drops the output
    // that lies before `start`. Input before the data's start or beyond its
    // end is silence. False when the source fails.
    bool Start(uint64_t start, FrameSource& source);

    // Writes the next `frames` output frames into `out` (frames × block
    // alignment bytes, interleaved and encoded like the input), running the
    // vocoder as needed. False when the source fails.
    bool Read(FrameSource& source, uint8_t* out, uint32_t frames);

private:
    bool Step(FrameSource& source);
    bool Refill(FrameSource& source);
    bool RunBlock(FrameSource& source);
    void Emit();

    WaveFormat format_;
    Fft4096 fft_;
    double* block_ = nullptr;  // every double array below, in one allocation
    double* inLeft_ = nullptr;
    double* inRight_ = nullptr;
    double* accLeft_ = nullptr;
    double* accRight_ = nullptr;
    double* re_ = nullptr;
    double* im_ = nullptr;
    double* window_ = nullptr;
    StretchState* state_ = nullptr;
    uint8_t* staging_ = nullptr;  // kEmitFrames output frames
    double norm_ = 1.0;           // N = 4 × Σ w[i]²

    int64_t nextFrame_ = 0;  // index of the next analysis frame (input frame nextFrame_ × 512)
    uint32_t readPos_ = kInputFrames;
    uint32_t writePos_ = 0;
    bool first_ = true;
    uint32_t stagingRead_ = kEmitFrames;
};

}  // namespace mr::wavesource
