#include "audio/source/phase_vocoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <memory>
#include <random>

#include "tests/source/wave_test_files.h"

namespace mr::wavesource {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t N = kFftSize;

using test::MemoryFrames;
using test::WaveSpec;

// Runs the vocoder from input frame `start` and returns `frames` output frames.
std::vector<uint8_t> Stretch(const WaveSpec& spec, const std::vector<uint8_t>& data, uint64_t start, uint32_t frames,
                             Fft4096::Isa isa = Fft4096::Isa::Best) {
    WaveFormat f;
    f.channels = spec.channels;
    f.bitsPerSample = spec.bits;
    f.blockAlign = static_cast<uint16_t>(spec.channels * spec.bits / 8);
    f.samplesPerSec = spec.rate;
    f.frames = static_cast<uint32_t>(data.size() / f.blockAlign);
    f.dataBytes = f.frames * f.blockAlign;
    PhaseVocoder v;
    MemoryFrames source(data, f.blockAlign);
    std::vector<uint8_t> out(size_t{frames} * f.blockAlign);
    EXPECT_TRUE(v.Init(f, isa));
    EXPECT_TRUE(v.Start(start, source));
    // In uneven pieces, as the samples of the filter would ask.
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(frames - done, 1000u + done % 777);
        EXPECT_TRUE(v.Read(source, out.data() + size_t{done} * f.blockAlign, n));
        done += n;
    }
    EXPECT_FALSE(source.outOfRange);
    return out;
}

// One channel of interleaved 16-bit frames as doubles.
std::vector<double> Channel16(const std::vector<uint8_t>& bytes, int channels, int c) {
    const auto s = test::Samples16(bytes.data(), bytes.size() / 2);
    std::vector<double> x;
    for (size_t i = c; i < s.size(); i += channels) x.push_back(s[i]);
    return x;
}

std::vector<double> Channel8(const std::vector<uint8_t>& bytes, int channels, int c) {
    std::vector<double> x;
    for (size_t i = c; i < bytes.size(); i += channels) x.push_back(bytes[i] - 128.0);
    return x;
}

double Rms(const std::vector<double>& x, size_t from, size_t count) {
    double s = 0;
    for (size_t i = from; i < from + count; ++i) s += x[i] * x[i];
    return std::sqrt(s / count);
}

// The strongest bin of a Hann-windowed 4096-frame stretch of x.
double PeakBin(const std::vector<double>& x, size_t from) {
    Fft4096 fft;
    EXPECT_TRUE(fft.Init());
    std::vector<double> re(N), im(N, 0.0);
    for (uint32_t i = 0; i < N; ++i) re[i] = x[from + i] * (1 - std::cos(2 * kPi * i / N)) / 2;
    fft.Forward(re.data(), im.data());
    uint32_t best = 1;
    for (uint32_t k = 1; k < N / 2; ++k)
        if (std::hypot(re[k], im[k]) > std::hypot(re[best], im[best])) best = k;
    return best;
}

// First frame from which the 64-frame RMS reaches half of `level`.
size_t HalfLevelAt(const std::vector<double>& x, double level) {
    for (size_t i = 0; i + 64 <= x.size(); i += 8)
        if (Rms(x, i, 64) >= level / 2) return i + 32;
    return x.size();
}

// The bin processing exactly as first formulated: magnitude and phase by
// atan2, deviation from the expected advance ω[k], unwrapped into (−π, π]
// by the nearest multiple of 2π (ties away from zero), synthesis phase
// ψ += 2(ω + d), ψ = φ on the first step.
class LiteralBins {
public:
    void Process(double* re, double* im) {
        for (uint32_t k = 1; k < N / 2; ++k) {
            const uint32_t m = N - k;
            double lr = (re[k] + re[m]) / 2, li = (im[k] - im[m]) / 2;
            double rr = (im[k] + im[m]) / 2, ri = (re[m] - re[k]) / 2;
            Channel(0, k, &lr, &li);
            Channel(1, k, &rr, &ri);
            re[k] = lr - ri;
            im[k] = li + rr;
            re[m] = lr + ri;
            im[m] = rr - li;
        }
        first_ = false;
    }

private:
    static double Phase(double re, double im) {
        if (re == 0) return im > 0 ? kPi / 2 : im < 0 ? -kPi / 2 : 0.0;
        return std::atan2(im, re);
    }
    void Channel(int c, uint32_t k, double* re, double* im) {
        const double omega = (k <= N / 2 ? k : N - k) * kPi / 4;
        const double mag = std::hypot(*re, *im), phi = Phase(*re, *im);
        if (first_) {
            psi_[c][k] = phi;
        } else {
            double d = phi - prev_[c][k] - omega;
            if (d <= -kPi || d > kPi) d -= 2 * kPi * std::round(d / (2 * kPi));
            psi_[c][k] += 2 * (omega + d);
        }
        prev_[c][k] = phi;
        *re = mag * std::cos(psi_[c][k]);
        *im = mag * std::sin(psi_[c][k]);
    }
    double prev_[2][N / 2] = {};
    double psi_[2][N / 2] = {};
    bool first_ = true;
};

