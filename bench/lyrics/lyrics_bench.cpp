// Reading a 20 MB LRC file with word stamps through LoadLyricsFile, against
// a plain memcpy of the same bytes measured in the same run; the same for a
// UTF-8 file without a byte order mark, and the decoding step alone against
// a plain code-page widening of the same bytes.
//   lyrics_bench [--lrc=FILE] [--generate=FILE] [benchmark options]
// --generate writes the generated file and exits (the ffmpeg comparison
// script uses it); --lrc reads FILE instead of the generated text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/lyrics/lrc_corpus.h"
#include "common/text.h"
#include "lyrics/load_lyrics_file.h"
#include "lyrics/text_decode.h"

namespace {

constexpr size_t kTargetBytes = 20'000'000;

struct Corpus {
    std::string text;
    std::vector<std::filesystem::path> songFiles;  // one file per song
    std::filesystem::path reversedSong;             // the first song, lines in reverse order
    std::filesystem::path folder;
    size_t firstSongBytes = 0;

    ~Corpus() {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
};

std::string g_lrcPath;

void WriteFile(const std::filesystem::path& p, const char* data, size_t n) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(data, static_cast<std::streamsize>(n));
}

// The first song with its timed lines in reverse order: the reader must sort.
std::string Reversed(const std::string& song) {
    std::vector<std::string> header, lines;
    size_t pos = 0;
    while (pos < song.size()) {
        size_t end = song.find('\n', pos);
        end = end == std::string::npos ? song.size() : end + 1;
        std::string line = song.substr(pos, end - pos);
        (line.size() > 1 && line[1] >= '0' && line[1] <= '9' ? lines : header).push_back(line);
        pos = end;
    }
    std::string out;
    for (const auto& h : header) out += h;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) out += *it;
    return out;
}

