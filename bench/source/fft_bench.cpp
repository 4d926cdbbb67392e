// The 4096-point FFT pair (forward and inverse, double) against FFTW's
// measured plan in the same run. Read the ratio of the "ours" lines to the
// "fftw" line.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstring>
#include <random>

#include "audio/source/fft4096.h"

namespace {

using mr::wavesource::Fft4096;
constexpr int N = Fft4096::kSize;

void FillRandom(double* re, double* im) {
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int i = 0; i < N; ++i) {
        re[i] = u(rng);
        im[i] = u(rng);
    }
}

void Ours(benchmark::State& state, Fft4096::Isa isa) {
    Fft4096 fft;
    if (!fft.Init(isa)) {
        state.SkipWithError("out of memory");
        return;
    }
    alignas(64) static double re[N], im[N];
    FillRandom(re, im);
    for (auto _ : state) {
        fft.Forward(re, im);
        fft.Inverse(re, im);
        // Keep the values bounded: the pair multiplies by N.
        re[0] *= 1.0 / N;
        benchmark::DoNotOptimize(re);
        benchmark::ClobberMemory();
    }
    state.SetLabel(fft.Kernels().name);
}

void Fftw(benchmark::State& state) {
    // Split arrays through the guru interface, like ours, planned with
    // FFTW_MEASURE; the inverse is planned with the arrays exchanged.
    double* re = fftw_alloc_real(N);
    double* im = fftw_alloc_real(N);
    fftw_iodim dim{N, 1, 1};
    fftw_plan fwd = fftw_plan_guru_split_dft(1, &dim, 0, nullptr, re, im, re, im, FFTW_MEASURE);
    fftw_plan inv = fftw_plan_guru_split_dft(1, &dim, 0, nullptr, im, re, im, re, FFTW_MEASURE);
    FillRandom(re, im);
    for (auto _ : state) {
        fftw_execute(fwd);
        fftw_execute(inv);
        re[0] *= 1.0 / N;
        benchmark::DoNotOptimize(re);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(inv);
    fftw_free(re);
    fftw_free(im);
}

void FftwInterleaved(benchmark::State& state) {
    fftw_complex* x = fftw_alloc_complex(N);
    fftw_plan fwd = fftw_plan_dft_1d(N, x, x, FFTW_FORWARD, FFTW_MEASURE);
    fftw_plan inv = fftw_plan_dft_1d(N, x, x, FFTW_BACKWARD, FFTW_MEASURE);
    double re[N], im[N];
    FillRandom(re, im);
    for (int i = 0; i < N; ++i) {
        x[i][0] = re[i];
        x[i][1] = im[i];
    }
    for (auto _ : state) {
        fftw_execute(fwd);
        fftw_execute(inv);
        x[0][0] *= 1.0 / N;
        benchmark::DoNotOptimize(x);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(inv);
    fftw_free(x);
}

BENCHMARK(Fftw)->Name("fft4096_pair/fftw_split_measure");
BENCHMARK(FftwInterleaved)->Name("fft4096_pair/fftw_interleaved_measure");
BENCHMARK_CAPTURE(Ours, best, Fft4096::Isa::Best)->Name("fft4096_pair/ours_best");
BENCHMARK_CAPTURE(Ours, baseline, Fft4096::Isa::Baseline)->Name("fft4096_pair/ours_sse2");

}  // namespace

BENCHMARK_MAIN();