class phase_vocoder_bins : public ::testing::TestWithParam<Fft4096::Isa> {};

TEST_P(phase_vocoder_bins, match_the_literal_phase_unwrapping_step_after_step) {
    // Spectra of a stereo signal with gliding tones, a click and noise, as
    // the vocoder's analysis sees them, over 300 steps.
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 300.0);
    const uint32_t frames = 512 * 300 + N;
    std::vector<double> left(frames), right(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        left[i] = 8000 * std::sin(2 * kPi * (440 + 200 * t) * t) + noise(rng) + (i == 70000 ? 30000 : 0);
        right[i] = 5000 * std::sin(2 * kPi * 1234.5 * t) + 3000 * std::sin(2 * kPi * 97 * t) + noise(rng);
    }
    Fft4096 fft;
    ASSERT_TRUE(fft.Init(GetParam()));
    LiteralBins literal;
    auto state = std::make_unique<StretchState>();
    std::vector<double> w(N), re(N), im(N);
    for (uint32_t i = 0; i < N; ++i) w[i] = (1 - std::cos(2 * kPi * i / N)) / 2;
    double worst = 0;
    for (uint32_t step = 0; step < 300; ++step) {
        fft.Kernels().windowIn(&left[512 * step], &right[512 * step], w.data(), re.data(), im.data());
        fft.Forward(re.data(), im.data());
        std::vector<double> wantRe = re, wantIm = im;
        literal.Process(wantRe.data(), wantIm.data());
        fft.Kernels().stretchBins(re.data(), im.data(), *state, step == 0);
        double err = 0, scale = 0;
        for (uint32_t k = 0; k < N; ++k) {
            err = std::max(err, std::hypot(re[k] - wantRe[k], im[k] - wantIm[k]));
            scale = std::max(scale, std::hypot(wantRe[k], wantIm[k]));
        }
        worst = std::max(worst, err / scale);
    }
    EXPECT_LT(worst, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(isa, phase_vocoder_bins, ::testing::Values(Fft4096::Isa::Best, Fft4096::Isa::Baseline),
                         [](const auto& p) { return p.param == Fft4096::Isa::Best ? "best" : "baseline"; });

// The tests that measure levels start the stretch inside a steady tone: the
// vocoder takes each bin's initial phase from its first step, so a first
// step that sees a tone's onset (or noise) leaves that tone's bins out of
// phase with each other for the rest of the stream, as any phase vocoder
// without phase locking does, and its level drops.
TEST(phase_vocoder, a_slowed_tone_keeps_its_pitch_and_level_in_each_channel) {
    const WaveSpec spec{2, 16, 44100};
    const auto data = test::Pcm16(test::Sine16(44100, 44100 * 3, {440, 1000}, 10000));
    for (auto isa : {Fft4096::Isa::Best, Fft4096::Isa::Baseline}) {
        const auto out = Stretch(spec, data, 44100, 44100 * 3, isa);
        const auto l = Channel16(out, 2, 0), r = Channel16(out, 2, 1);
        // 440 Hz is bin 40.9 of 4096 at 44.1 kHz, 1000 Hz bin 92.9.
        EXPECT_NEAR(PeakBin(l, 60000), 440.0 * N / 44100, 1.0);
        EXPECT_NEAR(PeakBin(r, 60000), 1000.0 * N / 44100, 1.0);
        EXPECT_NEAR(Rms(l, 0, 80000), 10000 / std::sqrt(2.0), 150);
        EXPECT_NEAR(Rms(r, 0, 80000), 10000 / std::sqrt(2.0), 150);
    }
}

TEST(phase_vocoder, mono_and_8_bit_input_work) {
    {
        const auto data = test::Pcm16(test::Sine16(22050, 22050 * 3, {440}, 10000));
        const auto out = Channel16(Stretch({1, 16, 22050}, data, 22050, 22050 * 3), 1, 0);
        EXPECT_NEAR(PeakBin(out, 30000), 440.0 * N / 22050, 1.0);
        EXPECT_NEAR(Rms(out, 0, 40000), 10000 / std::sqrt(2.0), 150);
    }
    for (uint16_t channels : {1, 2}) {
        SCOPED_TRACE(channels);
        // A tone of amplitude 100 around 128 in the first channel, silence
        // (128) in the second.
        const auto tone = test::Sine16(11025, 11025 * 3, channels == 1 ? std::vector<double>{440}
                                                                        : std::vector<double>{440, 0}, 100);
        std::vector<uint8_t> data(tone.size());
        for (size_t i = 0; i < tone.size(); ++i) data[i] = static_cast<uint8_t>(tone[i] + 128);
        const auto out = Stretch({channels, 8, 11025}, data, 11025, 11025 * 3);
        const auto first = Channel8(out, channels, 0);
        EXPECT_NEAR(PeakBin(first, 10000), 440.0 * N / 11025, 1.0);
        EXPECT_NEAR(Rms(first, 0, 20000), 100 / std::sqrt(2.0), 3);
        if (channels == 2) {
            const auto second = Channel8(out, 2, 1);
            EXPECT_TRUE(std::all_of(second.begin(), second.end(), [](double v) { return v == 0; }));
        }
    }
}

TEST(phase_vocoder, the_first_frame_delivered_is_the_start_position) {
    // Silence, then a tone from frame 30000: the tone must rise where its
    // onset maps to, 2 × (30000 − start) frames into the output, for starts
    // on and off the 512-frame grid (and not a window's width earlier).
    const uint32_t onset = 30000;
    const auto data = test::Pcm16(test::Sine16(44100, 100000, {1000, 1000}, 10000, onset));
    for (uint64_t start : {uint64_t{0}, uint64_t{20480}, uint64_t{25000}, uint64_t{26999}}) {
        SCOPED_TRACE(start);
        const auto out = Channel16(Stretch({2, 16, 44100}, data, start, 70000), 2, 0);
        const double expected = 2.0 * (onset - start);
        EXPECT_NEAR(static_cast<double>(HalfLevelAt(out, 10000 / std::sqrt(2.0))), expected, 128);
    }
    // And the same output as playing on from an earlier start, once both
    // have passed the onset: the stream does not depend on where it began.
    const auto early = Channel16(Stretch({2, 16, 44100}, data, 0, 120000), 2, 0);
    const auto late = Channel16(Stretch({2, 16, 44100}, data, 25000, 70000), 2, 0);
    EXPECT_NEAR(Rms(early, 50000 + 20000, 30000), Rms(late, 20000, 30000), 50);
}

TEST(phase_vocoder, loud_input_is_clamped_not_wrapped) {
    // A full-scale tone comes back at full scale, its peaks a little beyond
    // the range: they must stick to the limits, never wrap to the other end.
    const auto data = test::Pcm16(test::Sine16(44100, 44100 * 3, {1000, 1000}, 32767));
    const auto out = Channel16(Stretch({2, 16, 44100}, data, 44100, 60000), 2, 0);
    int clamped = 0;
    for (size_t i = 1; i < out.size(); ++i) {
        ASSERT_LT(std::fabs(out[i] - out[i - 1]), 20000) << i;
        clamped += out[i] == 32767 || out[i] == -32768;
    }
    EXPECT_GT(clamped, 0);
    const auto tone = test::Sine16(44100, 44100 * 3, {1000}, 127);
    std::vector<uint8_t> data8(tone.size());
    for (size_t i = 0; i < tone.size(); ++i) data8[i] = static_cast<uint8_t>(tone[i] + 128);
    const auto out8 = Channel8(Stretch({1, 8, 44100}, data8, 44100, 60000), 1, 0);
    clamped = 0;
    for (size_t i = 1; i < out8.size(); ++i) {
        ASSERT_LT(std::fabs(out8[i] - out8[i - 1]), 80) << i;
        clamped += out8[i] == 127 || out8[i] == -128;
    }
    EXPECT_GT(clamped, 0);
}

TEST(phase_vocoder, reading_stays_inside_the_data_and_ends_in_silence) {
    // Start 0.1 s before the end of 1 s of tone: the vocoder reads up to the
    // data's end only, and once its windows have passed it, outputs zeros.
    const auto data = test::Pcm16(test::Sine16(44100, 44100, {440, 550}, 10000));
    const auto out = Channel16(Stretch({2, 16, 44100}, data, 44100 - 4410, 30000), 2, 1);
    EXPECT_GT(Rms(out, 0, 4000), 3000);
    EXPECT_EQ(Rms(out, 8820 + 8192, 30000 - 8820 - 8192), 0.0);
}

TEST(phase_vocoder, a_failing_source_fails_the_start_and_the_reads) {
    const auto data = test::Pcm16(test::Sine16(44100, 44100 * 2, {440, 550}, 10000));
    WaveFormat f{2, 16, 4, 44100, static_cast<uint32_t>(data.size()), static_cast<uint32_t>(data.size() / 4)};
    PhaseVocoder v;
    ASSERT_TRUE(v.Init(f));
    MemoryFrames broken(data, 4);
    broken.failAfter = 0;
    EXPECT_FALSE(v.Start(0, broken));
    MemoryFrames later(data, 4);
    later.failAfter = 1;
    ASSERT_TRUE(v.Start(0, later));
    std::vector<uint8_t> out(44100 * 4);
    EXPECT_FALSE(v.Read(later, out.data(), 44100));
    // A new start recovers.
    MemoryFrames good(data, 4);
    ASSERT_TRUE(v.Start(0, good));
    EXPECT_TRUE(v.Read(good, out.data(), 44100));
}

}  // namespace
}  // namespace mr::wavesource
