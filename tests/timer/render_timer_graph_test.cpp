// The render timer in real playback graphs under Wine: File Source (Async.)
// -> WAVE parser -> our tee -> the default DirectSound renderer (ALSA's null
// device, real time) and "MRWavRenderTimer", the module registered through
// its own DllRegisterServer and the filter created by class identifier.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

#include "audio/dshow/media_type.h"
#include "audio/dshow/tee.h"
#include "common/com/filter_ids.h"
#include "common/com/wave_interfaces.h"
#include "tests/dshow/graph_support.h"
#include "tests/dshow/test_filters.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

constexpr LONGLONG kSecond = 10000000;
constexpr LONGLONG kMs = 10000;

class render_timer_graph : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ComScope com;
        ASSERT_EQ(CallModuleExport(L"mrrt.dll", "DllRegisterServer"), S_OK);
    }

    // Builds the playback graph for a generated file of `seconds` (22050 Hz,
    // mono, 16 bit). The timer reports to recorder_ when `callback`. With
    // `probe`, a recording renderer takes a third output of the tee.
    void Build(double seconds, bool callback = true, bool slowDown = false, RecordingRenderer** probe = nullptr) {
        const WaveFile wave = MakeWave(1, 22050, 16, static_cast<uint32_t>(seconds * 22050));
        const std::u16string in = dir_.Path(u"song.wav");
        ASSERT_TRUE(WriteFileBytes(in, wave.bytes));
        graph_ = NewGraph();
        ASSERT_TRUE(graph_);
        HRESULT hr = E_FAIL;
        ComPtr<IBaseFilter> parser = AddWaveParser(graph_.Get(), std::wstring(in.begin(), in.end()), &hr);
        ASSERT_EQ(hr, S_OK);
        ASSERT_EQ(dshow::CreateTeeFilter(tee_.Put()), S_OK);
        ASSERT_EQ(graph_->AddFilter(tee_.Get(), L"Infinite Pin Tee Filter"), S_OK);
        ASSERT_EQ(graph_->Connect(PinOf(parser.Get(), PINDIR_OUTPUT).Get(), PinOf(tee_.Get(), PINDIR_INPUT).Get()),
                  S_OK);
        ASSERT_EQ(graph_->Render(PinOf(tee_.Get(), PINDIR_OUTPUT, 0).Get()), S_OK);

        timer_ = NewFilter(CLSID_MRWavRenderTimer);
        ASSERT_TRUE(timer_);
        if (callback) {
            ComPtr<IWaveCallbackTarget> target;
            ASSERT_EQ(timer_.As(IID_IWaveCallbackTarget, &target), S_OK);
            ASSERT_EQ(target->SetCallback(&recorder_), S_OK);
        }
        ComPtr<ISlowDownControl> slow;
        ASSERT_EQ(timer_.As(IID_ISlowDownControl, &slow), S_OK);
        ASSERT_EQ(slow->SetSlowDown(slowDown ? 1 : 0), S_OK);
        ASSERT_EQ(graph_->AddFilter(timer_.Get(), L"MRWavRenderTimer"), S_OK);
        ASSERT_EQ(graph_->Connect(PinOf(tee_.Get(), PINDIR_OUTPUT, 1).Get(), PinOf(timer_.Get(), PINDIR_INPUT).Get()),
                  S_OK);
        if (probe) {
            probe_ = RecordingRenderer::Create(probe);
            ASSERT_EQ(graph_->AddFilter(probe_.Get(), L"probe"), S_OK);
            ASSERT_EQ(graph_->Connect(PinOf(tee_.Get(), PINDIR_OUTPUT, 2).Get(), PinOf(probe_.Get(), PINDIR_INPUT).Get()),
                      S_OK);
        }

        ASSERT_EQ(graph_.As(IID_IMediaControl, &control_), S_OK);
        ASSERT_EQ(graph_.As(IID_IMediaSeeking, &seeking_), S_OK);
        // The graph's clock, read by the recorder at each report.
        ASSERT_EQ(graph_->SetDefaultSyncSource(), S_OK);
        ComPtr<IMediaFilter> mediaFilter;
        ASSERT_EQ(graph_.As(IID_IMediaFilter, &mediaFilter), S_OK);
        ComPtr<IReferenceClock> clock;
        ASSERT_EQ(mediaFilter->GetSyncSource(clock.Put()), S_OK);
        ASSERT_TRUE(clock);
        recorder_.SetClock(clock.Get());
    }

    void PauseAndSettle() {
        ASSERT_TRUE(SUCCEEDED(control_->Pause()));
        OAFilterState state;
        ASSERT_EQ(control_->GetState(5000, &state), S_OK);
        ASSERT_EQ(state, State_Paused);
    }

    void SeekTo(LONGLONG position) {
        ASSERT_EQ(seeking_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                         AM_SEEKING_NoPositioning),
                  S_OK);
    }

    void TearDown() override {
        if (control_) control_->Stop();
        recorder_.SetClock(nullptr);
    }

    // Positions advance with the clock: each report comes when the stream
    // reaches the sample's end, never early, and at most a scheduling delay
    // late. `rate` is media time per stream time (0.5 in slowed playback);
    // reports before `from` (one made while paused) are left out.
    static void ExpectTracksTheClock(const std::vector<ProgressRecorder::Report>& reports, double rate,
                                     size_t from) {
        ASSERT_GE(reports.size(), from + 3);
        // How much later than the first report's pace each report came.
        std::vector<double> lateness;
        for (size_t i = from; i < reports.size(); ++i) {
            if (i > from) {
                EXPECT_GT(reports[i].value, reports[i - 1].value) << "report " << i;
            }
            const double due = static_cast<double>(reports[i].value - reports[from].value) / rate;
            lateness.push_back(static_cast<double>(reports[i].clockTime - reports[from].clockTime) - due);
        }
        // The first report may itself have been late: measure from the most punctual.
        const double punctual = *std::min_element(lateness.begin(), lateness.end());
        for (double& l : lateness) l -= punctual;
        std::sort(lateness.begin(), lateness.end());
        // Typically on time to the millisecond; a loaded machine may delay some.
        EXPECT_LT(lateness[lateness.size() / 2], 20.0 * kMs);
        EXPECT_LT(lateness.back(), 300.0 * kMs);
    }

    ComScope com_;
    ScopedTempDir dir_;
    ProgressRecorder recorder_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IBaseFilter> tee_;
    ComPtr<IBaseFilter> timer_;
    ComPtr<IBaseFilter> probe_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaSeeking> seeking_;
};

