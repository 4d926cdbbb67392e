// The display engine's frame costs at 1920 x 1080, anti-aliased, with outline:
//   - a steady frame (lookup, rows, wipe, quads; nothing rasterised), beside
//     the same frame with the segment searched from the song's start;
//   - a frame that rasterises two lines (glyph output into the one-bit
//     bitmap, dilation, 4 x 4 reduction), beside the same frame with
//     per-pixel dilation and reduction;
//   - the bit work of two lines alone, packed and per pixel.
//   render_bench [benchmark options]
// After the table it prints each figure in CPU microseconds (steady on a
// loaded machine) and the ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "render/line_layout.h"
#include "render/text_bits.h"
#include "render/text_rasteriser.h"
#include "tests/render/render_test_util.h"

namespace {

using namespace mr;

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int32_t kSpaceHeight = 148;  // a 24-point face at four times the size
constexpr int32_t kAdvance = 4 * 22;   // rasteriser pixels per unit
constexpr int kLines = 400;

// Glyphs as strokes rather than solid boxes: two stems, a bar and a
// diagonal per letter, 12 bitmap pixels thick (three screen pixels), so the
// dilation sees edges in every direction.
class StrokeGlyphSurface final : public GlyphSurface {
public:
    StrokeGlyphSurface() : metrics_(kAdvance) {
        ComputeCellGeometry(kSpaceHeight, kWidth, true, &geometry_);
        bits_.assign(size_t(geometry_.stride) * size_t(geometry_.bitmapRows), 0);
    }
    const TextCellGeometry& Geometry() const override { return geometry_; }
    uint8_t* Bits() override { return bits_.data(); }
    TextMetrics& Metrics() override { return metrics_; }
    void DrawText(std::u16string_view text, int32_t x, int32_t y) override {
        const int32_t h = kSpaceHeight - 8;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u' ') continue;
            const int32_t left = x + int32_t(i) * kAdvance + 8;
            const int32_t w = kAdvance - 20;
            for (int32_t yy = 0; yy < h; ++yy) {
                Span(left, left + 12, y + yy);
                Span(left + w - 12, left + w, y + yy);
                const int32_t d = left + yy * (w - 12) / h;
                Span(d, d + 12, y + yy);
            }
            for (int32_t yy = h / 2 - 6; yy < h / 2 + 6; ++yy) Span(left, left + w, y + yy);
        }
    }

private:
    void Span(int32_t x0, int32_t x1, int32_t y) {
        if (y < 0 || y >= geometry_.cellHeight) return;
        for (int32_t x = std::max(x0, 0); x < x1 && x < geometry_.bitmapWidth; ++x) {
            test::SetBit(bits_.data(), geometry_.stride, x, y);
        }
    }
    TextCellGeometry geometry_;
    std::vector<uint8_t> bits_;
    test::FixedWidthMetrics metrics_;
};

// The same rasterisation with the per-pixel bit work.
class PlainRasteriser final : public LineRasteriser {
public:
    PlainRasteriser(GlyphSurface& s, SlotTarget& t, const LayoutSettings& settings)
        : surface_(s), target_(t), settings_(settings) {}
    bool RasteriseLine(RowRecord& row, int slot) override {
        const TextCellGeometry& g = surface_.Geometry();
        std::memset(surface_.Bits(), 0, size_t(g.stride) * size_t(g.bitmapRows));
        const int32_t width = int32_t(row.text.size()) * kAdvance;
        const int32_t x = HorizontalPlacement(settings_, uint32_t(row.line), width, kWidth);
        surface_.DrawText(row.text, x + g.textX, g.textY);
        test::PlainDilateOutline(surface_.Bits(), g.stride, g.cellHeight, true);
        uint8_t* texels;
        ptrdiff_t pitch;
        if (!target_.LockSlot(slot, &texels, &pitch)) return false;
        test::PlainReduceToCoverage(surface_.Bits(), g.stride, g.cellHeight, true, kWidth, texels, pitch);
        target_.UnlockSlot(slot);
        row.width = width;
        row.xOffset = x;
        return true;
    }
    TextMetrics& Metrics() override { return surface_.Metrics(); }

private:
    GlyphSurface& surface_;
    SlotTarget& target_;
    const LayoutSettings& settings_;
};

LayoutSettings Settings() {
    LayoutSettings s;  // preset #2's shape: six lines, scrolling, centred
    s.lines = 6;
    s.scroll = true;
    s.antiAliased = true;
    s.outline = true;
    s.outlineColor[0] = 0xFFFFFF;
    s.outlineColor[1] = 0x0000FF;
    return s;
}

// A song of 400 lines, each of four words timed as four segments.
struct Song {
    LyricsDocument doc;
    DocumentLineTexts texts{doc};
    Song() {
        std::vector<test::LineSpec> lines;
        for (int k = 0; k < kLines; ++k) {
            const int32_t t0 = 1000 + 3000 * k;
            lines.push_back({u"Never gonna give you up again",
                             {{0, t0, t0 + 700}, {6, t0 + 700, t0 + 1400}, {12, t0 + 1400, t0 + 2100},
                              {17, t0 + 2100, t0 + 2900}}});
        }
        test::BuildDocument(doc, lines);
    }
    SyncTables Tables() const { return TablesOf(doc, &texts); }
};

