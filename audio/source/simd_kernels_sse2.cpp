// The baseline kernels: SSE2, which every x86-64 processor has.
#include <emmintrin.h>

#include "audio/source/simd_kernels_impl.h"

namespace mr::wavesource {
namespace {

struct Sse2 {
    using T = __m128d;
    static constexpr uint32_t W = 2;
    static T Load(const double* p) { return _mm_loadu_pd(p); }
    static void Store(double* p, T v) { _mm_storeu_pd(p, v); }
    static T Set(double x) { return _mm_set1_pd(x); }
    static T Add(T a, T b) { return _mm_add_pd(a, b); }
    static T Sub(T a, T b) { return _mm_sub_pd(a, b); }
    static T Mul(T a, T b) { return _mm_mul_pd(a, b); }
    static T Div(T a, T b) { return _mm_div_pd(a, b); }
    static T Sqrt(T a) { return _mm_sqrt_pd(a); }
    static T MulAdd(T a, T b, T c) { return _mm_add_pd(_mm_mul_pd(a, b), c); }
    static T MulSub(T a, T b, T c) { return _mm_sub_pd(_mm_mul_pd(a, b), c); }
    static T Reverse(T v) { return _mm_shuffle_pd(v, v, 1); }
    static T Positive(T v) { return _mm_cmpgt_pd(v, _mm_setzero_pd()); }
    static T Select(T mask, T a, T b) { return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b)); }
    static void StoreInterleave4(double* y, T a0, T a1, T a2, T a3) {
        _mm_storeu_pd(y, _mm_unpacklo_pd(a0, a1));
        _mm_storeu_pd(y + 2, _mm_unpacklo_pd(a2, a3));
        _mm_storeu_pd(y + 4, _mm_unpackhi_pd(a0, a1));
        _mm_storeu_pd(y + 6, _mm_unpackhi_pd(a2, a3));
    }
};

constexpr SimdKernels kSse2 = MakeKernels<Sse2>("sse2");

}  // namespace

const SimdKernels& BaselineKernels() {
    return kSse2;
}

const SimdKernels& BestKernels() {
    static const SimdKernels& best = [] () -> const SimdKernels& {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return Avx2Kernels();
        return kSse2;
    }();
    return best;
}

}  // namespace mr::wavesource
