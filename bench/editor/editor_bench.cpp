// The editor's document store on a large document: loading, the writers'
// segment walk and typing with undo, each beside a reference measured in the
// same run. Read the ratios of the "store" lines to the "reference" lines.
//
// The document: N lines of 7 characters with one syncpoint each ("ab |cdef"
// and variations), so 100,000 lines give 800,000 cells (the store holds
// 873,811) and 200,000 segments; the lyrics document carries a time for each
// of the first 131,072 segments (its time table's capacity).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/store/sync_document.h"
#include "lyrics/lyrics_document.h"

namespace {

using mr::LyricsDocument;
using mr::SyncDocument;
using mr::TextCell;

constexpr uint32_t kMaxTimes = 131072;

// Builds the lyrics document of `lines` lines.
std::unique_ptr<LyricsDocument> MakeLyrics(int lines) {
    auto doc = std::make_unique<LyricsDocument>();
    static const char16_t* const kTexts[] = {u"ab |cdef", u"la |lala", u"oh |yeah", u"go |home"};
    int32_t t = 0;
    for (int i = 0; i < lines; ++i) {
        std::u16string text = kTexts[i % 4];
        const size_t bar = text.find(u'|');
        text.erase(bar, 1);
        uint32_t index = 0;
        doc->AddText(text, &index);
        doc->AddLine(index, doc->GetSyncCount());
        doc->AddSyncPoint(mr::LineStartMarker(static_cast<uint32_t>(i)));
        doc->AddSyncPoint(static_cast<uint32_t>(bar));
        for (int k = 0; k < 2 && doc->GetSyncTimeCount() < kMaxTimes; ++k) {
            doc->AddSyncTime(t, t + 300);
            t += 350;
        }
    }
    return doc;
}

std::unique_ptr<SyncDocument> Loaded(const LyricsDocument& lyrics) {
    auto doc = std::make_unique<SyncDocument>();
    doc->LoadText(lyrics);
    doc->LoadTimes(lyrics);
    return doc;
}

// --- Loading ------------------------------------------------------------------

void StoreLoad(benchmark::State& state) {
    const auto lyrics = MakeLyrics(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        SyncDocument doc;
        if (!doc.LoadText(*lyrics) || !doc.LoadTimes(*lyrics)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc.CellCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("per line");
}

// Reference: the same text and times copied into plain vectors.
void ReferenceLoad(benchmark::State& state) {
    const auto lyrics = MakeLyrics(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<TextCell> cells;
        std::vector<mr::TimingEntry> entries;
        for (uint32_t i = 0; i < lyrics->GetLineCount(); ++i) {
            const uint32_t ti = lyrics->GetLines()[i].textIndex;
            const char16_t* p = lyrics->GetText(ti);
            const uint32_t n = lyrics->GetTextLength(ti);
            for (uint32_t k = 0; k < n; ++k) cells.push_back(TextCell{0, p[k]});
            cells.push_back(TextCell{0, 13});
        }
        for (uint32_t k = 0; k < lyrics->GetSyncTimeCount(); ++k) {
            const mr::SyncTime s = lyrics->GetSyncTimes()[k];
            entries.push_back(mr::TimingEntry{s.start / 10, s.end / 10});
        }
        benchmark::DoNotOptimize(cells.data());
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("per line");
}

// --- The writers' walk ----------------------------------------------------------

// Every segment's start, end and line-start test in order, as the writers
// and the preview read the store; items are queries.
void StoreSegmentWalk(benchmark::State& state) {
    const auto lyrics = MakeLyrics(static_cast<int>(state.range(0)));
    const auto doc = Loaded(*lyrics);
    const int32_t segments = doc->SegmentCount();
    for (auto _ : state) {
        int64_t sum = 0;
        for (int32_t s = 0; s < segments; ++s) {
            sum += doc->SegmentStart(s);
            sum += doc->SegmentEnd(s);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * segments * 2);
    state.SetLabel("per query");
}

// Reference: the same starts and ends found by one scan of a plain vector of
// the cells (the least work that answers the walk).
void ReferenceSegmentWalk(benchmark::State& state) {
    const auto lyrics = MakeLyrics(static_cast<int>(state.range(0)));
    const auto doc = Loaded(*lyrics);
    std::vector<TextCell> cells(static_cast<size_t>(doc->CellCount()));
    doc->GetCells(0, doc->CellCount(), cells.data());
    const int64_t segments = doc->SegmentCount();
    for (auto _ : state) {
        int64_t sum = 0;
        int32_t start = 0;
        const int32_t n = static_cast<int32_t>(cells.size());
        for (int32_t i = 0; i < n; ++i) {
            const bool endsHere = cells[i].ch == 13 || (i + 1 < n && cells[i + 1].flag);
            if (endsHere) {
                sum += start + (i + 1);
                start = i + 1;
            }
        }
        sum += start + n;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * segments * 2);
    state.SetLabel("per query");
}

// --- Typing and undo --------------------------------------------------------------

constexpr int kTyped = 10000;
constexpr int kWordLength = 8;

// 10,000 characters typed as words of 8 at places spread over the document
// (one history record per word), then everything undone. Items are typed
// characters; the undo half is timed on its own in StoreUndoTyping.
void StoreTyping(benchmark::State& state) {
    const auto lyrics = MakeLyrics(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = Loaded(*lyrics);
        const int32_t cells = doc->CellCount();
        state.ResumeTiming();
        for (int w = 0; w < kTyped / kWordLength; ++w) {
            const int32_t at = static_cast<int32_t>(int64_t{cells} * w / (kTyped / kWordLength));
            for (int k = 0; k < kWordLength; ++k) doc->TypeCharacter(at + k, u'x');
        }
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kTyped);
    state.SetLabel("per typed character");
}

void StoreUndoTyping(benchmark::State& state) {
    const auto lyrics = MakeLyrics(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = Loaded(*lyrics);
        const int32_t cells = doc->CellCount();
        for (int w = 0; w < kTyped / kWordLength; ++w) {
            const int32_t at = static_cast<int32_t>(int64_t{cells} * w / (kTyped / kWordLength));
            for (int k = 0; k < kWordLength; ++k) doc->TypeCharacter(at + k, u'x');
        }
        state.ResumeTiming();
        while (doc->Undo()) {
        }
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kTyped);
    state.SetLabel("per undone character");
}

// Reference: the same keystrokes into a flat array of cells (every insertion
// moves the tail), as a plain edit buffer does.
void ReferenceTyping(benchmark::State& state) {
    const auto lyrics = MakeLyrics(static_cast<int>(state.range(0)));
    const auto doc = Loaded(*lyrics);
    std::vector<TextCell> original(static_cast<size_t>(doc->CellCount()));
    doc->GetCells(0, doc->CellCount(), original.data());
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TextCell> cells = original;
        cells.reserve(cells.size() + kTyped);
        const int64_t n = static_cast<int64_t>(original.size());
        state.ResumeTiming();
        for (int w = 0; w < kTyped / kWordLength; ++w) {
            const size_t at = static_cast<size_t>(n * w / (kTyped / kWordLength));
            for (int k = 0; k < kWordLength; ++k) cells.insert(cells.begin() + at + k, TextCell{0, u'x'});
        }
        benchmark::DoNotOptimize(cells.data());
    }
    state.SetItemsProcessed(state.iterations() * kTyped);
    state.SetLabel("per typed character");
}

BENCHMARK(ReferenceLoad)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(StoreLoad)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReferenceSegmentWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(StoreSegmentWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReferenceTyping)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(StoreTyping)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(StoreUndoTyping)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