TEST_F(render_timer_graph, positions_rise_with_the_stream_time_up_to_the_end) {
    // A probe on a third output renders each sample at its start: the timer
    // must report a position just when the probe renders the sample that
    // starts there, since both wait for the same stream time.
    RecordingRenderer* probe = nullptr;
    Build(1.0, true, false, &probe);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(WaitForCompletion(graph_.Get(), 5000), EC_COMPLETE);
    const auto reports = recorder_.Reports();
    ASSERT_FALSE(reports.empty());
    // The graph pauses on its way to running: the first sample's start comes first.
    EXPECT_EQ(reports.front().value, 0);
    ExpectTracksTheClock(reports, 1.0, 1);
    // The parser's times come from sample counts and may lose a unit.
    EXPECT_NEAR(reports.back().value, kSecond, 10);

    std::vector<double> offsets;
    for (size_t i = 1; i < reports.size(); ++i)
        for (const auto& rendered : probe->RenderedSamples())
            if (rendered.start == reports[i].value)
                offsets.push_back(static_cast<double>(reports[i].clockTime - rendered.clockTime));
    ASSERT_GE(offsets.size(), 5u);
    std::sort(offsets.begin(), offsets.end());
    EXPECT_LT(std::abs(offsets[offsets.size() / 2]), 15.0 * kMs);
}

TEST_F(render_timer_graph, after_a_seek_to_10_s_positions_start_from_10_s) {
    Build(10.6);
    PauseAndSettle();
    recorder_.Clear();
    SeekTo(10 * kSecond);
    // Paused until every renderer holds its first sample again.
    OAFilterState state;
    ASSERT_EQ(control_->GetState(5000, &state), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(WaitForCompletion(graph_.Get(), 5000), EC_COMPLETE);
    const auto reports = recorder_.Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().value, 10 * kSecond);  // the first sample's start, reported while paused
    for (const auto& r : reports) EXPECT_GE(r.value, 10 * kSecond);
    ExpectTracksTheClock(reports, 1.0, 1);
    EXPECT_NEAR(reports.back().value, 10 * kSecond + 6 * kSecond / 10, 10);
}

TEST_F(render_timer_graph, slowed_playback_reports_half_the_stream_time) {
    Build(1.0, true, /*slowDown=*/true);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(WaitForCompletion(graph_.Get(), 5000), EC_COMPLETE);
    const auto reports = recorder_.Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().value, 0);
    ExpectTracksTheClock(reports, 0.5, 1);
    EXPECT_NEAR(reports.back().value, kSecond / 2, 10);
}

TEST_F(render_timer_graph, paused_after_a_seek_exactly_one_report_carries_the_first_sample_start) {
    Build(2.0);
    PauseAndSettle();
    Sleep(100);
    recorder_.Clear();
    SeekTo(kSecond / 2);
    OAFilterState state;
    ASSERT_EQ(control_->GetState(5000, &state), S_OK);
    Sleep(300);
    EXPECT_EQ(recorder_.Values(), std::vector<LONGLONG>{kSecond / 2});
}

TEST_F(render_timer_graph, without_a_callback_the_graph_still_plays_to_the_end) {
    Build(0.5, /*callback=*/false);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(WaitForCompletion(graph_.Get(), 5000), EC_COMPLETE);
    EXPECT_TRUE(recorder_.Values().empty());
}

