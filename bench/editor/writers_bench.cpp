// Saving a 100,000-line document through the save flow, as a native file and
// as UTF-8 LRC with word stamps, against writing the same number of bytes
// with one plain write (and with the same temporary file, flush and rename
// the save flow does) in the same run.
//   writers_bench [benchmark options]
// After the table it prints each save's throughput and its ratio to the
// plain write of its own size.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/text.h"
#include "editor/files/lrc_writer.h"
#include "editor/files/save_flow.h"
#include "editor/store/sync_document.h"
#include "lyrics/lyrics_document.h"
#include "lyrics/text_decode.h"

namespace {

using mr::SaveStatus;

constexpr int kLines = 100000;
constexpr uint32_t kTimesPerLyrics = 131072;  // a LyricsDocument's time table

// 100,000 lines of 7 characters (the store holds 873,811 cells, so a
// document of that many lines has short ones), every fourth with a
// syncpoint: 800,000 cells and 125,000 segments, all timed with 4-tick
// entries, contiguous within a group of four lines and a tick apart between
// groups, so that the whole song stays below the 100 minutes LRC can hold.
std::unique_ptr<mr::SyncDocument> MakeDocument() {
    static const char16_t* const kTexts[] = {u"ab |cdef", u"lalalal", u"ohyeahh", u"gohome!"};
    auto doc = std::make_unique<mr::SyncDocument>();
    mr::LyricsDocument text;
    std::unique_ptr<mr::LyricsDocument> times = std::make_unique<mr::LyricsDocument>();
    int32_t t = 0;  // ms
    int segments = 0;
    for (int i = 0; i < kLines; ++i) {
        std::u16string line = kTexts[i % 4];
        const size_t bar = line.find(u'|');
        if (bar != std::u16string::npos) line.erase(bar, 1);
        uint32_t index = 0;
        text.AddText(line, &index);
        text.AddLine(index, text.GetSyncCount());
        text.AddSyncPoint(mr::LineStartMarker(static_cast<uint32_t>(i)));
        if (bar != std::u16string::npos) text.AddSyncPoint(static_cast<uint32_t>(bar));
        if (i % 4 == 0) t += 10;
        for (int k = bar != std::u16string::npos ? 2 : 1; k > 0; --k, ++segments) {
            if (times->GetSyncTimeCount() == kTimesPerLyrics) {
                doc->LoadTimes(*times);
                times = std::make_unique<mr::LyricsDocument>();
            }
            times->AddSyncTime(t, t + 40);
            t += 40;
        }
    }
    if (!doc->LoadTimes(*times) || !doc->LoadText(text) || doc->SegmentCount() != segments ||
        doc->TimingCount() != segments) {
        std::fprintf(stderr, "writers_bench: the document could not be built\n");
        std::exit(1);
    }
    return doc;
}

struct Fixture {
    std::unique_ptr<mr::SyncDocument> doc = MakeDocument();
    std::filesystem::path folder;
    std::map<int, uint64_t> bytes;  // size of the saved file by kind

