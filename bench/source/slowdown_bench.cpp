// The Slow Down path (phase vocoder, stretch 2) on 60 s of 44.1 kHz 16-bit
// stereo, as real-time factor (input seconds per CPU second), against
// `rubberband -t 2` and `sox ... tempo 0.5` on the same file in the same run
// (their CPU time is the child processes' user + system time). The summary
// at the end gives the ratios.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "audio/source/wave_source.h"

namespace {

using namespace mr::wavesource;

constexpr double kSeconds = 60.0;
constexpr uint32_t kRate = 44100;

std::filesystem::path& Folder() {
    static std::filesystem::path folder;
    return folder;
}

std::string Input() {
    return (Folder() / "in.wav").string();
}

// 60 s of something music-like: chords that change every 250 ms, a noise
// burst every 500 ms, a little hiss.
void WriteInput() {
    const uint32_t frames = static_cast<uint32_t>(kSeconds * kRate);
    std::vector<int16_t> pcm(size_t{frames} * 2);
    std::mt19937 rng(3);
    std::normal_distribution<double> hiss(0.0, 1.0);
    const double notes[] = {220.0, 246.9, 261.6, 293.7, 329.6, 349.2, 392.0, 440.0};
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const int chord = static_cast<int>(t * 4);
        double l = 0, r = 0;
        for (int n = 0; n < 3; ++n) {
            const double f = notes[(chord * 3 + n * 2) % 8] * (n + 1);
            l += 2500 * std::sin(2 * M_PI * f * t);
            r += 2500 * std::sin(2 * M_PI * f * 1.003 * t + n);
        }
        const double beat = std::fmod(t, 0.5);
        const double burst = beat < 0.05 ? 6000 * (1 - beat / 0.05) * hiss(rng) : 0;
        pcm[2 * i] = static_cast<int16_t>(l + burst + 100 * hiss(rng));
        pcm[2 * i + 1] = static_cast<int16_t>(r + burst + 100 * hiss(rng));
    }
    FILE* f = std::fopen(Input().c_str(), "wb");
    const uint32_t data = frames * 4;
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + data);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(2);
    u32(kRate);
    u32(kRate * 4);
    u16(4);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(data);
    std::fwrite(pcm.data(), 2, pcm.size(), f);
    std::fclose(f);
}

void Ours(benchmark::State& state, Fft4096::Isa isa) {
    const std::u16string path = std::filesystem::path(Input()).u16string();
    uint64_t bytes = 0;
    for (auto _ : state) {
        WaveSource src;
        if (src.Load(path, isa) != LoadStatus::Ok) {
            state.SkipWithError("cannot load the input");
            return;
        }
        src.SetSlowDown(true);
        src.Start(0, src.Duration());
        std::vector<uint8_t> sample(src.SampleBytes());
        SampleInfo info;
        while (src.Fill(sample.data(), static_cast<uint32_t>(sample.size()), &info) == FillStatus::Sample)
            bytes += info.bytes;
        benchmark::DoNotOptimize(sample.data());
    }
    state.counters["out_MB"] = static_cast<double>(bytes) / state.iterations() / 1e6;
}

double ChildCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void Tool(benchmark::State& state, const std::string& command) {
    for (auto _ : state) {
        const double before = ChildCpuSeconds();
        const int rc = std::system(command.c_str());
        if (rc == -1 || !WIFEXITED(rc) || WEXITSTATUS(rc) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
        state.SetIterationTime(ChildCpuSeconds() - before);
    }
}

// Keeps each run's CPU seconds per iteration for the summary.
class Summary : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations == 0) continue;
            const bool manual = r.run_name.str().find("manual_time") != std::string::npos;
            const double seconds = (manual ? r.real_accumulated_time : r.cpu_accumulated_time) / r.iterations;
            std::string name = r.run_name.function_name;
            seconds_[name.substr(name.find('/') + 1)] = seconds;
        }
    }
    void Print() const {
        std::printf("\nreal-time factor (input seconds per CPU second) and speed relative to each reference:\n");
        for (const auto& [name, s] : seconds_) {
            std::printf("  %-16s rtf %7.1f", name.c_str(), kSeconds / s);
            if (name.rfind("ours", 0) == 0)
                for (const auto& [other, t] : seconds_)
                    if (other.rfind("ours", 0) != 0) std::printf("   %5.2f x %s", t / s, other.c_str());
            std::printf("\n");
        }
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("mr-slowdown-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    Folder() = folder;
    WriteInput();
    const std::string in = Input(), out = (folder / "out.wav").string();
    benchmark::RegisterBenchmark("slowdown_60s/ours_best", Ours, Fft4096::Isa::Best)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("slowdown_60s/ours_sse2", Ours, Fft4096::Isa::Baseline)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("slowdown_60s/rubberband_t2", Tool, "rubberband -q -t 2 '" + in + "' '" + out + "' >/dev/null")
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1);
    benchmark::RegisterBenchmark("slowdown_60s/sox_tempo_0.5", Tool,
                                 "sox '" + in + "' '" + out + "' tempo 0.5")
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1);
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    summary.Print();
    std::filesystem::remove_all(folder);
    return 0;
}
