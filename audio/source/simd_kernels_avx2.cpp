// The AVX2 + FMA kernels. This file alone is compiled with -mavx2 -mfma; it
// is only entered after BestKernels has seen both in the processor.
#include <immintrin.h>

#include "audio/source/simd_kernels_impl.h"

namespace mr::wavesource {
namespace {

struct Avx2 {
    using T = __m256d;
    static constexpr uint32_t W = 4;
    static T Load(const double* p) { return _mm256_loadu_pd(p); }
    static void Store(double* p, T v) { _mm256_storeu_pd(p, v); }
    static T Set(double x) { return _mm256_set1_pd(x); }
    static T Add(T a, T b) { return _mm256_add_pd(a, b); }
    static T Sub(T a, T b) { return _mm256_sub_pd(a, b); }
    static T Mul(T a, T b) { return _mm256_mul_pd(a, b); }
    static T Div(T a, T b) { return _mm256_div_pd(a, b); }
    static T Sqrt(T a) { return _mm256_sqrt_pd(a); }
    static T MulAdd(T a, T b, T c) { return _mm256_fmadd_pd(a, b, c); }
    static T MulSub(T a, T b, T c) { return _mm256_fmsub_pd(a, b, c); }
    static T Reverse(T v) { return _mm256_permute4x64_pd(v, 0x1B); }
    static T Positive(T v) { return _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_GT_OQ); }
    static T Select(T mask, T a, T b) { return _mm256_blendv_pd(b, a, mask); }
    static void StoreInterleave4(double* y, T a0, T a1, T a2, T a3) {
        const T t0 = _mm256_unpacklo_pd(a0, a1);  // a0[0] a1[0] a0[2] a1[2]
        const T t1 = _mm256_unpackhi_pd(a0, a1);  // a0[1] a1[1] a0[3] a1[3]
        const T t2 = _mm256_unpacklo_pd(a2, a3);
        const T t3 = _mm256_unpackhi_pd(a2, a3);
        _mm256_storeu_pd(y, _mm256_permute2f128_pd(t0, t2, 0x20));
        _mm256_storeu_pd(y + 4, _mm256_permute2f128_pd(t1, t3, 0x20));
        _mm256_storeu_pd(y + 8, _mm256_permute2f128_pd(t0, t2, 0x31));
        _mm256_storeu_pd(y + 12, _mm256_permute2f128_pd(t1, t3, 0x31));
    }
};

// Constant-initialised: no start-up code runs from this file.
constexpr SimdKernels kAvx2 = MakeKernels<Avx2>("avx2");

}  // namespace

const SimdKernels& Avx2Kernels() {
    return kAvx2;
}

}  // namespace mr::wavesource