    Fixture() {
        char pattern[] = "/tmp/writers_bench.XXXXXX";
        if (mkdtemp(pattern)) folder = pattern;
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::u16string Path(const char* name) const { return mr::Utf8ToUtf16((folder / name).string()); }
};

Fixture& Get() {
    static Fixture f;
    return f;
}

mr::SaveOptions Options(int kind) {
    mr::SaveOptions o;
    o.kind = kind;
    o.encoding = mr::kEncodingUtf8;
    o.fields = mr::SaveFields{u"Lanterns on the Quay", u"The Mirelto Demo Band", u"Sample Sessions", false};
    return o;
}

void Save(benchmark::State& state, int kind, const char* name) {
    Fixture& f = Get();
    const std::u16string target = f.Path(name);
    const mr::SaveOptions options = Options(kind);
    for (auto _ : state) {
        const SaveStatus status = mr::SaveLyricsFile(*f.doc, target, options);
        if (status != SaveStatus::kSaved) {
            state.SkipWithError(mr::SaveStatusText(status));
            return;
        }
    }
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(f.folder / name, ec);
    if (ec) {
        state.SkipWithError("no file");
        return;
    }
    f.bytes[kind] = size;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["file_bytes"] = static_cast<double>(size);
}

void SaveNative(benchmark::State& state) {
    Save(state, mr::kLyricsKindNative, "song.mr");
}

void SaveLrcUtf8(benchmark::State& state) {
    Save(state, mr::kLyricsKindLrc, "song.lrc");
}

// The LRC writer alone, in memory.
void BuildLrcUtf8(benchmark::State& state) {
    Fixture& f = Get();
    const mr::SaveOptions o = Options(mr::kLyricsKindLrc);
    uint64_t size = 0;
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        mr::BuildLrc(*f.doc, o.fields, false, mr::kEncodingUtf8, &bytes);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// References: the same number of bytes as the save of `kind`, with one plain
// write (create, write, close), and with the save flow's file steps (a
// unique temporary file, write, flush, rename over the target).
void PlainWrite(benchmark::State& state, int kind, bool atomic) {
    Fixture& f = Get();
    const uint64_t size = f.bytes.count(kind) ? f.bytes[kind] : 0;
    if (size == 0) {
        state.SkipWithError("run the save first (it sets the size)");
        return;
    }
    const std::string data(size, 'x');
    const std::string target = (f.folder / "plain.out").string();
    for (auto _ : state) {
        if (atomic) {
            std::u16string temp;
            if (!mr::fs::CreateUniqueTempFile(mr::Utf8ToUtf16(f.folder.string()), u"mr", &temp)) {
                state.SkipWithError("no temporary file");
                break;
            }
            const int fd = ::open(mr::Utf16ToUtf8(temp).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) ||
                ::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(mr::Utf16ToUtf8(temp).c_str(), target.c_str()) != 0) {
                state.SkipWithError("write failed");
                break;
            }
        } else {
            const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) ||
                ::close(fd) != 0) {
                state.SkipWithError("write failed");
                break;
            }
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void PlainWriteNativeSize(benchmark::State& state) {
    PlainWrite(state, mr::kLyricsKindNative, false);
}
void PlainWriteLrcSize(benchmark::State& state) {
    PlainWrite(state, mr::kLyricsKindLrc, false);
}
void AtomicWriteNativeSize(benchmark::State& state) {
    PlainWrite(state, mr::kLyricsKindNative, true);
}
void AtomicWriteLrcSize(benchmark::State& state) {
    PlainWrite(state, mr::kLyricsKindLrc, true);
}

// The saves run first: they set the sizes the references write.
BENCHMARK(SaveNative)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(SaveLrcUtf8)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BuildLrcUtf8)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(PlainWriteNativeSize)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(PlainWriteLrcSize)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(AtomicWriteNativeSize)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(AtomicWriteLrcSize)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

// Prints the usual table, then each save's throughput and its ratio to the
// plain writes of the same size measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const auto it = r.counters.find("bytes_per_second");
            if (it == r.counters.end() || r.error_occurred) continue;
            rates_[r.run_name.function_name] = it->second.value / 1e6;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nthroughput (MB = 10^6 bytes); ratio = save / reference of the same size in this run:\n");
        for (const auto& [save, size] : {std::pair{"SaveNative", "NativeSize"}, std::pair{"SaveLrcUtf8", "LrcSize"}}) {
            const auto s = rates_.find(save);
            const auto plain = rates_.find(std::string("PlainWrite") + size);
            const auto atomic = rates_.find(std::string("AtomicWrite") + size);
            if (s == rates_.end() || plain == rates_.end() || atomic == rates_.end()) continue;
            std::printf("  %-12s %8.1f MB/s   vs one plain write %8.1f MB/s: %6.3f   vs temp+write+flush+rename "
                        "%8.1f MB/s: %6.3f\n",
                        save, s->second, plain->second, s->second / plain->second, atomic->second,
                        s->second / atomic->second);
        }
        const auto build = rates_.find("BuildLrcUtf8");
        if (build != rates_.end()) std::printf("  %-12s %8.1f MB/s   (the LRC writer alone, in memory)\n",
                                               "BuildLrcUtf8", build->second);
    }

private:
    std::map<std::string, double> rates_;
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
