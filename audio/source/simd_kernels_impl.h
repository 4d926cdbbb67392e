#pragma once
// The loops of SimdKernels, written once over a vector type V and included
// by one translation unit per instruction set. Everything here has internal
// linkage, and nothing from the standard library is used, so that no code
// compiled for a wider instruction set can be shared with the rest of the
// program by the linker.
//
// V provides: T (the register type), W (doubles per register), Load/Store
// (unaligned), Set, Add, Sub, Mul, Div, Sqrt, MulAdd (a·b + c), MulSub
// (a·b − c), Reverse (lanes in reverse order), Positive (mask of lanes > 0),
// Select (mask ? a : b) and StoreInterleave4 (y[4i + r] = a_r[i]).

#include "audio/source/simd_kernels.h"

namespace mr::wavesource {
namespace {

template <class V>
struct Complex {
    typename V::T re, im;
};

template <class V>
inline Complex<V> Twiddle(Complex<V> a, typename V::T wr, typename V::T wi) {
    return {V::MulSub(a.re, wr, V::Mul(a.im, wi)), V::MulAdd(a.re, wi, V::Mul(a.im, wr))};
}

// Radix-4 decimation-in-frequency butterfly of the forward transform, before
// the twiddles: y0 = a + b + c + d, y1 = (a − c) − j(b − d),
// y2 = (a + c) − (b + d), y3 = (a − c) + j(b − d).
template <class V>
inline void Butterfly(Complex<V> a, Complex<V> b, Complex<V> c, Complex<V> d, Complex<V>* y) {
    const Complex<V> apc{V::Add(a.re, c.re), V::Add(a.im, c.im)};
    const Complex<V> amc{V::Sub(a.re, c.re), V::Sub(a.im, c.im)};
    const Complex<V> bpd{V::Add(b.re, d.re), V::Add(b.im, d.im)};
    const Complex<V> bmd{V::Sub(b.re, d.re), V::Sub(b.im, d.im)};
    y[0] = {V::Add(apc.re, bpd.re), V::Add(apc.im, bpd.im)};
    y[1] = {V::Add(amc.re, bmd.im), V::Sub(amc.im, bmd.re)};
    y[2] = {V::Sub(apc.re, bpd.re), V::Sub(apc.im, bpd.im)};
    y[3] = {V::Sub(amc.re, bmd.im), V::Add(amc.im, bmd.re)};
}

template <class V>
inline Complex<V> LoadComplex(const double* re, const double* im, uint32_t i) {
    return {V::Load(re + i), V::Load(im + i)};
}

template <class V>
inline void StoreComplex(double* re, double* im, uint32_t i, Complex<V> v) {
    V::Store(re + i, v.re);
    V::Store(im + i, v.im);
}

// Stockham radix-4 passes (natural order in and out, no permutation): pass
// (n, s) with n·s = 4096 and m = n / 4 reads x[q + s·p + 1024·r] and writes
// y[q + s·(4p + r)], r = 0..3, twiddled by W_n^(r·p) = W^(r·p·s).
template <class V>
void FftForward(const FftTables& t, double* xr, double* xi, double* yr, double* yi) {
    constexpr uint32_t W = V::W;
    constexpr uint32_t Q = kFftSize / 4;
    // First pass, s = 1: vectorised over p, results interleaved by four.
    for (uint32_t p = 0; p < Q; p += W) {
        Complex<V> y[4];
        Butterfly<V>(LoadComplex<V>(xr, xi, p), LoadComplex<V>(xr, xi, p + Q), LoadComplex<V>(xr, xi, p + 2 * Q),
                     LoadComplex<V>(xr, xi, p + 3 * Q), y);
        for (int r = 1; r < 4; ++r)
            y[r] = Twiddle<V>(y[r], V::Load(t.first[2 * (r - 1)] + p), V::Load(t.first[2 * (r - 1) + 1] + p));
        V::StoreInterleave4(yr + 4 * p, y[0].re, y[1].re, y[2].re, y[3].re);
        V::StoreInterleave4(yi + 4 * p, y[0].im, y[1].im, y[2].im, y[3].im);
    }
    // Passes with s = 4 .. 256: vectorised over q, one twiddle set per p.
    double* sr = yr;
    double* si = yi;
    double* dr = xr;
    double* di = xi;
    const double* tw = t.later;
    for (uint32_t s = 4; s < Q; s *= 4) {
        const uint32_t m = Q / s;
        for (uint32_t p = 0; p < m; ++p, tw += 6) {
            const typename V::T w1r = V::Set(tw[0]), w1i = V::Set(tw[1]);
            const typename V::T w2r = V::Set(tw[2]), w2i = V::Set(tw[3]);
            const typename V::T w3r = V::Set(tw[4]), w3i = V::Set(tw[5]);
            const uint32_t in = s * p, out = 4 * s * p;
            for (uint32_t q = 0; q < s; q += W) {
                Complex<V> y[4];
                Butterfly<V>(LoadComplex<V>(sr, si, in + q), LoadComplex<V>(sr, si, in + q + Q),
                             LoadComplex<V>(sr, si, in + q + 2 * Q), LoadComplex<V>(sr, si, in + q + 3 * Q), y);
                StoreComplex<V>(dr, di, out + q, y[0]);
                if (p == 0) {
                    StoreComplex<V>(dr, di, out + q + s, y[1]);
                    StoreComplex<V>(dr, di, out + q + 2 * s, y[2]);
                    StoreComplex<V>(dr, di, out + q + 3 * s, y[3]);
                } else {
                    StoreComplex<V>(dr, di, out + q + s, Twiddle<V>(y[1], w1r, w1i));
                    StoreComplex<V>(dr, di, out + q + 2 * s, Twiddle<V>(y[2], w2r, w2i));
                    StoreComplex<V>(dr, di, out + q + 3 * s, Twiddle<V>(y[3], w3r, w3i));
                }
            }
        }
        double* r = sr;
        double* i = si;
        sr = dr;
        si = di;
        dr = r;
        di = i;
    }
    // Last pass, s = 1024, m = 1: no twiddles; the result lands in x.
    for (uint32_t q = 0; q < Q; q += W) {
        Complex<V> y[4];
        Butterfly<V>(LoadComplex<V>(sr, si, q), LoadComplex<V>(sr, si, q + Q), LoadComplex<V>(sr, si, q + 2 * Q),
                     LoadComplex<V>(sr, si, q + 3 * Q), y);
        for (uint32_t r = 0; r < 4; ++r) StoreComplex<V>(dr, di, q + r * Q, y[r]);
    }
}

template <class V>
void WindowIn(const double* left, const double* right, const double* w, double* re, double* im) {
    for (uint32_t i = 0; i < kHalf; i += V::W) {
        const typename V::T w0 = V::Load(w + i), w1 = V::Load(w + kHalf + i);
        V::Store(re + kHalf + i, V::Mul(V::Load(left + i), w0));
        V::Store(re + i, V::Mul(V::Load(left + kHalf + i), w1));
        V::Store(im + kHalf + i, V::Mul(V::Load(right + i), w0));
        V::Store(im + i, V::Mul(V::Load(right + kHalf + i), w1));
    }
}

// One channel's bin on a step after the first: X² / |X| rotated by the
// channel's constant c (0 when X is 0).
template <class V>
inline Complex<V> StretchBin(Complex<V> x, typename V::T cr, typename V::T ci) {
    const typename V::T n2 = V::MulAdd(x.re, x.re, V::Mul(x.im, x.im));
    const typename V::T nonzero = V::Positive(n2);
    const typename V::T zero = V::Set(0.0);
    const typename V::T inv = V::Select(nonzero, V::Div(V::Set(1.0), V::Sqrt(n2)), zero);
    const typename V::T sr = V::Mul(V::MulSub(x.re, x.re, V::Mul(x.im, x.im)), inv);
    const typename V::T si = V::Mul(V::Mul(V::Add(x.re, x.re), x.im), inv);
    return {V::MulSub(sr, cr, V::Mul(si, ci)), V::MulAdd(sr, ci, V::Mul(si, cr))};
}

// One channel's bin on the first step: its constant becomes the conjugate of
// its unit phasor (1 for a zero bin); the bin itself passes unchanged.
template <class V>
inline void FirstBin(Complex<V> x, double* cr, double* ci, uint32_t k) {
    const typename V::T n2 = V::MulAdd(x.re, x.re, V::Mul(x.im, x.im));
    const typename V::T nonzero = V::Positive(n2);
    const typename V::T inv = V::Div(V::Set(1.0), V::Sqrt(n2));
    V::Store(cr + k, V::Select(nonzero, V::Mul(x.re, inv), V::Set(1.0)));
    V::Store(ci + k, V::Select(nonzero, V::Sub(V::Set(0.0), V::Mul(x.im, inv)), V::Set(0.0)));
}

// Bins k..k+W−1 (left and right spectra from the pair k, 4096 − k), which
// are taken from and put back into re and im.
template <class V>
inline void StretchLanes(double* re, double* im, StretchState& s, bool first, uint32_t k) {
    const uint32_t mirror = kFftSize - k - (V::W - 1);
    const Complex<V> z = LoadComplex<V>(re, im, k);
    const Complex<V> n{V::Reverse(V::Load(re + mirror)), V::Reverse(V::Load(im + mirror))};
    const typename V::T half = V::Set(0.5);
    // L = (Z[k] + conj Z[N−k]) / 2, R = (Z[k] − conj Z[N−k]) / 2j.
    const Complex<V> l{V::Mul(V::Add(z.re, n.re), half), V::Mul(V::Sub(z.im, n.im), half)};
    const Complex<V> r{V::Mul(V::Add(z.im, n.im), half), V::Mul(V::Sub(n.re, z.re), half)};
    if (first) {
        FirstBin<V>(l, s.leftRe, s.leftIm, k);
        FirstBin<V>(r, s.rightRe, s.rightIm, k);
        return;
    }
    const Complex<V> lo = StretchBin<V>(l, V::Load(s.leftRe + k), V::Load(s.leftIm + k));
    const Complex<V> ro = StretchBin<V>(r, V::Load(s.rightRe + k), V::Load(s.rightIm + k));
    // Z[k] = L + jR, Z[N−k] = conj L + j conj R.
    V::Store(re + k, V::Sub(lo.re, ro.im));
    V::Store(im + k, V::Add(lo.im, ro.re));
    V::Store(re + mirror, V::Reverse(V::Add(lo.re, ro.im)));
    V::Store(im + mirror, V::Reverse(V::Sub(ro.re, lo.im)));
}

// A one-lane vector for the bins left over after the full registers.
struct Lane {
    using T = double;
    static constexpr uint32_t W = 1;
    static T Load(const double* p) { return *p; }
    static void Store(double* p, T v) { *p = v; }
    static T Set(double x) { return x; }
    static T Add(T a, T b) { return a + b; }
    static T Sub(T a, T b) { return a - b; }
    static T Mul(T a, T b) { return a * b; }
    static T Div(T a, T b) { return a / b; }
    static T Sqrt(T a) { return __builtin_sqrt(a); }
    static T MulAdd(T a, T b, T c) { return a * b + c; }
    static T MulSub(T a, T b, T c) { return a * b - c; }
    static T Reverse(T v) { return v; }
    static T Positive(T v) { return v > 0 ? 1.0 : 0.0; }
    static T Select(T mask, T a, T b) { return mask != 0 ? a : b; }
};

template <class V>
void StretchBins(double* re, double* im, StretchState& s, bool first) {
    uint32_t k = 1;
    for (; k + V::W <= kHalf; k += V::W) StretchLanes<V>(re, im, s, first, k);
    for (; k < kHalf; ++k) StretchLanes<Lane>(re, im, s, first, k);
}

template <class V>
void OverlapAdd(const double* re, const double* im, const double* w, double* left, double* right) {
    constexpr uint32_t kAdd = kFftSize - kFftSize / 4;  // 3072 values overlap the previous frames
    for (uint32_t i = 0; i < kHalf; i += V::W) {
        const typename V::T wi = V::Load(w + i);
        V::Store(left + i, V::MulAdd(V::Load(re + kHalf + i), wi, V::Load(left + i)));
        if (right) V::Store(right + i, V::MulAdd(V::Load(im + kHalf + i), wi, V::Load(right + i)));
    }
    for (uint32_t i = kHalf; i < kAdd; i += V::W) {
        const typename V::T wi = V::Load(w + i);
        V::Store(left + i, V::MulAdd(V::Load(re + i - kHalf), wi, V::Load(left + i)));
        if (right) V::Store(right + i, V::MulAdd(V::Load(im + i - kHalf), wi, V::Load(right + i)));
    }
    for (uint32_t i = kAdd; i < kFftSize; i += V::W) {
        const typename V::T wi = V::Load(w + i);
        V::Store(left + i, V::Mul(V::Load(re + i - kHalf), wi));
        if (right) V::Store(right + i, V::Mul(V::Load(im + i - kHalf), wi));
    }
}

template <class V>
constexpr SimdKernels MakeKernels(const char* name) {
    return {name, FftForward<V>, WindowIn<V>, StretchBins<V>, OverlapAdd<V>};
}

}  // namespace
}  // namespace mr::wavesource
