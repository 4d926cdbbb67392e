#pragma once
// The unscaled 4096-point complex FFT of the phase vocoder, on split real and
// imaginary arrays: Stockham radix-4 passes with precomputed twiddles, natural
// order in and out, SSE2 or AVX2 + FMA chosen at run time.

#include <cstdint>

#include "audio/source/simd_kernels.h"

namespace mr::wavesource {

class Fft4096 {
public:
    static constexpr uint32_t kSize = kFftSize;
    enum class Isa { Best, Baseline };

    Fft4096() = default;
    ~Fft4096();
    Fft4096(const Fft4096&) = delete;
    Fft4096& operator=(const Fft4096&) = delete;

    // Allocates the twiddle tables and the scratch arrays and picks the
    // kernels (Best: the widest the processor runs). False when out of
    // memory. Must succeed before the transforms are used.
    bool Init(Isa isa = Isa::Best);

    // X[k] = Σ x[n]·e^(−j·2πkn/4096), in place on 4096 doubles each.
    void Forward(double* re, double* im) const { kernels_->fftForward(*tables_, re, im, workRe_, workIm_); }
    // x[n] = Σ X[k]·e^(+j·2πkn/4096), unscaled (4096 times the inverse DFT).
    void Inverse(double* re, double* im) const { kernels_->fftForward(*tables_, im, re, workIm_, workRe_); }

    const SimdKernels& Kernels() const { return *kernels_; }

private:
    FftTables* tables_ = nullptr;
    double* workRe_ = nullptr;
    double* workIm_ = nullptr;
    const SimdKernels* kernels_ = nullptr;
};

}  // namespace mr::wavesource
