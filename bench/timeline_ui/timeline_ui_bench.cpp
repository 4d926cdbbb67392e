// A live tap (press with the Insert tool at the play position, release, the
// next position update) through TimelineInput, beside the store's
// StartLiveTiming and ExtendLiveTiming alone; and the scene of a 1000-pixel
// frame during playback beside writing the same number of vertices.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "editor/store/sync_document.h"
#include "editor/timeline/timeline_input.h"
#include "editor/timeline/timeline_scene.h"
#include "editor/timeline/preview_tables.h"
#include "lyrics/lyrics_document.h"

namespace mr::timeline {
namespace {

// Taps are spaced 10 ticks apart; every 50,000 taps the document starts over.
constexpr int kTapsPerDocument = 50000;
constexpr int32_t kDuration = kTapsPerDocument * 10 + 1000;

void BM_TapThroughTimeline(benchmark::State& state) {
    std::vector<int8_t> peaks(2 * size_t{kDuration}, 10);
    SyncDocument doc;
    TimelineInput in(doc);
    in.SetSize(1000, 170);
    in.SetWaveform(peaks.data(), kDuration);
    in.SetGraphMode(kGraphReady);
    in.Focus(true);
    in.SetPlayState(kStatePlaying);
    in.MouseMove(300, 90, 0);
    int n = 0;
    for (auto _ : state) {
        if (n == kTapsPerDocument) {
            state.PauseTiming();
            doc.ClearSyncDocument();
            in.SetPlayState(kStatePlaying);
            n = 0;
            state.ResumeTiming();
        }
        in.UpdatePosition(TicksToMedia(int64_t{n} * 10));
        TimelineActions a = in.LeftDown(300, 90, kKeyLeft);
        benchmark::DoNotOptimize(a);
        in.LeftUp(300, 90);
        in.CaptureLost();
        ++n;
    }
}
BENCHMARK(BM_TapThroughTimeline);

void BM_TapStoreOnly(benchmark::State& state) {
    SyncDocument doc;
    int n = 0;
    for (auto _ : state) {
        if (n == kTapsPerDocument) {
            state.PauseTiming();
            doc.ClearSyncDocument();
            n = 0;
            state.ResumeTiming();
        }
        int32_t t = n * 10, index = -1;
        doc.ExtendLiveTiming(t);
        bool ok = doc.CanInsertTiming(t) && doc.StartLiveTiming(t, &index);
        benchmark::DoNotOptimize(ok);
        ++n;
    }
}
BENCHMARK(BM_TapStoreOnly);

void BM_SceneDuringPlayback(benchmark::State& state) {
    std::vector<int8_t> peaks(2 * size_t{kDuration});
    for (size_t i = 0; i < peaks.size(); i += 2) peaks[i] = int8_t(i % 60 + 1), peaks[i + 1] = int8_t(-(int(i) % 50));
    SyncDocument doc;
    for (int i = 0; i < 2000; ++i) doc.InsertTiming(i * 30);
    TimelineInput in(doc);
    in.SetSize(1000, 160);
    in.SetWaveform(peaks.data(), kDuration);
    in.SetGraphMode(kGraphReady);
    in.Focus(true);
    in.SetPlayState(kStatePlaying);
    TimelineScene scene;
    SceneColors colors;
    int32_t pos = 0;
    for (auto _ : state) {
        in.UpdatePosition(TicksToMedia(pos));
        doc.DocumentLock().Lock();
        scene.Build(doc, in.State(), colors);
        doc.DocumentLock().Unlock();
        benchmark::DoNotOptimize(scene.Lines().data());
        pos = (pos + 7) % 50000;
    }
    state.counters["lines"] = scene.LineCount();
    state.counters["triangles"] = scene.TriangleCount();
}
BENCHMARK(BM_SceneDuringPlayback);

// The preview's part of a playback frame: the tables of the current and the
// next line out of a document of 2,000 lines (five timed words each), and
// the lookup over them; beside BM_SceneDuringPlayback.
void BM_PreviewTablesDuringPlayback(benchmark::State& state) {
    LyricsDocument lyrics;
    for (uint32_t line = 0, entry = 0; line < 2000; ++line) {
        uint32_t index = 0;
        lyrics.AddText(u"Singa Singb Singc Singd Singe ", &index);
        lyrics.AddLine(index, lyrics.GetSyncCount());
        lyrics.AddSyncPoint(LineStartMarker(line));
        for (uint32_t o = 6; o < 30; o += 6) lyrics.AddSyncPoint(o);
        for (int w = 0; w < 5; ++w, ++entry) lyrics.AddSyncTime(int32_t(entry) * 300, int32_t(entry) * 300 + 200);
    }
    SyncDocument doc;
    if (!doc.LoadText(lyrics) || !doc.LoadTimes(lyrics)) {
        state.SkipWithError("document not loaded");
        return;
    }
    PreviewTables tables;
    SyncCursor cursor;
    int32_t pos = 0;
    for (auto _ : state) {
        doc.DocumentLock().Lock();
        const SyncTables t = tables.Build(doc, pos);
        LineLocation loc;
        cursor.Reset();
        benchmark::DoNotOptimize(cursor.LocateLine(t, pos, DisplayShape{1, false, 40}, kPreviewRules, &loc));
        doc.DocumentLock().Unlock();
        pos = (pos + 7) % 300000;
    }
}
BENCHMARK(BM_PreviewTablesDuringPlayback);

// Reference: writing 1000 line pairs and 200 quads of vertices.
void BM_FillSameVertices(benchmark::State& state) {
    std::vector<LineVertex> lines(2000);
    std::vector<SpriteVertex> sprites(1200);
    uint32_t c = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < lines.size(); ++i) lines[i] = {float(i / 2), float(i & 1 ? 100 : 60), 0, 1, c};
        for (size_t i = 0; i < sprites.size(); ++i) sprites[i] = {float(i), 0, 0, 1, c, 0.5f, 0.5f};
        benchmark::DoNotOptimize(lines.data());
        benchmark::DoNotOptimize(sprites.data());
        ++c;
    }
}
BENCHMARK(BM_FillSameVertices);

}  // namespace
}  // namespace mr::timeline

BENCHMARK_MAIN();
