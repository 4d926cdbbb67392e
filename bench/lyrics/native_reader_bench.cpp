// The native .mr reader through LoadLyricsFile:
// - a 20 MB version 3 file with 100,000 lines, read whole, against a memcpy of
//   the same 20 MB measured in the same run;
// - a 200 MiB file whose pictures make up nearly all of it, walked chunk by
//   chunk: time, and the memory the load held at its peak.
// The files are generated into a temporary folder and deleted at exit.
//   native_reader_bench [benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/text.h"
#include "lyrics/load_lyrics_file.h"
#include "lyrics/native_reader.h"

namespace {

constexpr uint32_t kLines = 100000;
constexpr uint32_t kWordSyncs = 30000;        // the sync and time tables stay within a document's capacity
constexpr size_t kSmallFileBytes = 20000000;  // 20 MB
constexpr size_t kLargeFileBytes = size_t{200} << 20;  // 200 MiB
constexpr uint32_t kLargePictures = 100;

class Random {
public:
    uint32_t Next(uint32_t n) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>((state_ >> 33) % n);
    }

private:
    uint64_t state_ = 0x4E617469ull;
};

void PutU32BE(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}

std::string Chunk(const char* tag, const std::string& data, uint32_t flags = 0) {
    std::string c = tag;
    PutU32BE(c, static_cast<uint32_t>(data.size() + 4));
    PutU32BE(c, flags);
    return c + data;
}

// A line of about 50 characters: plain Latin, accented Latin or CJK (three
// UTF-8 bytes each), so the text exercises every width of UTF-8.
std::u16string LineText(Random& r, uint32_t i) {
    static const char16_t* const latin[] = {u"la", u"mi", u"ro", u"ven", u"tal", u"shi", u"ko", u"nel", u"sun"};
    static const char16_t* const accented[] = {u"\u00E9t\u00E9", u"c\u0153ur", u"gr\u00FC\u00DF", u"ma\u00F1ana",
                                               u"f\u00EAte", u"s\u00F8n"};
    std::u16string t;
    const uint32_t kind = i % 10;  // 4 Latin, 3 accented, 3 CJK in every ten lines
    while (t.size() < 44) {
        if (kind < 4) t += latin[r.Next(9)];
        else if (kind < 7) t += accented[r.Next(6)];
        else {
            for (int k = 0; k < 4; ++k) t += static_cast<char16_t>(0x4E00 + r.Next(0x5000));
        }
        t += u' ';
    }
    t += std::u16string(u"#") + mr::Utf8ToUtf16(std::to_string(i));  // every line distinct
    return t;
}

// The lyrics chunks (INFO, TEXT, SPT0, TSP0) of `lines` lines, `words` of
// which carry one word sync point, every segment timed.
std::string LyricsChunks(uint32_t lines, uint32_t words) {
    Random r;
    std::string text, sync, times;
    uint32_t ms = 0;
    const uint32_t every = words ? lines / words : 0;
    for (uint32_t i = 0; i < lines; ++i) {
        const std::u16string t = LineText(r, i);
        text += mr::Utf16ToUtf8(t);
        text += '\0';
        PutU32BE(sync, 0x80000000u | i);
        PutU32BE(times, ms);
        const bool word = every && i % every == 0 && i / every < words;
        if (word) {
            PutU32BE(sync, static_cast<uint32_t>(t.size() / 2));
            PutU32BE(times, 0x80000000u | (ms + 900));  // the word follows at once
        }
        PutU32BE(times, ms + 1800);
        ms += 2000;  // a gap before the next line
    }
    return Chunk("INFO", std::string("Benchmark\0Mirelto\0Native\0", 26)) + Chunk("TEXT", text) +
           Chunk("SPT0", sync) + Chunk("TSP0", times);
}

std::string Header(size_t fileSize) {
    std::string h("MR\0" "3", 4);
    PutU32BE(h, static_cast<uint32_t>(fileSize - 8));
    PutU32BE(h, 0);
    return h;
}

// Writes header, lyrics and a picture chunk that brings the file to exactly
// `size` bytes with `pictures` records of pseudo-random bytes, in 1 MiB
// blocks. Returns the number of lyric bytes (header and lyrics chunks).
size_t WriteMr(const std::filesystem::path& path, size_t size, const std::string& lyrics, uint32_t pictures) {
    const size_t fixed = 12 + lyrics.size() + 12 + size_t{8} * pictures;
    const size_t pictureBytes = size - fixed;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    std::string head = Header(size) + lyrics + "IMG0";
    PutU32BE(head, static_cast<uint32_t>(size - 12 - lyrics.size() - 8));
    PutU32BE(head, 0);
    f.write(head.data(), static_cast<std::streamsize>(head.size()));
    std::vector<char> block(size_t{1} << 20);
    Random r;
    for (char& c : block) c = static_cast<char>(r.Next(256));
    for (uint32_t p = 0; p < pictures; ++p) {
        size_t n = pictureBytes / pictures + (p + 1 == pictures ? pictureBytes % pictures : 0);
        std::string record;
        PutU32BE(record, 5000);
        PutU32BE(record, static_cast<uint32_t>(n));
        f.write(record.data(), 8);
        while (n) {
            const size_t k = n < block.size() ? n : block.size();
            f.write(block.data(), static_cast<std::streamsize>(k));
            n -= k;
        }
    }
    return 12 + lyrics.size();
}

