// Reading a 20 MB ASS karaoke script of word-timed lines with the tool's
// ASS reader, against the LRC reader on the same lyrics in the same run.
// The lyrics are the LRC benchmark's songs; each song is opened as the
// editor opens it and saved with the ASS writer, so both files hold the same
// lines, syllables and times. The ratio compares the time to read the same
// lyrics (and, for reference, the bytes per second).
//   ass_reader_bench [benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/lyrics/lrc_corpus.h"
#include "editor/files/ass_reader.h"
#include "editor/files/ass_writer.h"
#include "editor/files/open_flow.h"
#include "lyrics/load_lyrics_file.h"

namespace {

constexpr size_t kAssBytes = 20'000'000;

struct Corpus {
    std::vector<std::filesystem::path> lrc, ass;
    size_t lrcBytes = 0, assBytes = 0;
    std::filesystem::path folder;
    bool ok = true;
    ~Corpus() {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
};

void WriteFile(const std::filesystem::path& p, const void* data, size_t n) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

Corpus& GetCorpus() {
    static Corpus c = [] {
        Corpus r;
        r.folder = std::filesystem::temp_directory_path() / ("mr-ass-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(r.folder);
        // ASS spends more bytes per syllable than LRC: twice the LRC text is
        // more than enough songs to reach the script's size.
        const std::string text = mr::bench::GenerateLrc(2 * kAssBytes);
        int n = 0;
        for (const auto& s : mr::bench::SplitSongs(text)) {
            if (r.assBytes >= kAssBytes) break;
            const auto lrc = r.folder / ("song" + std::to_string(n) + ".lrc");
            const auto ass = r.folder / ("song" + std::to_string(n++) + ".ass");
            WriteFile(lrc, text.data() + s.offset, s.size);
            mr::SyncDocument doc;
            mr::LyricsDocument lyrics;
            mr::OpenReport opened;
            std::vector<uint8_t> bytes;
            if (mr::OpenLyricsFile(doc, lyrics, lrc.u16string(), mr::kLyricsKindLrc, nullptr, &opened) !=
                    mr::OpenStatus::kOpened ||
                mr::BuildAss(doc, opened.fields, &bytes) != mr::SaveStatus::kSaved) {
                r.ok = false;
                break;
            }
            WriteFile(ass, bytes.data(), bytes.size());
            r.lrc.push_back(lrc);
            r.ass.push_back(ass);
            r.lrcBytes += s.size;
            r.assBytes += bytes.size();
        }
        return r;
    }();
    return c;
}

// Each song into a document cleared between songs, as in the LRC benchmark.
void Run(benchmark::State& state, bool ass) {
    Corpus& c = GetCorpus();
    if (!c.ok) {
        state.SkipWithError("the corpus could not be made");
        return;
    }
    mr::LyricsDocument doc;
    const auto& files = ass ? c.ass : c.lrc;
    for (auto _ : state) {
        for (const auto& f : files) {
            const bool ok = ass ? mr::LoadAssFile(doc, f.u16string())
                                : mr::LoadLyricsFile(doc, f.u16string(), mr::kLyricsKindLrc, 1);
            if (!ok || doc.GetSyncTimeCount() == 0) {
                state.SkipWithError(("loading " + f.string() + " failed or gave no times").c_str());
                return;
            }
            doc.ClearDocument();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (ass ? c.assBytes : c.lrcBytes)));
    state.counters["songs"] = static_cast<double>(files.size());
}

void BM_AssReader(benchmark::State& state) {
    Run(state, true);
}
BENCHMARK(BM_AssReader)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Reference: the LRC reader on the same lyrics.
void BM_LrcReaderSameLyrics(benchmark::State& state) {
    Run(state, false);
}
BENCHMARK(BM_LrcReaderSameLyrics)->Unit(benchmark::kMillisecond)->MinTime(2.0);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const auto it = r.counters.find("bytes_per_second");
            if (it == r.counters.end()) continue;
            seconds_[r.run_name.function_name] = r.GetAdjustedRealTime();
            rates_[r.run_name.function_name] = it->second.value / 1e6;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (!seconds_.count("BM_AssReader") || !seconds_.count("BM_LrcReaderSameLyrics")) return;
        const Corpus& c = GetCorpus();
        std::printf("\nsame lyrics: %zu songs, ASS %.1f MB, LRC %.1f MB (MB = 10^6 bytes)\n", c.ass.size(),
                    c.assBytes / 1e6, c.lrcBytes / 1e6);
        std::printf("  ASS reader %9.1f MB/s, LRC reader %9.1f MB/s\n", rates_["BM_AssReader"],
                    rates_["BM_LrcReaderSameLyrics"]);
        std::printf("  ASS reader as a ratio of the LRC reader, same lyrics, by time: %.3f\n",
                    seconds_["BM_LrcReaderSameLyrics"] / seconds_["BM_AssReader"]);
    }

private:
    std::map<std::string, double> seconds_, rates_;
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