// A callback of the kind the editor may have: at each report it waits for
// another thread (standing for the application thread) that calls into the
// timer, which takes the filter's lock. The timer must not hold that lock
// while it reports.
class CallingBackCallback final : public IWaveProgressCallback {
public:
    explicit CallingBackCallback(IBaseFilter* timer) : timer_(timer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IWaveProgressCallback) return E_NOINTERFACE;
        *ppv = static_cast<IWaveProgressCallback*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    HRESULT STDMETHODCALLTYPE OnProgress(LONGLONG) override {
        ++reports_;
        TimedCall call([this] {
            ComPtr<IWaveCallbackTarget> target;
            ComPtr<ISlowDownControl> slow;
            if (ComPtr<IBaseFilter>(timer_).As(IID_ISlowDownControl, &slow) == S_OK) slow->SetSlowDown(FALSE);
            if (ComPtr<IBaseFilter>(timer_).As(IID_IWaveCallbackTarget, &target) == S_OK) target->SetCallback(this);
        });
        if (!call.Finished(2000)) ++blocked_;
        return S_OK;
    }
    std::atomic<int> reports_{0};
    std::atomic<int> blocked_{0};

private:
    IBaseFilter* timer_;
};

TEST_F(render_timer_graph, reports_are_made_without_the_filter_lock_so_the_callback_may_call_back) {
    Build(0.5, /*callback=*/false);
    CallingBackCallback callback(timer_.Get());
    ComPtr<IWaveCallbackTarget> target;
    ASSERT_EQ(timer_.As(IID_IWaveCallbackTarget, &target), S_OK);
    ASSERT_EQ(target->SetCallback(&callback), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(WaitForCompletion(graph_.Get(), 10000), EC_COMPLETE);
    control_->Stop();
    EXPECT_GT(callback.reports_.load(), 5);
    EXPECT_EQ(callback.blocked_.load(), 0);
    target->SetCallback(nullptr);
}

// A callback slow to return: the pause must not count as complete before
// the first sample's report is made, or the application sees "paused" with
// the cursor not yet moved.
class SlowCallback final : public IWaveProgressCallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IWaveProgressCallback) return E_NOINTERFACE;
        *ppv = static_cast<IWaveProgressCallback*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    HRESULT STDMETHODCALLTYPE OnProgress(LONGLONG value) override {
        Sleep(150);
        last = value;
        ++reports;
        return S_OK;
    }
    std::atomic<int> reports{0};
    std::atomic<LONGLONG> last{-1};
};

TEST_F(render_timer_graph, a_pause_completes_only_once_the_first_sample_is_reported) {
    Build(2.0, /*callback=*/false);
    SlowCallback callback;
    ComPtr<IWaveCallbackTarget> target;
    ASSERT_EQ(timer_.As(IID_IWaveCallbackTarget, &target), S_OK);
    ASSERT_EQ(target->SetCallback(&callback), S_OK);
    PauseAndSettle();
    EXPECT_EQ(callback.reports.load(), 1);
    SeekTo(kSecond);
    OAFilterState state;
    ASSERT_EQ(control_->GetState(5000, &state), S_OK);
    EXPECT_EQ(callback.reports.load(), 2);
    EXPECT_EQ(callback.last.load(), kSecond);
    control_->Stop();
    target->SetCallback(nullptr);
}

TEST(render_timer_filter, answers_its_own_interfaces_and_the_renderer_ones) {
    ComScope com;
    ASSERT_EQ(CallModuleExport(L"mrrt.dll", "DllRegisterServer"), S_OK);
    ComPtr<IBaseFilter> timer = NewFilter(CLSID_MRWavRenderTimer);
    ASSERT_TRUE(timer);
    for (const IID* iid : {&IID_IWaveCallbackTarget, &IID_ISlowDownControl, &IID_IMediaSeeking, &IID_IMediaPosition,
                           &IID_IMediaFilter, &IID_IPersist}) {
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(timer.As(*iid, &unknown), S_OK);
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(timer.As(IID_IFileSinkFilter, &none), E_NOINTERFACE);
    CLSID clsid;
    EXPECT_EQ(timer->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_MRWavRenderTimer);
}

TEST(render_timer_filter, takes_pcm_audio_of_any_layout_and_nothing_else) {
    ComScope com;
    ASSERT_EQ(CallModuleExport(L"mrrt.dll", "DllRegisterServer"), S_OK);
    ComPtr<IBaseFilter> timer = NewFilter(CLSID_MRWavRenderTimer);
    ASSERT_TRUE(timer);
    ComPtr<IPin> input = PinOf(timer.Get(), PINDIR_INPUT);
    ASSERT_TRUE(input);
    AM_MEDIA_TYPE* odd = NewPcmType(6, 11127, 24);
    EXPECT_EQ(input->QueryAccept(odd), S_OK);
    odd->subtype = MEDIASUBTYPE_IEEE_FLOAT;
    EXPECT_EQ(input->QueryAccept(odd), S_FALSE);
    odd->subtype = MEDIASUBTYPE_PCM;
    odd->majortype = MEDIATYPE_Video;
    EXPECT_EQ(input->QueryAccept(odd), S_FALSE);
    dshow::DeleteMediaType(odd);
    EXPECT_EQ(input->QueryAccept(nullptr), E_POINTER);
}

}  // namespace
}  // namespace mr::test
