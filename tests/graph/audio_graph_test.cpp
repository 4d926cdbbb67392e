// The editor's decode and playback graphs under Wine, with the real filter
// modules registered through their own DllRegisterServer, the platform's
// splitter and decoders, real media made by tests/media/make_media.sh, and
// ALSA's null device as the sound output. The listener and the window are the
// test's own; no editor window class is involved.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/graph/audio_graph.h"
#include "audio/graph/graph_filters.h"
#include "audio/dshow/tee.h"
#include "common/com/filter_ids.h"
#include "common/lock.h"
#include "editor/timeline/waveform.h"
#include "tests/dshow/graph_support.h"
#include "tests/graph/stand_in_filters.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

using graph::AudioGraph;
using graph::DecodeChain;
using graph::GraphMode;
using graph::PlayMode;
using graph::PlayState;

constexpr int64_t kMs = 10000;  // 100-ns units

// The performance counter in 100-ns units: wall-clock time, independent of
// the graph's reference clock.
int64_t WallClock() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(static_cast<double>(now.QuadPart) * 1e7 / static_cast<double>(frequency));
}

std::u16string MediaPath(std::string_view name) {
    std::string p = std::string(MR_MEDIA_DIR) + "/" + std::string(name);
    std::replace(p.begin(), p.end(), '/', '\\');
    p = "Z:" + p;
    return std::u16string(p.begin(), p.end());
}

// The owner's side: records what the graph reports, builds the waveform when
// the decode finishes, and pumps the window that receives the graph's events.
class Owner final : public graph::GraphListener {
public:
    struct Progress {
        GraphMode phase;  // the graph mode when the value arrived
        int64_t value;
        int64_t wall;     // WallClock() when it arrived
    };

    explicit Owner(graph::FilterFactory* factory = nullptr) {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Owner::WindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"MRGraphTestOwner";
            return RegisterClassW(&wc);
        }();
        EXPECT_NE(atom, 0);
        window_ = CreateWindowExW(0, L"MRGraphTestOwner", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(window_, nullptr);
        graph_ = new AudioGraph(window_, this, factory);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(graph_));
        graph_->SetDecodedPath(dir_.Path(u"decoded.tmp"));
    }
    ~Owner() {
        delete graph_;
        DestroyWindow(window_);
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    AudioGraph& Graph() { return *graph_; }
    ScopedTempDir& Dir() { return dir_; }

    void OnGraphModeChanged(GraphMode mode) override {
        phase_.store(static_cast<int>(mode));
        modes.push_back(mode);
    }
    void OnPlayStateChanged(PlayState state) override { states.push_back(state); }
    void OnProgress(int64_t value) override {
        LockGuard hold(lock_);
        progress_.push_back({static_cast<GraphMode>(phase_.load()), value, WallClock()});
    }
    void OnDecodeFinished(const std::u16string& path) override {
        decodedPaths.push_back(path);
        waveformBuilt = BuildWaveform(path, &peaks);
    }
    void OnPlayFailed() override { ++playFailures; }

    std::vector<int64_t> ProgressIn(GraphMode phase) {
        LockGuard hold(lock_);
        std::vector<int64_t> v;
        for (const Progress& p : progress_)
            if (p.phase == phase) v.push_back(p.value);
        return v;
    }
    size_t ProgressCount() {
        LockGuard hold(lock_);
        return progress_.size();
    }
    std::vector<Progress> ReportsSince(size_t first) {
        LockGuard hold(lock_);
        return std::vector<Progress>(progress_.begin() + static_cast<ptrdiff_t>(std::min(first, progress_.size())),
                                     progress_.end());
    }
    std::vector<int64_t> ProgressSince(size_t first) {
        LockGuard hold(lock_);
        std::vector<int64_t> v;
        for (size_t i = first; i < progress_.size(); ++i) v.push_back(progress_[i].value);
        return v;
    }

    // Dispatches the window's messages until `done` holds or `ms` pass.
    bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (done()) return true;
            if (GetTickCount() - start > ms) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    void PumpFor(DWORD ms) {
        PumpUntil([] { return false; }, ms);
    }

    // Builds the decode graph of `media`, runs it and waits for the playback
    // graph (or a failure).
    HRESULT Open(const std::u16string& media) {
        const HRESULT hr = graph_->BuildDecodeGraph(media);
        if (FAILED(hr)) return hr;
        if (FAILED(graph_->Run())) return E_FAIL;
        PumpUntil([&] { return graph_->Mode() == GraphMode::PlaybackReady || playFailures > 0; }, 30000);
        return graph_->Mode() == GraphMode::PlaybackReady ? S_OK : E_FAIL;
    }

    std::vector<GraphMode> modes;
    std::vector<PlayState> states;
    std::vector<std::u16string> decodedPaths;
    WaveformPeaks peaks;
    bool waveformBuilt = false;
    int playFailures = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == graph::kGraphNotifyMessage) {
            if (auto* g = reinterpret_cast<AudioGraph*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
                g->HandleGraphEvents();
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    ScopedTempDir dir_;
    HWND window_ = nullptr;
    AudioGraph* graph_ = nullptr;
    std::atomic<int> phase_{0};
    ReentrantLock lock_;
    std::vector<Progress> progress_;
};

std::vector<std::wstring> FilterNames(IGraphBuilder* g) {
    std::vector<std::wstring> names;
    for (const auto& f : graph::GraphFilters(g)) {
        FILTER_INFO info{};
        if (SUCCEEDED(f->QueryFilterInfo(&info))) {
            names.push_back(info.achName);
            if (info.pGraph) info.pGraph->Release();
        }
    }
    return names;
}

bool Has(const std::vector<std::wstring>& names, const wchar_t* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

class audio_graph : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ComScope com;
        for (const wchar_t* dll : {L"mrws.dll", L"mrrt.dll", L"mrwsc.dll"})
            ASSERT_EQ(CallModuleExport(dll, "DllRegisterServer"), S_OK) << "registering the filter module";
    }
    ComScope com_;
};

