#include "audio/source/fft4096.h"

#include <cmath>
#include <new>

namespace mr::wavesource {
namespace {

// W^k = e^(−j·2πk/4096), computed from the angle reduced to the first
// octant so that the table is accurate to the last bit or two.
void Twiddle(uint32_t k, double* re, double* im) {
    const double step = 2.0 * 3.14159265358979323846 / kFftSize;
    k %= kFftSize;
    const uint32_t quadrant = k / (kFftSize / 4);
    const uint32_t r = k % (kFftSize / 4);
    double c, s;
    if (r <= kFftSize / 8) {
        c = std::cos(r * step);
        s = std::sin(r * step);
    } else {
        c = std::sin((kFftSize / 4 - r) * step);
        s = std::cos((kFftSize / 4 - r) * step);
    }
    // Rotate by the quadrant: e^(jθ) for θ = quadrant·π/2 + r·step.
    double cr = c, sr = s;
    for (uint32_t q = 0; q < quadrant; ++q) {
        const double t = cr;
        cr = -sr;
        sr = t;
    }
    *re = cr;
    *im = -sr;
}

}  // namespace

Fft4096::~Fft4096() {
    ::operator delete(tables_, std::align_val_t(64), std::nothrow);
    ::operator delete[](workRe_, std::align_val_t(64), std::nothrow);
}

bool Fft4096::Init(Isa isa) {
    if (!tables_) {
        auto* tables = static_cast<FftTables*>(::operator new(sizeof(FftTables), std::align_val_t(64), std::nothrow));
        auto* work = static_cast<double*>(::operator new[](2 * kSize * sizeof(double), std::align_val_t(64), std::nothrow));
        if (!tables || !work) {
            ::operator delete(tables, std::align_val_t(64), std::nothrow);
            ::operator delete[](work, std::align_val_t(64), std::nothrow);
            return false;
        }
        for (uint32_t p = 0; p < kSize / 4; ++p)
            for (uint32_t r = 1; r <= 3; ++r)
                Twiddle(r * p, &tables->first[2 * (r - 1)][p], &tables->first[2 * (r - 1) + 1][p]);
        double* t = tables->later;
        for (uint32_t s = 4; s < kSize / 4; s *= 4)
            for (uint32_t p = 0; p < kSize / 4 / s; ++p, t += 6)
                for (uint32_t r = 1; r <= 3; ++r) Twiddle(r * p * s, &t[2 * (r - 1)], &t[2 * (r - 1) + 1]);
        tables_ = tables;
        workRe_ = work;
        workIm_ = work + kSize;
    }
    kernels_ = isa == Isa::Baseline ? &BaselineKernels() : &BestKernels();
    return true;
}

}  // namespace mr::wavesource