struct Engine {
    LayoutSettings settings = Settings();
    StrokeGlyphSurface surface;
    test::MemorySlotTarget target{SlotCountFor(6, true), kWidth, surface.Geometry().lineHeight};
    TextRasteriser rasteriser{surface, target, settings, kWidth};
    PlainRasteriser plain{surface, target, settings};
    TextLayout layout;
    SyncCursor cursor;
    std::vector<ColorVertex> outline = std::vector<ColorVertex>(120144);
    std::vector<GlyphVertex> glyph = std::vector<GlyphVertex>(108);
    Engine() { layout.Configure(settings, LayoutArea{kWidth, kHeight, surface.Geometry().lineHeight}); }
    LayoutResult Frame(const Song& song, int32_t t, LineRasteriser& r) {
        return layout.LayoutText(song.Tables(), cursor, t, r, outline.data(), outline.size(), glyph.data(),
                                 glyph.size());
    }
};

const Song& TheSong() {
    static const Song song;
    return song;
}

// A steady frame in the middle of the song: the position moves on by a
// frame's 16 ms inside one line, every line on screen is cached.
void SteadyFrame(benchmark::State& state, bool plainSearch) {
    const Song& song = TheSong();
    Engine e;
    const int32_t base = 1000 + 3000 * (kLines / 2);
    for (int i = 0; i < 8; ++i) e.Frame(song, base, e.rasteriser);
    int32_t t = base;
    for (auto _ : state) {
        if (plainSearch) e.cursor.Reset();
        const LayoutResult r = e.Frame(song, t, e.rasteriser);
        if (r.rasterised != 0) state.SkipWithError("a steady frame rasterised");
        benchmark::DoNotOptimize(r);
        t = t + 16 < base + 2800 ? t + 16 : base;
    }
}
void SteadyFrame(benchmark::State& state) { SteadyFrame(state, false); }
void SteadyFrameSearchFromStart(benchmark::State& state) { SteadyFrame(state, true); }

// A frame that brings two lines into slots (a jump: the cache is emptied
// before each frame, outside the timing).
void RasterisingFrame(benchmark::State& state, bool plainBits) {
    const Song& song = TheSong();
    Engine e;
    const int32_t t = 1000 + 3000 * (kLines / 2) + 1000;
    e.Frame(song, t, e.rasteriser);
    for (auto _ : state) {
        state.PauseTiming();
        e.layout.EmptySlots();
        state.ResumeTiming();
        const LayoutResult r = e.Frame(song, t, plainBits ? static_cast<LineRasteriser&>(e.plain) : e.rasteriser);
        if (r.rasterised != 2) state.SkipWithError("expected two rasterisations");
        benchmark::DoNotOptimize(r);
    }
}
void RasterisingFrame(benchmark::State& state) { RasterisingFrame(state, false); }
void RasterisingFramePerPixel(benchmark::State& state) { RasterisingFrame(state, true); }

// The bit work of two lines: dilation and reduction, from the drawn glyphs.
void BitWork(benchmark::State& state, bool plain) {
    StrokeGlyphSurface surface;
    const TextCellGeometry& g = surface.Geometry();
    surface.DrawText(u"Never gonna give you up again, never", g.textX + 40, g.textY);
    const std::vector<uint8_t> glyphs(surface.Bits(), surface.Bits() + size_t(g.stride) * size_t(g.bitmapRows));
    std::vector<uint8_t> bits = glyphs;
    std::vector<uint8_t> texels(size_t(kWidth) * size_t(2 * g.lineHeight));
    for (auto _ : state) {
        for (int line = 0; line < 2; ++line) {
            std::memcpy(bits.data(), glyphs.data(), glyphs.size());
            if (plain) {
                test::PlainDilateOutline(bits.data(), g.stride, g.cellHeight, true);
                test::PlainReduceToCoverage(bits.data(), g.stride, g.cellHeight, true, kWidth, texels.data(), kWidth);
            } else {
                DilateOutline(bits.data(), g.stride, g.cellHeight, true);
                ReduceToCoverage(bits.data(), g.stride, g.cellHeight, true, kWidth, texels.data(), kWidth);
            }
            benchmark::DoNotOptimize(texels.data());
        }
    }
}
void BitWorkTwoLines(benchmark::State& state) { BitWork(state, false); }
void BitWorkTwoLinesPerPixel(benchmark::State& state) { BitWork(state, true); }

BENCHMARK(SteadyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(SteadyFrameSearchFromStart)->Unit(benchmark::kMicrosecond);
BENCHMARK(RasterisingFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(RasterisingFramePerPixel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BitWorkTwoLines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BitWorkTwoLinesPerPixel)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then each figure in microseconds beside its
// reference from this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (!r.error_occurred) us_[r.run_name.function_name] = r.GetAdjustedCPUTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n1920 x 1080, anti-aliased, outline (CPU us per frame); ratio = reference / ours:\n");
        const struct {
            const char* ours;
            const char* reference;
            const char* what;
        } pairs[] = {{"SteadyFrame", "SteadyFrameSearchFromStart", "steady frame vs searching from the start"},
                     {"RasterisingFrame", "RasterisingFramePerPixel", "two rasterisations vs per-pixel bit work"},
                     {"BitWorkTwoLines", "BitWorkTwoLinesPerPixel", "dilation + reduction of two lines vs per pixel"}};
        for (const auto& p : pairs) {
            const auto a = us_.find(p.ours);
            const auto b = us_.find(p.reference);
            if (a == us_.end() || b == us_.end()) continue;
            std::printf("  %-18s %10.2f us   reference %10.2f us   ratio %7.2f   (%s)\n", p.ours, a->second,
                        b->second, b->second / a->second, p.what);
        }
    }

private:
    std::map<std::string, double> us_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
