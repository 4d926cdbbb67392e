#include "editor/suggest/batch_fft.h"

#include <cmath>
#include <new>

namespace mr::suggest {
namespace {

constexpr uint32_t kN = wavesource::Fft4096::kSize;
constexpr double kTwoPi = 6.283185307179586476925;

}  // namespace

bool BatchSpectrum::Init(uint32_t length, uint32_t binLo, uint32_t binHi) {
    if (length < 64 || length > 2048 || (length & (length - 1)) != 0) return false;
    if (binLo < 1 || binLo >= binHi || binHi > length / 2) return false;
    try {
        if (!fft_.Init()) return false;
        length_ = length;
        interleave_ = kN / length;
        binLo_ = binLo;
        binHi_ = binHi;
        const uint32_t m = interleave_;
        re_.assign(kN, 0.0);
        im_.assign(kN, 0.0);
        dftRe_.resize(m * m);
        dftIm_.resize(m * m);
        for (uint32_t r = 0; r < m; ++r)
            for (uint32_t j = 0; j < m; ++j) {
                const double a = kTwoPi * static_cast<double>(r * j % m) / m;
                dftRe_[r * m + j] = std::cos(a);
                dftIm_[r * m + j] = std::sin(a);
            }
        const uint32_t bins = binHi - binLo;
        twRe_.resize(bins * m);
        twIm_.resize(bins * m);
        twMirrorRe_.resize(bins * m);
        twMirrorIm_.resize(bins * m);
        for (uint32_t b = 0; b < bins; ++b) {
            const uint32_t k = binLo + b;
            for (uint32_t r = 0; r < m; ++r) {
                const double a = kTwoPi * static_cast<double>(r * k % kN) / kN;
                const double am = kTwoPi * static_cast<double>(r * (length - k) % kN) / kN;
                twRe_[b * m + r] = std::cos(a);
                twIm_[b * m + r] = std::sin(a);
                twMirrorRe_[b * m + r] = std::cos(am);
                twMirrorIm_[b * m + r] = std::sin(am);
            }
        }
        zRe_.resize(m);
        zIm_.resize(m);
        zmRe_.resize(m);
        zmIm_.resize(m);
    } catch (const std::bad_alloc&) {
        length_ = 0;
        return false;
    }
    return true;
}

// With x[M·n + r] = z_r[n] (n < L, r < M, L·M = 4096), the big transform is
// X[k + i·L] = Σ_r e^(−j·2π·r·k/4096)·Z_r[k]·e^(−j·2π·r·i/M): for each k an
// M-point DFT over r. Its inverse gives Z_r[k] back, and the two real frames
// in z_r = a + j·b separate as A[k] = (Z[k] + conj Z[L−k]) / 2 and
// B[k] = (Z[k] − conj Z[L−k]) / 2j.
void BatchSpectrum::Power(const double* frames, float* power) {
    const uint32_t m = interleave_, len = length_, bins = binHi_ - binLo_;
    for (uint32_t r = 0; r < m; ++r) {
        const double* a = frames + (2 * r) * len;
        const double* b = frames + (2 * r + 1) * len;
        for (uint32_t n = 0; n < len; ++n) {
            re_[m * n + r] = a[n];
            im_[m * n + r] = b[n];
        }
    }
    fft_.Forward(re_.data(), im_.data());

    // The M-point inverse DFT of the values X[k + i·L], i < M, then the
    // twiddle back; the common factor 1/M is left out and put into the
    // power at the end.
    const auto unmix = [&](uint32_t k, const double* twr, const double* twi, double* zr, double* zi) {
        for (uint32_t r = 0; r < m; ++r) {
            double sr = 0, si = 0;
            const double* dr = &dftRe_[r * m];
            const double* di = &dftIm_[r * m];
            for (uint32_t i = 0; i < m; ++i) {
                const double xr = re_[k + i * len], xi = im_[k + i * len];
                sr += xr * dr[i] - xi * di[i];
                si += xr * di[i] + xi * dr[i];
            }
            zr[r] = sr * twr[r] - si * twi[r];
            zi[r] = sr * twi[r] + si * twr[r];
        }
    };
    const double scale = 0.25 / (static_cast<double>(m) * m);
    for (uint32_t bi = 0; bi < bins; ++bi) {
        const uint32_t k = binLo_ + bi;
        unmix(k, &twRe_[bi * m], &twIm_[bi * m], zRe_.data(), zIm_.data());
        unmix(len - k, &twMirrorRe_[bi * m], &twMirrorIm_[bi * m], zmRe_.data(), zmIm_.data());
        for (uint32_t r = 0; r < m; ++r) {
            // 2A = Z[k] + conj Z[L−k]; 2B·j = Z[k] − conj Z[L−k].
            const double ar = zRe_[r] + zmRe_[r], ai = zIm_[r] - zmIm_[r];
            const double br = zRe_[r] - zmRe_[r], bi2 = zIm_[r] + zmIm_[r];
            power[(2 * r) * bins + bi] = static_cast<float>((ar * ar + ai * ai) * scale);
            power[(2 * r + 1) * bins + bi] = static_cast<float>((br * br + bi2 * bi2) * scale);
        }
    }
}

}  // namespace mr::suggest
