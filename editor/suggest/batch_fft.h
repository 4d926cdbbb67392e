#pragma once
// Power spectra of short frames, many at a time, from the wave source's
// 4096-point complex FFT. The frames of one batch are interleaved into one
// 4096-point input, two real frames per complex sequence (one in the real,
// one in the imaginary part), so that a single transform yields 2 × 4096 / L
// spectra of L points; the spectra are then separated bin by bin.

#include <cstdint>
#include <vector>

#include "audio/source/fft4096.h"

namespace mr::suggest {

class BatchSpectrum {
public:
    // Frame length L: a power of two from 64 to 2048 samples. Only bins
    // binLo ≤ k < binHi (1 ≤ binLo < binHi ≤ L / 2) are computed. False for
    // other arguments or when memory runs out.
    bool Init(uint32_t length, uint32_t binLo, uint32_t binHi);

    uint32_t Length() const { return length_; }
    uint32_t FramesPerBatch() const { return 2 * interleave_; }
    uint32_t Bins() const { return binHi_ - binLo_; }

    // frames: FramesPerBatch() rows of Length() samples each (row-major,
    // already windowed); power: FramesPerBatch() rows of Bins() values, the
    // squared magnitude |Σ x[n]·e^(−j·2πkn/L)|² of bins binLo … binHi − 1.
    void Power(const double* frames, float* power);

private:
    wavesource::Fft4096 fft_;
    uint32_t length_ = 0, interleave_ = 0, binLo_ = 0, binHi_ = 0;
    std::vector<double> re_, im_;
    // e^(+j·2π·r·j/M) for r, j < M (the M-point inverse DFT), and per bin
    // of the band e^(+j·2π·r·k/4096) for bin k and for bin L − k.
    std::vector<double> dftRe_, dftIm_, twRe_, twIm_, twMirrorRe_, twMirrorIm_;
    std::vector<double> zRe_, zIm_, zmRe_, zmIm_;
};

}  // namespace mr::suggest
