// The waveform builder on a 600 MB 16-bit stereo wave file (44100 Hz, about
// an hour), warm in the page cache, against reading the same file with a
// plain loop of large reads in the same run. Read "ratio" on the builder's
// line: its throughput over the read loop's, by wall-clock time per file
// (the target is at least 0.2).
// The file is made in /tmp at start and removed at exit.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "editor/timeline/waveform.h"

namespace {

constexpr uint64_t kDataBytes = 600ull << 20;
constexpr size_t kBlock = 1 << 20;
double gReadSeconds = 0;  // per iteration, from the reference run

const std::string& WavePath() {
    static const std::string path = [] {
        std::string p = "/tmp/mr_waveform_bench_" + std::to_string(getpid()) + ".wav";
        FILE* f = std::fopen(p.c_str(), "wb");
        if (!f) return std::string();
        uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                         1,   0,   2,   0,   0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0,
                         'd', 'a', 't', 'a', 0, 0, 0, 0};
        const uint32_t data = static_cast<uint32_t>(kDataBytes), riff = data + 36;
        std::memcpy(h + 4, &riff, 4);
        std::memcpy(h + 40, &data, 4);
        std::fwrite(h, 1, sizeof h, f);
        // Speech-like levels: quiet and loud stretches of random samples.
        std::vector<int16_t> block(kBlock / 2);
        std::mt19937 rng(5);
        for (size_t i = 0; i < block.size(); ++i) {
            const int amp = (i / 20000) % 3 == 0 ? 300 : 20000;
            block[i] = static_cast<int16_t>(static_cast<int>(rng() % (2 * amp + 1)) - amp);
        }
        for (uint64_t n = 0; n < kDataBytes / kBlock; ++n) std::fwrite(block.data(), 1, kBlock, f);
        std::fclose(f);
        return p;
    }();
    return path;
}

struct Cleanup {
    ~Cleanup() {
        if (!WavePath().empty()) std::remove(WavePath().c_str());
    }
} cleanup;

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

void ReadLoop(benchmark::State& state) {
    std::vector<char> buf(kBlock);
    uint64_t total = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const int fd = open(WavePath().c_str(), O_RDONLY);
        if (fd < 0) {
            state.SkipWithError("cannot open the file");
            return;
        }
        ssize_t n;
        while ((n = read(fd, buf.data(), buf.size())) > 0) total += static_cast<uint64_t>(n);
        close(fd);
        benchmark::DoNotOptimize(buf.data());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    gReadSeconds = seconds / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(total));
    state.counters["s_per_file"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate |
                                                                        benchmark::Counter::kInvert);
}

void Build(benchmark::State& state) {
    mr::WaveformPeaks peaks;
    const std::u16string path = U16(WavePath());
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!mr::BuildWaveform(path, &peaks)) {
            state.SkipWithError("build failed");
            return;
        }
        benchmark::DoNotOptimize(peaks.Pairs());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    // Throughput over the read loop's: the read loop's time per file over ours.
    if (gReadSeconds > 0) state.counters["ratio"] = gReadSeconds / (seconds / static_cast<double>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kDataBytes + 44));
    state.counters["s_per_file"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate |
                                                                        benchmark::Counter::kInvert);
    state.SetLabel(std::to_string(peaks.Duration()) + " ticks");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (WavePath().empty()) {
        std::fprintf(stderr, "waveform_bench: cannot write the file in /tmp\n");
        return 1;
    }
    benchmark::RegisterBenchmark("read_loop_1MiB", ReadLoop)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
    benchmark::RegisterBenchmark("build_waveform", Build)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
