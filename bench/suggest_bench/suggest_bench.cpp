// Timing suggestions on a decoded song given with --song=PATH (a PCM wave
// file) and --segments=N (segments to place, four to a line): the analysis
// of the file, the alignment on its onsets, and both together as the editor
// runs them. suggest_vs_ffmpeg.sh makes a four-minute song and sets the
// figures beside ffmpeg's decoding of it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/text.h"
#include "editor/suggest/alignment.h"
#include "editor/suggest/onset_track.h"

namespace {

using namespace mr::suggest;

std::string g_song;
int g_segments = 0;

std::vector<SegmentSlot> Slots() {
    std::vector<SegmentSlot> s(static_cast<size_t>(g_segments));
    for (size_t i = 0; i < s.size(); i += 4) s[i].beginsLine = true;
    return s;
}

void BM_Analyse(benchmark::State& state) {
    OnsetTrack track;
    for (auto _ : state) {
        if (AnalyseWaveFile(mr::Utf8ToUtf16(g_song), &track) != AnalysisStatus::kOk) {
            state.SkipWithError("the song cannot be analysed");
            return;
        }
        benchmark::DoNotOptimize(track.onsets.data());
    }
    state.counters["onsets"] = static_cast<double>(track.onsets.size());
    state.counters["song_s"] = track.durationMs / 1000.0;
}

void BM_Align(benchmark::State& state) {
    OnsetTrack track;
    if (AnalyseWaveFile(mr::Utf8ToUtf16(g_song), &track) != AnalysisStatus::kOk) {
        state.SkipWithError("the song cannot be analysed");
        return;
    }
    const std::vector<SegmentSlot> slots = Slots();
    std::vector<SuggestedTime> out(slots.size());
    for (auto _ : state) {
        AlignSegments(track, slots.data(), g_segments, 0, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["segments"] = g_segments;
}

void BM_AnalyseAndAlign(benchmark::State& state) {
    const std::vector<SegmentSlot> slots = Slots();
    std::vector<SuggestedTime> out(slots.size());
    for (auto _ : state) {
        OnsetTrack track;
        if (AnalyseWaveFile(mr::Utf8ToUtf16(g_song), &track) != AnalysisStatus::kOk) {
            state.SkipWithError("the song cannot be analysed");
            return;
        }
        AlignSegments(track, slots.data(), g_segments, 0, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}

BENCHMARK(BM_Analyse)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Align)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_AnalyseAndAlign)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--song=", 7) == 0) {
            g_song = argv[i] + 7;
        } else if (std::strncmp(argv[i], "--segments=", 11) == 0) {
            g_segments = std::atoi(argv[i] + 11);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (g_song.empty() || g_segments < 1) {
        std::fprintf(stderr, "usage: suggest_bench --song=WAVE --segments=N [benchmark options]\n"
                             "(bench/suggest_bench/suggest_vs_ffmpeg.sh makes a song and runs it)\n");
        return 2;
    }
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