// The whole open: MP3 -> decoded wave file with rising percent -> waveform ->
// playback graph -> a played segment with positions -> release.
TEST_F(audio_graph, mp3_decodes_builds_the_waveform_and_plays) {
    TestFactory factory;
    Owner owner(&factory);
    AudioGraph& g = owner.Graph();

    ASSERT_EQ(g.BuildDecodeGraph(MediaPath("speech.mp3")), S_OK);
    // No optional source is registered: the platform file source decodes it.
    EXPECT_EQ(g.LastDecodeChain(), DecodeChain::FileSource);
    EXPECT_EQ(g.Mode(), GraphMode::Decoding);
    ASSERT_EQ(g.Run(), S_OK);
    ASSERT_TRUE(owner.PumpUntil([&] { return g.Mode() == GraphMode::PlaybackReady || owner.playFailures; }, 30000));
    ASSERT_EQ(g.Mode(), GraphMode::PlaybackReady);
    EXPECT_EQ(owner.playFailures, 0);
    EXPECT_EQ(owner.modes, (std::vector<GraphMode>{GraphMode::None, GraphMode::Decoding, GraphMode::Decoded,
                                                   GraphMode::PlaybackReady}));

    // Percent while decoding: rising, within 0..100, ending at 100.
    const std::vector<int64_t> percent = owner.ProgressIn(GraphMode::Decoding);
    ASSERT_FALSE(percent.empty());
    EXPECT_TRUE(std::is_sorted(percent.begin(), percent.end()));
    EXPECT_GE(percent.front(), 0);
    EXPECT_EQ(percent.back(), 100);

    // The waveform, from the decoded file, before the playback graph: about
    // 6.9 s of speech with quiet padding at the start.
    ASSERT_EQ(owner.decodedPaths, std::vector<std::u16string>{g.DecodedPath()});
    ASSERT_TRUE(owner.waveformBuilt);
    const int32_t ticks = owner.peaks.Duration();
    EXPECT_GE(ticks, 690);
    EXPECT_LE(ticks, 720);
    int loud = 0;
    for (int32_t i = 0; i < ticks; ++i) loud += owner.peaks.Pairs()[2 * i] >= 8;
    EXPECT_GT(loud, 100);
    for (int32_t i = 0; i < 20; ++i) EXPECT_LE(owner.peaks.Pairs()[2 * i], 1) << "tick " << i;
    // The timeline and the playback graph agree on the length, tick for tick.
    EXPECT_EQ(g.Duration() / 100000, ticks);
    EXPECT_EQ(g.SegmentStart(), 0);
    EXPECT_EQ(g.SegmentStop(), g.Duration());
    EXPECT_EQ(g.LastPlayMode(), PlayMode::Play);
    // Wine registers no Infinite Pin Tee; Windows does.
    EXPECT_NE(g.LastTee(), graph::TeeKind::None);

    // Play the first second: positions in media time, then the segment ends.
    const size_t before = owner.ProgressCount();
    owner.states.clear();
    ASSERT_EQ(g.PlaySegment(0, 1000 * kMs, PlayMode::PlayFromSync), S_OK);
    EXPECT_EQ(g.State(), PlayState::Playing);
    ASSERT_TRUE(owner.PumpUntil([&] { return g.State() == PlayState::SegmentEnded; }, 5000));
    EXPECT_EQ(owner.states, (std::vector<PlayState>{PlayState::Playing, PlayState::SegmentEnded}));
    EXPECT_EQ(g.SegmentStart(), -1);  // forgotten once played
    const std::vector<int64_t> positions = owner.ProgressSince(before);
    ASSERT_GE(positions.size(), 5u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_GE(positions.front(), 0);
    EXPECT_GE(positions.back(), 800 * kMs);
    EXPECT_LE(positions.back(), 1000 * kMs);

    // Played to the end of the media: stopped, and the segment forgotten so
    // that the next play sends its positions again.
    owner.states.clear();
    ASSERT_EQ(g.PlaySegment(g.Duration() - 300 * kMs, -1, PlayMode::Play), S_OK);
    EXPECT_EQ(g.SegmentStop(), g.Duration());
    ASSERT_TRUE(owner.PumpUntil([&] { return g.State() == PlayState::Stopped; }, 5000));
    EXPECT_EQ(owner.states, (std::vector<PlayState>{PlayState::Playing, PlayState::Stopped}));
    EXPECT_EQ(g.SegmentStart(), -1);
    EXPECT_EQ(g.SegmentStop(), -1);

    g.ReleaseGraph();
    EXPECT_EQ(g.State(), PlayState::Stopped);
    EXPECT_EQ(g.Mode(), GraphMode::None);
    EXPECT_EQ(g.Graph(), nullptr);
    EXPECT_EQ(owner.modes.back(), GraphMode::None);
    EXPECT_EQ(owner.states.back(), PlayState::Stopped);
    // Every filter and graph made along the way is let go.
    EXPECT_EQ(factory.StillReferenced(), 0);
}

// Which decode chain serves the MP3 when the optional source, the ACM wrapper
// or the platform file source behave in different ways.
TEST_F(audio_graph, decode_chain_falls_back_step_by_step) {
    struct Case {
        const char* name;
        void (*setup)(TestFactory&);
        DecodeChain chain;
        const wchar_t* decoderPresent;  // a filter name the graph must hold, or null
        const wchar_t* decoderAbsent;
        bool partialRender;
    };
    const Case cases[] = {
        {"optional source supplied", [](TestFactory& f) {
             f.Replace(graph::kClsidOptionalAsyncSource,
                       [](StandInLog*) { return NewFilter(graph::kClsidFileSource); });
         }, DecodeChain::AsyncSplitter, nullptr, nullptr, false},
        {"ACM wrapper refuses the splitter's output", [](TestFactory& f) {
             f.Replace(graph::kClsidOptionalAsyncSource,
                       [](StandInLog*) { return NewFilter(graph::kClsidFileSource); });
             f.Replace(graph::kClsidAcmWrapper, [](StandInLog*) { return CreateRefusingFilter(); });
         }, DecodeChain::AsyncSplitter, L"MPEG Layer-3 Decoder", L"ACM Wrapper Filter", false},
        {"file source renders only in part", [](TestFactory& f) {
             f.Replace(graph::kClsidFileSource, &CreatePartialRenderSource);
         }, DecodeChain::RenderFile, nullptr, L"stand-in splitter", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFactory factory;
        c.setup(factory);
        Owner owner(&factory);
        AudioGraph& g = owner.Graph();
        ASSERT_EQ(g.BuildDecodeGraph(MediaPath("speech.mp3")), S_OK);
        EXPECT_EQ(g.LastDecodeChain(), c.chain);
        const std::vector<std::wstring> names = FilterNames(g.Graph());
        if (c.decoderPresent) {
            EXPECT_TRUE(Has(names, c.decoderPresent));
        }
        if (c.decoderAbsent) {
            EXPECT_FALSE(Has(names, c.decoderAbsent));
        }
        if (c.partialRender) {
            // The stand-in's companion did take the sink before the attempt
            // was undone, so the render was partial, not a plain failure.
            EXPECT_EQ(factory.Log().companionsAdded.load(), 1);
            EXPECT_EQ(factory.Log().pcmOutputsConnected.load(), 1);
        }
        // Whatever chain was built decodes the whole file.
        ASSERT_EQ(g.Run(), S_OK);
        ASSERT_TRUE(owner.PumpUntil([&] { return g.Mode() == GraphMode::PlaybackReady || owner.playFailures; },
                                    30000));
        EXPECT_EQ(owner.ProgressIn(GraphMode::Decoding).back(), 100);
        EXPECT_GE(owner.peaks.Duration(), 690);
        EXPECT_LE(owner.peaks.Duration(), 720);
        g.ReleaseGraph();
        EXPECT_EQ(factory.StillReferenced(), 0);
    }
}

// Opens that must fail leave no graph, no mode and no references behind.
TEST_F(audio_graph, refused_opens_leave_nothing) {
    struct Case {
        const char* name;
        std::u16string media;  // empty: the decoded file itself
        bool upperCase;
    };
    const Case cases[] = {
        {"the decoded file itself", u"", false},
        {"the decoded file spelled in capitals", u"", true},
        {"a text file named .mp3", MediaPath("not_audio.mp3"), false},
        {"a missing file", MediaPath("missing.mp3"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFactory factory;
        Owner owner(&factory);
        AudioGraph& g = owner.Graph();
        std::u16string media = c.media.empty() ? g.DecodedPath() : c.media;
        if (c.upperCase)
            for (char16_t& ch : media) ch = ch >= u'a' && ch <= u'z' ? ch - 32 : ch;
        EXPECT_TRUE(FAILED(g.BuildDecodeGraph(media)));
        EXPECT_EQ(g.Graph(), nullptr);
        EXPECT_EQ(g.Mode(), GraphMode::None);
        EXPECT_EQ(g.LastDecodeChain(), DecodeChain::None);
        EXPECT_EQ(factory.StillReferenced(), 0);
        // Nothing arrives later either.
        owner.PumpFor(100);
        EXPECT_EQ(owner.playFailures, 0);
        EXPECT_TRUE(owner.decodedPaths.empty());
    }
}

// Event handling around the decode: a stopped decode ignores its late
// completion, an aborted one reports the failure, and a playback graph that
// cannot be built is reported instead of leaving a dead transport.
TEST_F(audio_graph, decode_events_in_every_mode) {
    {
        SCOPED_TRACE("stopped while decoding");
        Owner owner;
        AudioGraph& g = owner.Graph();
        ASSERT_EQ(g.BuildDecodeGraph(MediaPath("speech.wav")), S_OK);
        ASSERT_EQ(g.Run(), S_OK);
        ASSERT_EQ(g.Stop(), S_OK);
        EXPECT_EQ(g.Mode(), GraphMode::None);
        EXPECT_NE(g.Graph(), nullptr);  // the stopped graph stays until the next build
        owner.PumpFor(500);
        EXPECT_TRUE(owner.decodedPaths.empty());
        EXPECT_EQ(g.Mode(), GraphMode::None);
        EXPECT_EQ(owner.playFailures, 0);
    }
    {
        SCOPED_TRACE("the sink cannot write the decoded file");
        Owner owner;
        AudioGraph& g = owner.Graph();
        g.SetDecodedPath(owner.Dir().Path(u"no such folder\\decoded.tmp"));
        ASSERT_EQ(g.BuildDecodeGraph(MediaPath("speech.mp3")), S_OK);
        ASSERT_EQ(g.Run(), S_OK);
        ASSERT_TRUE(owner.PumpUntil([&] { return owner.playFailures > 0; }, 10000));
        EXPECT_EQ(owner.playFailures, 1);
        EXPECT_EQ(g.Graph(), nullptr);
        EXPECT_EQ(g.Mode(), GraphMode::None);
        EXPECT_TRUE(owner.decodedPaths.empty());
    }
    {
        SCOPED_TRACE("the playback graph cannot be built");
        TestFactory factory;
        factory.Refuse(CLSID_MRWavRenderTimer);
        Owner owner(&factory);
        AudioGraph& g = owner.Graph();
        EXPECT_EQ(owner.Open(MediaPath("speech.wav")), E_FAIL);
        EXPECT_EQ(owner.playFailures, 1);
        EXPECT_TRUE(owner.waveformBuilt);  // the waveform came first
        EXPECT_EQ(g.Graph(), nullptr);
        EXPECT_NE(g.Mode(), GraphMode::PlaybackReady);
        EXPECT_EQ(factory.StillReferenced(), 0);
    }
}

// Media time per wall-clock time over `ms` of playback, by the graph's
// position and by the render timer's reports.
struct Rates {
    double graph = 0, reported = 0;
};
Rates MeasureRates(Owner& owner, DWORD ms) {
    AudioGraph& g = owner.Graph();
    const size_t first = owner.ProgressCount();
    int64_t p0 = 0, p1 = 0;
    const int64_t w0 = WallClock();
    EXPECT_EQ(g.CurrentPosition(&p0), S_OK);
    owner.PumpFor(ms);
    EXPECT_EQ(g.CurrentPosition(&p1), S_OK);
    const int64_t w1 = WallClock();
    Rates r;
    r.graph = static_cast<double>(p1 - p0) / static_cast<double>(w1 - w0);
    const std::vector<Owner::Progress> reports = owner.ReportsSince(first);
    if (reports.size() >= 2)
        r.reported = static_cast<double>(reports.back().value - reports.front().value) /
                     static_cast<double>(reports.back().wall - reports.front().wall);
    return r;
}

// Media time runs with the wall clock, and at half its pace with Slow Down,
// by the graph's position and by the render timer's reports alike. Switched
// while playing, the play resumes where it was; switched while stopped, the
// next play takes the new speed.
TEST_F(audio_graph, slow_down_halves_the_pace_and_resumes_in_place) {
    Owner owner;
    AudioGraph& g = owner.Graph();
    ASSERT_EQ(owner.Open(MediaPath("speech.mp3")), S_OK);
    ASSERT_EQ(g.PlaySegment(0, -1, PlayMode::Play), S_OK);
    owner.PumpFor(150);

    const struct {
        const char* name;
        bool slow;
        bool whileStopped;
        double rate;
    } steps[] = {
        {"normal speed", false, false, 1.0},
        {"switched on while playing", true, false, 0.5},
        {"switched off while playing", false, false, 1.0},
        {"switched on while stopped", true, true, 0.5},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.whileStopped) {
            ASSERT_EQ(g.Stop(), S_OK);
            ASSERT_EQ(g.SetSlowDown(step.slow), S_OK);
            EXPECT_EQ(g.State(), PlayState::Stopped);
            ASSERT_EQ(g.PlaySegment(0, -1, PlayMode::Play), S_OK);
            owner.PumpFor(150);
        } else if (step.slow != g.SlowDown()) {
            int64_t at = 0;
            ASSERT_EQ(g.CurrentPosition(&at), S_OK);
            ASSERT_EQ(g.SetSlowDown(step.slow), S_OK);
            // Reports from here on come from the resumed stream (those of the
            // stream before the switch were made before its Stop returned).
            const size_t before = owner.ProgressCount();
            EXPECT_EQ(g.State(), PlayState::Playing);
            int64_t resumed = 0;
            ASSERT_EQ(g.CurrentPosition(&resumed), S_OK);
            EXPECT_LE(std::abs(resumed - at), 50 * kMs) << at << " -> " << resumed;
            ASSERT_TRUE(owner.PumpUntil([&] { return owner.ProgressCount() > before; }, 1000));
            EXPECT_LE(std::abs(owner.ProgressSince(before).front() - at), 50 * kMs);
        }
        const Rates rates = MeasureRates(owner, 600);
        EXPECT_NEAR(rates.graph, step.rate, 0.12 * step.rate);
        EXPECT_NEAR(rates.reported, step.rate, 0.12 * step.rate);
    }
    g.ReleaseGraph();
}

// Play X: a segment plays at the chosen speed and ends at its stop, which
// the last report names exactly; the graph then waits in SegmentEnded.
TEST_F(audio_graph, played_segment_ends_at_its_stop) {
    Owner owner;
    AudioGraph& g = owner.Graph();
    ASSERT_EQ(owner.Open(MediaPath("speech.wav")), S_OK);
    const int64_t start = 2000 * kMs, stop = 2400 * kMs;
    for (const bool slow : {false, true}) {
        SCOPED_TRACE(slow ? "slowed" : "normal speed");
        ASSERT_EQ(g.SetSlowDown(slow), S_OK);
        owner.states.clear();
        const size_t before = owner.ProgressCount();
        const int64_t began = WallClock();
        ASSERT_EQ(g.PlaySegment(start, stop, PlayMode::PlayFromSync), S_OK);
        ASSERT_TRUE(owner.PumpUntil([&] { return g.State() == PlayState::SegmentEnded; }, 3000));
        const int64_t took = WallClock() - began;
        EXPECT_EQ(owner.states, (std::vector<PlayState>{PlayState::Playing, PlayState::SegmentEnded}));
        const std::vector<int64_t> positions = owner.ProgressSince(before);
        ASSERT_GE(positions.size(), 5u);
        EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
        EXPECT_EQ(positions.front(), start);
        EXPECT_EQ(positions.back(), stop);
        const int64_t expected = (stop - start) * (slow ? 2 : 1);
        EXPECT_GE(took, expected - 40 * kMs);
        EXPECT_LE(took, expected + 400 * kMs);
        // The segment is played and forgotten: playing it again sends it again.
        EXPECT_EQ(g.SegmentStart(), -1);
    }
    g.ReleaseGraph();
}

// The callback object and the pin lookup keep their COM contracts.
TEST_F(audio_graph, callback_and_pin_lookup_contracts) {
    Owner owner;
    IWaveProgressCallback& cb = owner.Graph().Callback();
    const struct {
        const IID* iid;
        HRESULT hr;
    } queries[] = {{&IID_IUnknown, S_OK}, {&IID_IWaveProgressCallback, S_OK}, {&IID_IBaseFilter, E_NOINTERFACE},
                   {&IID_IWaveCallbackTarget, E_NOINTERFACE}};
    for (const auto& q : queries) {
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(cb.QueryInterface(*q.iid, &p), q.hr);
        EXPECT_EQ(p == &cb, q.hr == S_OK);
        EXPECT_EQ(p == nullptr, q.hr != S_OK);
    }
    EXPECT_EQ(cb.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(cb.AddRef(), 1u);
    EXPECT_EQ(cb.Release(), 0u);
    EXPECT_EQ(cb.OnProgress(42), S_OK);
    EXPECT_EQ(owner.ProgressSince(0), std::vector<int64_t>{42});

    ComPtr<IBaseFilter> tee;
    ASSERT_EQ(dshow::CreateTeeFilter(tee.Put()), S_OK);
    const struct {
        PIN_DIRECTION direction;
        int index;
        HRESULT hr;
    } pins[] = {{PINDIR_INPUT, 0, S_OK}, {PINDIR_OUTPUT, 0, S_OK}, {PINDIR_INPUT, 1, E_FAIL},
                {PINDIR_OUTPUT, 1, E_FAIL}, {PINDIR_OUTPUT, -1, E_POINTER}};
    for (const auto& p : pins) {
        IPin* pin = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(AudioGraph::GetPinByDirection(tee.Get(), p.direction, p.index, &pin), p.hr);
        if (p.hr == S_OK) {
            ASSERT_NE(pin, nullptr);
            PIN_DIRECTION d;
            pin->QueryDirection(&d);
            EXPECT_EQ(d, p.direction);
            pin->Release();
        } else {
            EXPECT_EQ(pin, nullptr);
        }
    }
    EXPECT_EQ(AudioGraph::GetPinByDirection(nullptr, PINDIR_INPUT, 0, nullptr), E_POINTER);
    tee->AddRef();
    EXPECT_EQ(tee->Release(), 1u);  // every pin and enumerator let go
}

}  // namespace
}  // namespace mr::test
