#pragma once
// The inner loops of the 4096-point FFT and of the phase vocoder, compiled
// once for the x86-64 baseline (SSE2) and once for AVX2 with FMA; the widest
// set the processor runs is chosen at run time. Arrays hold doubles, split
// into real and imaginary parts; none of the loops allocates.

#include <cstdint>

namespace mr::wavesource {

inline constexpr uint32_t kFftSize = 4096;
inline constexpr uint32_t kHalf = kFftSize / 2;
// Bins 1..2047 pair with 4095..2049; each channel keeps one phase constant
// per bin in these arrays (index 0 unused).
inline constexpr uint32_t kBinCount = kHalf;

// Twiddle factors W^k = e^(−j·2πk/4096) in the order the radix-4 passes read
// them.
struct FftTables {
    // First pass: W^p, W^2p, W^3p for p < 1024 (real, imaginary, in turn).
    alignas(64) double first[6][1024];
    // Passes two to five: for each pass and each p, the six parts of
    // W^(p·s), W^(2p·s), W^(3p·s) with s = 4, 16, 64, 256; p < 1024 / s.
    alignas(64) double later[6 * (256 + 64 + 16 + 4)];
};

// The phase constants of the vocoder: per bin and channel, the conjugate of
// the unit phasor the bin had on the first step after a start.
struct StretchState {
    alignas(64) double leftRe[kBinCount];
    alignas(64) double leftIm[kBinCount];
    alignas(64) double rightRe[kBinCount];
    alignas(64) double rightIm[kBinCount];
};

struct SimdKernels {
    const char* name;
    // Unscaled forward transform (kernel e^(−j·2πkn/4096)) of re + j·im in
    // place; workRe and workIm are 4096-double scratch arrays. The inverse is
    // the forward transform with re and im exchanged.
    void (*fftForward)(const FftTables& t, double* re, double* im, double* workRe, double* workIm);
    // re = left × w and im = right × w with the halves swapped (circular
    // shift by 2048): re[(i + 2048) mod 4096] = left[i] × w[i].
    void (*windowIn)(const double* left, const double* right, const double* w, double* re, double* im);
    // The stretch by two of bins 1..2047 and their mirrors 4095..2049 (both
    // channels in one complex spectrum). On the first step the bins pass
    // unchanged and the state is set; afterwards each channel's bin becomes
    // X² / |X| times the state's phasor.
    void (*stretchBins)(double* re, double* im, StretchState& state, bool first);
    // Overlap-add of one synthesis frame: v[i] = z[(i + 2048) mod 4096] × w[i]
    // is added to acc[i] for i < 3072 and stored to acc[i] above. right may
    // be null (mono): the imaginary part is then not used.
    void (*overlapAdd)(const double* re, const double* im, const double* w, double* left, double* right);
};

// The SSE2 set, which every x86-64 processor runs.
const SimdKernels& BaselineKernels();
// The AVX2 + FMA set; only to be called when the processor supports it.
const SimdKernels& Avx2Kernels();
// The widest set this processor runs (decided once).
const SimdKernels& BestKernels();

}  // namespace mr::wavesource