// The ASCII corpus (or the --lrc file), and the UTF-8 one without a mark.
Corpus MakeCorpus(bool utf8) {
    Corpus c;
    if (g_lrcPath.empty() || utf8) {
        c.text = mr::bench::GenerateLrc(kTargetBytes, utf8);
    } else {
        std::ifstream f(g_lrcPath, std::ios::binary);
        c.text.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    c.folder = std::filesystem::temp_directory_path() /
               ("mr-lyrics-bench-" + std::to_string(::getpid()) + (utf8 ? "-utf8" : ""));
    std::filesystem::create_directories(c.folder);
    int n = 0;
    for (const auto& s : mr::bench::SplitSongs(c.text)) {
        c.songFiles.push_back(c.folder / ("song" + std::to_string(n++) + ".lrc"));
        WriteFile(c.songFiles.back(), c.text.data() + s.offset, s.size);
        if (n == 1) {
            c.firstSongBytes = s.size;
            const std::string reversed = Reversed(c.text.substr(s.offset, s.size));
            c.reversedSong = c.folder / "reversed.lrc";
            WriteFile(c.reversedSong, reversed.data(), reversed.size());
        }
    }
    return c;
}

Corpus& GetCorpus(bool utf8 = false) {
    if (utf8) {
        static Corpus corpus = MakeCorpus(true);
        return corpus;
    }
    static Corpus corpus = MakeCorpus(false);
    return corpus;
}

bool Load(benchmark::State& state, mr::LyricsDocument& doc, const std::filesystem::path& p) {
    const bool ok = mr::LoadLyricsFile(doc, p.u16string(), mr::kLyricsKindLrc, 1);
    if (!ok || doc.GetSyncTimeCount() == 0) {
        state.SkipWithError(("loading " + p.string() + " failed or gave no times").c_str());
        return false;
    }
    doc.ClearDocument();
    return true;
}

// The whole file, one song after another, each through LoadLyricsFile into a
// document cleared between songs (a song fills one document; the whole file
// would pass the document's capacities).
void BM_LoadLyricsFile_Lrc20MB(benchmark::State& state) {
    Corpus& c = GetCorpus(state.range(0) != 0);
    mr::LyricsDocument doc;
    for (auto _ : state) {
        for (const auto& f : c.songFiles)
            if (!Load(state, doc, f)) return;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
    state.counters["songs"] = static_cast<double>(c.songFiles.size());
    state.SetLabel(state.range(0) ? "UTF-8 without a mark" : "ASCII");
}
BENCHMARK(BM_LoadLyricsFile_Lrc20MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The decoding step alone on the whole file: a file without a mark is
// checked for UTF-8 while it is converted.
void BM_DecodeLyricsText20MB(benchmark::State& state) {
    Corpus& c = GetCorpus(state.range(0) != 0);
    std::vector<uint8_t> bytes(c.text.begin(), c.text.end());
    for (auto _ : state) {
        mr::DecodedLyricsText decoded;
        int encoding = 0;
        if (!mr::DecodeLyricsText(bytes.data(), static_cast<uint32_t>(bytes.size()), &decoded, &encoding) ||
            encoding != (state.range(0) ? mr::kEncodingUtf8 : mr::kEncodingAnsi)) {
            state.SkipWithError("decoding failed or found another encoding");
            return;
        }
        benchmark::DoNotOptimize(decoded.Units());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
    state.SetLabel(state.range(0) ? "UTF-8 without a mark" : "ASCII");
}
BENCHMARK(BM_DecodeLyricsText20MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Reference for the decoding step: what reading every file without a mark
// in the code page costs (a fresh buffer, the mark, the widening).
void BM_AnsiDecode20MB(benchmark::State& state) {
    Corpus& c = GetCorpus();
    for (auto _ : state) {
        auto* units = static_cast<char16_t*>(std::malloc((c.text.size() + 1) * sizeof(char16_t)));
        units[0] = 0xFEFF;
        mr::AnsiToUtf16(c.text.data(), c.text.size(), units + 1, c.text.size());
        benchmark::DoNotOptimize(units);
        std::free(units);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
}
BENCHMARK(BM_AnsiDecode20MB)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Reference: copying the same bytes once.
void BM_Memcpy20MB(benchmark::State& state) {
    Corpus& c = GetCorpus();
    std::vector<char> to(c.text.size());
    for (auto _ : state) {
        std::memcpy(to.data(), c.text.data(), c.text.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.text.size()));
}
BENCHMARK(BM_Memcpy20MB)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// One song in file order and the same song with its lines in reverse order
// (sorted by the reader): the reverse order must not cost much more.
void BM_LoadLyricsFile_OneSong(benchmark::State& state) {
    Corpus& c = GetCorpus();
    mr::LyricsDocument doc;
    const auto& f = state.range(0) ? c.reversedSong : c.songFiles.front();
    for (auto _ : state)
        if (!Load(state, doc, f)) return;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.firstSongBytes));
    state.SetLabel(state.range(0) ? "lines in reverse order" : "lines in order");
}
BENCHMARK(BM_LoadLyricsFile_OneSong)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Prints the usual table, then each reader's throughput as a ratio of the
// memcpy measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const auto it = r.counters.find("bytes_per_second");
            if (it == r.counters.end() || r.error_occurred) continue;
            std::string name = r.run_name.function_name;
            if (!r.run_name.args.empty()) name += "/" + r.run_name.args;
            rates_[name] = it->second.value / 1e6;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto copy = rates_.find("BM_Memcpy20MB");
        if (copy == rates_.end()) return;
        std::printf("\nthroughput (MB = 10^6 bytes) and ratio to the memcpy of the same bytes in this run:\n");
        for (const auto& [name, mbps] : rates_)
            std::printf("  %-40s %9.1f MB/s  %7.4f\n", name.c_str(), mbps, mbps / copy->second);
        const auto ansi = rates_.find("BM_AnsiDecode20MB");
        if (ansi == rates_.end()) return;
        std::printf("\ndecoding, as a ratio of the plain code-page decoding of the same bytes in this run:\n");
        for (const auto& [name, mbps] : rates_)
            if (name.rfind("BM_DecodeLyricsText20MB", 0) == 0)
                std::printf("  %-40s %7.4f\n", name.c_str(), mbps / ansi->second);
    }

private:
    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--lrc=", 6) == 0) {
            g_lrcPath = argv[i] + 6;
        } else if (std::strncmp(argv[i], "--generate=", 11) == 0) {
            const std::string text = mr::bench::GenerateLrc(kTargetBytes);
            WriteFile(argv[i] + 11, text.data(), text.size());
            return 0;
        } else {
            args.push_back(argv[i]);
        }
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