struct Files {
    std::filesystem::path folder, small, largeSong, largeLines;
    size_t smallLyricBytes = 0;
    std::vector<char> smallBytes;  // the 20 MB file's bytes, for the memcpy reference

    Files() {
        folder = std::filesystem::temp_directory_path() / ("mr-native-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        small = folder / "lines100k.mr";
        smallLyricBytes = WriteMr(small, kSmallFileBytes, LyricsChunks(kLines, kWordSyncs), 4);
        std::ifstream in(small, std::ios::binary);
        smallBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        largeSong = folder / "song200MiB.mr";
        WriteMr(largeSong, kLargeFileBytes, LyricsChunks(60, 30), kLargePictures);
        largeLines = folder / "lines100k200MiB.mr";
        WriteMr(largeLines, kLargeFileBytes, LyricsChunks(kLines, kWordSyncs), kLargePictures);
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Files& GetFiles() {
    static Files files;
    return files;
}

// Resident memory of the process in bytes (VmRSS), and its peak since the
// last reset (VmHWM). Writing "5" to clear_refs resets the peak to the
// current size (Linux), so the peak of one load can be taken on its own.
size_t StatusBytes(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0) return std::stoull(line.substr(std::strlen(key))) * 1024;
    return 0;
}
bool ResetPeak() {
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    f.flush();
    return static_cast<bool>(f);
}

bool Load(benchmark::State& state, mr::LyricsDocument& doc, const std::filesystem::path& p, uint32_t lines) {
    if (!mr::LoadLyricsFile(doc, p.u16string(), mr::kLyricsKindNative, 1) || doc.GetLineCount() != lines ||
        doc.GetSlideImageCount() == 0) {
        state.SkipWithError(("reading " + p.string() + " failed or gave the wrong counts").c_str());
        return false;
    }
    return true;
}

void BM_ReadNative20MB(benchmark::State& state) {
    Files& f = GetFiles();
    mr::LyricsDocument doc;
    for (auto _ : state) {
        if (!Load(state, doc, f.small, kLines)) return;
        doc.ClearDocument();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSmallFileBytes));
    state.counters["lyricMB"] = static_cast<double>(f.smallLyricBytes) / 1e6;
}
BENCHMARK(BM_ReadNative20MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Reference: copying the same 20 MB once.
void BM_Memcpy20MB(benchmark::State& state) {
    Files& f = GetFiles();
    std::vector<char> to(f.smallBytes.size());
    for (auto _ : state) {
        std::memcpy(to.data(), f.smallBytes.data(), f.smallBytes.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.smallBytes.size()));
}
BENCHMARK(BM_Memcpy20MB)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// A 200 MiB file: the lyrics of one song (arg 0) or the same 100,000 lines
// (arg 1), then 100 pictures. Reports the time of a load and the memory it
// held at its peak: the growth of the process's peak resident size during
// the load, and what the document and the source file's buffer hold after it.
void BM_ReadNative200MiB(benchmark::State& state) {
    Files& f = GetFiles();
    const bool manyLines = state.range(0) != 0;
    const auto& path = manyLines ? f.largeLines : f.largeSong;
    const uint32_t lines = manyLines ? kLines : 60;
    mr::LyricsDocument doc;
    double peakGrowth = 0, held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        doc.ClearDocument();
        const bool reset = ResetPeak();
        const size_t before = StatusBytes("VmRSS:");
        state.ResumeTiming();
        if (!Load(state, doc, path, lines)) return;
        state.PauseTiming();
        const size_t peak = StatusBytes("VmHWM:");
        if (reset && peak > before && static_cast<double>(peak - before) > peakGrowth)
            peakGrowth = static_cast<double>(peak - before);
        held = static_cast<double>(doc.CommittedBytes() + doc.SourceFile().Capacity());
        state.ResumeTiming();
    }
    state.counters["peakRSSGrowthMiB"] = peakGrowth / (1 << 20);
    state.counters["heldMiB"] = held / (1 << 20);
    state.SetLabel(manyLines ? "100,000 lines and 100 pictures" : "60 lines and 100 pictures");
}
BENCHMARK(BM_ReadNative200MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

// Prints the usual table, then the 20 MB read's throughput as a ratio of the
// memcpy of the same bytes measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            // With repetitions, the median stands for the benchmark.
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            const auto it = r.counters.find("bytes_per_second");
            if (it == r.counters.end() || r.error_occurred) continue;
            rates_[r.run_name.function_name] = it->second.value / 1e6;
            const auto lyric = r.counters.find("lyricMB");
            if (lyric != r.counters.end()) lyricShare_ = lyric->second.value / (kSmallFileBytes / 1e6);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto copy = rates_.find("BM_Memcpy20MB");
        const auto read = rates_.find("BM_ReadNative20MB");
        if (copy == rates_.end() || read == rates_.end()) return;
        std::printf("\nthe 20 MB file (MB = 10^6 bytes), as a ratio of the memcpy of the same bytes in this run:\n");
        std::printf("  memcpy                      %9.1f MB/s\n", copy->second);
        std::printf("  read, whole file            %9.1f MB/s  %7.4f\n", read->second, read->second / copy->second);
        std::printf("  read, lyric chunks only     %9.1f MB/s  %7.4f  (%.0f%% of the file; pictures are not parsed)\n",
                    read->second * lyricShare_, read->second * lyricShare_ / copy->second, lyricShare_ * 100);
    }

private:
    std::map<std::string, double> rates_;
    double lyricShare_ = 0;
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
