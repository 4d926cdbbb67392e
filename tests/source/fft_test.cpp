#include "audio/source/fft4096.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace mr::wavesource {
namespace {

constexpr uint32_t N = Fft4096::kSize;
constexpr double kPi = 3.14159265358979323846;

// Direct DFT in long double: the reference the transform is held to.
void Dft(const std::vector<double>& re, const std::vector<double>& im, int sign, std::vector<double>* outRe,
         std::vector<double>* outIm) {
    std::vector<long double> c(N), s(N);
    for (uint32_t i = 0; i < N; ++i) {
        c[i] = std::cos(2.0L * kPi * i / N);
        s[i] = std::sin(2.0L * kPi * i / N);
    }
    outRe->assign(N, 0);
    outIm->assign(N, 0);
    for (uint32_t k = 0; k < N; ++k) {
        long double ar = 0, ai = 0;
        for (uint32_t n = 0; n < N; ++n) {
            const uint32_t i = static_cast<uint32_t>(uint64_t{k} * n % N);
            const long double wr = c[i], wi = sign * s[i];
            ar += re[n] * wr - im[n] * wi;
            ai += re[n] * wi + im[n] * wr;
        }
        (*outRe)[k] = static_cast<double>(ar);
        (*outIm)[k] = static_cast<double>(ai);
    }
}

// Largest error relative to the largest magnitude of the reference.
double RelativeError(const std::vector<double>& re, const std::vector<double>& im, const std::vector<double>& wantRe,
                     const std::vector<double>& wantIm) {
    double err = 0, scale = 0;
    for (uint32_t i = 0; i < N; ++i) {
        err = std::max(err, std::hypot(re[i] - wantRe[i], im[i] - wantIm[i]));
        scale = std::max(scale, std::hypot(wantRe[i], wantIm[i]));
    }
    return err / scale;
}

class fft4096 : public ::testing::TestWithParam<Fft4096::Isa> {};

TEST_P(fft4096, forward_and_inverse_match_a_direct_dft_on_random_input) {
    Fft4096 fft;
    ASSERT_TRUE(fft.Init(GetParam()));
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> re(N), im(N);
    for (uint32_t i = 0; i < N; ++i) {
        re[i] = u(rng);
        im[i] = u(rng);
    }
    for (int sign : {-1, +1}) {
        SCOPED_TRACE(sign);
        std::vector<double> wantRe, wantIm;
        Dft(re, im, sign, &wantRe, &wantIm);
        std::vector<double> r = re, i = im;
        if (sign < 0) fft.Forward(r.data(), i.data());
        else fft.Inverse(r.data(), i.data());
        EXPECT_LT(RelativeError(r, i, wantRe, wantIm), 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(isa, fft4096, ::testing::Values(Fft4096::Isa::Best, Fft4096::Isa::Baseline),
                         [](const auto& p) { return p.param == Fft4096::Isa::Best ? "best" : "baseline"; });

}  // namespace
}  // namespace mr::wavesource
