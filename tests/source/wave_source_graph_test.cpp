// The wave source in real graphs under Wine: the module registered through
// its own DllRegisterServer, the filter created by class identifier, its
// interfaces checked one by one, and "MR_WavSource" -> "MRWavSink" copying
// the decoded file, after seeks and with Slow Down; then played in real time
// into renderers, with seeks while it streams.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "audio/dshow/media_type.h"
#include "audio/dshow/tee.h"
#include "common/com/filter_ids.h"
#include "common/com/wave_interfaces.h"
#include "tests/dshow/graph_support.h"
#include "tests/dshow/test_filters.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

std::wstring Wide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}

// A 100-ns position's first frame: whole 10 ms at `rate` (a multiple of 100
// in these tests).
size_t FramesAt(LONGLONG t, uint32_t rate) {
    return static_cast<size_t>(t / 100000 * (rate / 100));
}

class wave_source_graph : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ComScope com;
        ASSERT_EQ(CallModuleExport(L"mrwsc.dll", "DllRegisterServer"), S_OK);
        ASSERT_EQ(CallModuleExport(L"mrws.dll", "DllRegisterServer"), S_OK);
    }

    // A new source for the file `bytes`, loaded and added to `graph`.
    ComPtr<IBaseFilter> AddSource(IGraphBuilder* graph, const std::vector<uint8_t>& bytes) {
        const std::u16string path = dir_.Path(u"wav" + std::u16string(1, static_cast<char16_t>(u'a' + files_++)) + u".tmp");
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        ComPtr<IBaseFilter> source = NewFilter(CLSID_MRWavSource);
        EXPECT_TRUE(source);
        if (!source) return source;
        ComPtr<IFileSourceFilter> file;
        EXPECT_EQ(source.As(IID_IFileSourceFilter, &file), S_OK);
        EXPECT_EQ(file->Load(Wide(path).c_str(), nullptr), S_OK);
        EXPECT_EQ(graph->AddFilter(source.Get(), Wide(path).c_str()), S_OK);
        return source;
    }

    struct Copy {
        long completion = 0;
        std::vector<uint8_t> data;  // what the sink wrote behind its header
    };

    // Runs source -> "MRWavSink" to completion. `prepare` sees the graph and
    // the source before the run (seeking, Slow Down).
    template <class F>
    Copy CopyThroughSink(const std::vector<uint8_t>& file, F prepare) {
        Copy r;
        const std::u16string out = dir_.Path(u"copy" + std::u16string(1, static_cast<char16_t>(u'a' + files_++)) + u".wav");
        {
            ComPtr<IGraphBuilder> graph = NewGraph();
            ComPtr<IBaseFilter> source = AddSource(graph.Get(), file);
            ComPtr<IBaseFilter> sink = NewFilter(CLSID_MRWavSink);
            if (!source || !sink) {
                ADD_FAILURE() << "filters not created";
                return r;
            }
            ComPtr<IFileSinkFilter> fileSink;
            EXPECT_EQ(sink.As(IID_IFileSinkFilter, &fileSink), S_OK);
            EXPECT_EQ(fileSink->SetFileName(Wide(out).c_str(), nullptr), S_OK);
            EXPECT_EQ(graph->AddFilter(sink.Get(), L"MRWavSink"), S_OK);
            EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                                           PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr),
                      S_OK);
            prepare(graph.Get(), source.Get());
            ComPtr<IMediaControl> control;
            EXPECT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
            EXPECT_TRUE(SUCCEEDED(control->Run()));
            r.completion = WaitForCompletion(graph.Get(), 20000);
            control->Stop();
        }
        const std::vector<uint8_t> written = ReadFileBytes(out);
        if (written.size() >= 44) r.data.assign(written.begin() + 44, written.end());
        return r;
    }

    ComScope com_;
    ScopedTempDir dir_;
    int files_ = 0;
};

ComPtr<IMediaSeeking> GraphSeeking(IGraphBuilder* graph) {
    ComPtr<IMediaSeeking> seeking;
    graph->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
    return seeking;
}

void SetSlowDown(IBaseFilter* source, BOOL on) {
    ComPtr<ISlowDownControl> slow;
    ASSERT_EQ(ComPtr<IBaseFilter>(source).As(IID_ISlowDownControl, &slow), S_OK);
    EXPECT_EQ(slow->SetSlowDown(on), S_OK);
}

TEST_F(wave_source_graph, the_filter_answers_as_registered) {
    ComPtr<IBaseFilter> source = NewFilter(CLSID_MRWavSource);
    ASSERT_TRUE(source);
    CLSID clsid{};
    EXPECT_EQ(source->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(clsid == CLSID_MRWavSource);
    // The registered name.
    wchar_t name[64] = {};
    LONG size = sizeof name;
    EXPECT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, L"CLSID\\{61CDA02A-1A41-4D89-A626-0E98CABBF470}", name, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, L"MR_WavSource");

    // One output pin, "Output", which is the only place seeking is answered:
    // a filter answering IMediaSeeking would be taken for a renderer.
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(source->EnumPins(pins.Put()), S_OK);
    ComPtr<IPin> pin;
    ULONG got = 0;
    ASSERT_EQ(pins->Next(1, pin.Put(), &got), S_OK);
    ComPtr<IPin> none;
    EXPECT_EQ(pins->Next(1, none.Put(), &got), S_FALSE);
    PIN_DIRECTION dir;
    EXPECT_EQ(pin->QueryDirection(&dir), S_OK);
    EXPECT_EQ(dir, PINDIR_OUTPUT);
    PIN_INFO info;
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Output");
    info.pFilter->Release();
    ComPtr<IMediaSeeking> seeking;
    EXPECT_EQ(pin.As(IID_IMediaSeeking, &seeking), S_OK);
    ComPtr<IMediaSeeking> filterSeeking;
    EXPECT_EQ(source.As(IID_IMediaSeeking, &filterSeeking), E_NOINTERFACE);
    ComPtr<ISlowDownControl> slow;
    EXPECT_EQ(source.As(IID_ISlowDownControl, &slow), S_OK);

    // Before a file is loaded there is no media type.
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(pin->EnumMediaTypes(types.Put()), S_OK);
    AM_MEDIA_TYPE* mt = nullptr;
    EXPECT_NE(types->Next(1, &mt, &got), S_OK);
    dshow::DeleteMediaType(mt);

    ComPtr<IFileSourceFilter> file;
    ASSERT_EQ(source.As(IID_IFileSourceFilter, &file), S_OK);
    EXPECT_EQ(file->Load(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(file->Load(Wide(dir_.Path(u"missing.wav")).c_str(), nullptr), E_UNEXPECTED);
    EXPECT_TRUE(WriteFileBytes(dir_.Path(u"short.wav"), std::string(40, 'x')));
    EXPECT_EQ(file->Load(Wide(dir_.Path(u"short.wav")).c_str(), nullptr), E_UNEXPECTED);
    WaveFile bad = MakeWave(2, 44100, 16, 100);
    bad.bytes[16] = 18;  // an 18-byte fmt chunk
    EXPECT_TRUE(WriteFileBytes(dir_.Path(u"bad.wav"), bad.bytes));
    EXPECT_EQ(file->Load(Wide(dir_.Path(u"bad.wav")).c_str(), nullptr), VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(file->GetCurFile(nullptr, nullptr), E_NOTIMPL);

    const WaveFile good = MakeWave(2, 22050, 16, 22050);
    EXPECT_TRUE(WriteFileBytes(dir_.Path(u"good.wav"), good.bytes));
    EXPECT_EQ(file->Load(Wide(dir_.Path(u"good.wav")).c_str(), nullptr), S_OK);
    EXPECT_EQ(file->Load(Wide(dir_.Path(u"good.wav")).c_str(), nullptr), E_UNEXPECTED);
    // Others can still read the loaded file.
    EXPECT_EQ(ReadFileBytes(dir_.Path(u"good.wav")).size(), good.bytes.size());

    ASSERT_EQ(pin->EnumMediaTypes(types.Put()), S_OK);
    ASSERT_EQ(types->Next(1, &mt, &got), S_OK);
    EXPECT_TRUE(mt->majortype == MEDIATYPE_Audio && mt->subtype == MEDIASUBTYPE_PCM &&
                mt->formattype == FORMAT_WaveFormatEx);
    ASSERT_GE(mt->cbFormat, sizeof(WAVEFORMATEX));
    const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
    EXPECT_EQ(wf->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wf->nChannels, 2);
    EXPECT_EQ(wf->nSamplesPerSec, 22050u);
    EXPECT_EQ(wf->nBlockAlign, 4);
    EXPECT_EQ(wf->wBitsPerSample, 16);
    EXPECT_EQ(wf->nAvgBytesPerSec, 88200u);
    EXPECT_EQ(wf->cbSize, 0);
    EXPECT_EQ(pin->QueryAccept(mt), S_OK);
    dshow::DeleteMediaType(mt);
    EXPECT_EQ(types->Next(1, &mt, &got), S_FALSE);

    // Seeking: media time only, the rounded duration, rate 1 only.
    LONGLONG duration = 0, stop = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 10000000);
    EXPECT_EQ(seeking->GetStopPosition(&stop), S_OK);
    EXPECT_EQ(stop, duration);
    EXPECT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_SAMPLE), E_INVALIDARG);
    EXPECT_EQ(seeking->SetRate(2.0), E_FAIL);
    EXPECT_EQ(seeking->SetRate(0.5), E_FAIL);
    double rate = 0;
    EXPECT_EQ(seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    LONGLONG current = 3000000, newStop = 99990000000;
    EXPECT_EQ(seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, &newStop,
                                    AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime),
              S_OK);
    EXPECT_EQ(current, 3000000);
    EXPECT_EQ(newStop, duration);  // clamped to the file
    EXPECT_EQ(seeking->GetPositions(&current, &stop), S_OK);
    EXPECT_EQ(current, 3000000);
    EXPECT_EQ(stop, duration);
}

TEST_F(wave_source_graph, the_module_carries_its_version_resource) {
    const std::wstring path = ModulePath(L"mrwsc.dll");
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    wchar_t* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\FileDescription",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"MRWSC Filter");
}

TEST_F(wave_source_graph, the_sink_receives_the_data_and_silence_up_to_the_rounded_duration) {
    // 45100 frames at 44.1 kHz: 1.0227 s, rounded up to 1.03 s = 45423 frames.
    const WaveFile wave = MakeWave(2, 44100, 16, 45100);
    const Copy c = CopyThroughSink(wave.bytes, [](IGraphBuilder*, IBaseFilter*) {});
    EXPECT_EQ(c.completion, EC_COMPLETE);
    ASSERT_EQ(c.data.size(), 45423u * 4);
    EXPECT_TRUE(std::equal(wave.data.begin(), wave.data.end(), c.data.begin()));
    EXPECT_TRUE(std::all_of(c.data.begin() + wave.data.size(), c.data.end(), [](uint8_t b) { return b == 0; }));

    // 8-bit mono, 1000 frames at 8000 Hz: 1040 frames, the last 40 silent (128).
    const WaveFile small = MakeWave(1, 8000, 8, 1000);
    const Copy d = CopyThroughSink(small.bytes, [](IGraphBuilder*, IBaseFilter*) {});
    EXPECT_EQ(d.completion, EC_COMPLETE);
    ASSERT_EQ(d.data.size(), 1040u);
    EXPECT_TRUE(std::equal(small.data.begin(), small.data.end(), d.data.begin()));
    EXPECT_TRUE(std::all_of(d.data.begin() + 1000, d.data.end(), [](uint8_t b) { return b == 128; }));
}

TEST_F(wave_source_graph, a_seek_before_running_copies_exactly_that_segment) {
    const WaveFile wave = MakeWave(2, 44100, 16, 44100 * 2);
    // 0.505 s resolves to 0.50 s; the stop at 1.2345 s to 1.23 s.
    const Copy c = CopyThroughSink(wave.bytes, [](IGraphBuilder* graph, IBaseFilter*) {
        LONGLONG start = 5050000, stop = 12345000;
        EXPECT_EQ(GraphSeeking(graph)->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                                    AM_SEEKING_AbsolutePositioning),
                  S_OK);
    });
    EXPECT_EQ(c.completion, EC_COMPLETE);
    const size_t first = FramesAt(5050000, 44100), last = FramesAt(12345000, 44100);
    ASSERT_EQ(c.data.size(), (last - first) * 4);
    EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), wave.data.begin() + first * 4));
}

TEST_F(wave_source_graph, slow_down_doubles_the_length_from_any_position) {
    const WaveFile wave = MakeWave(2, 22050, 16, 22050 * 3);
    const Copy whole = CopyThroughSink(wave.bytes, [](IGraphBuilder*, IBaseFilter* source) { SetSlowDown(source, TRUE); });
    EXPECT_EQ(whole.completion, EC_COMPLETE);
    EXPECT_EQ(whole.data.size(), 2u * 22050 * 3 * 4);

    const Copy part = CopyThroughSink(wave.bytes, [](IGraphBuilder* graph, IBaseFilter* source) {
        SetSlowDown(source, TRUE);
        LONGLONG start = 12340000, stop = 22340000;  // 1 s
        EXPECT_EQ(GraphSeeking(graph)->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                                    AM_SEEKING_AbsolutePositioning),
                  S_OK);
    });
    EXPECT_EQ(part.completion, EC_COMPLETE);
    EXPECT_EQ(part.data.size(), 2u * 22050 * 4);

    // Turned off again, it copies at normal length.
    const Copy normal = CopyThroughSink(wave.bytes, [](IGraphBuilder*, IBaseFilter* source) {
        SetSlowDown(source, TRUE);
        SetSlowDown(source, FALSE);
    });
    EXPECT_EQ(normal.data, wave.data);
}

TEST_F(wave_source_graph, a_seek_while_playing_flushes_and_restarts_from_the_new_position) {
    const WaveFile wave = MakeWave(2, 44100, 16, 44100 * 3);
    ComPtr<IGraphBuilder> graph = NewGraph();
    ComPtr<IBaseFilter> source = AddSource(graph.Get(), wave.bytes);
    RecordingRenderer* recorder = nullptr;
    ComPtr<IBaseFilter> renderer = RecordingRenderer::Create(&recorder);
    ASSERT_TRUE(source && renderer);
    ASSERT_EQ(graph->AddFilter(renderer.Get(), L"recorder"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(), PinOf(renderer.Get(), PINDIR_INPUT).Get(),
                                   nullptr),
              S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    Sleep(300);
    LONGLONG start = 20000000, stop = 0;
    ASSERT_EQ(GraphSeeking(graph.Get())->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                                      AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_EQ(WaitForCompletion(graph.Get(), 10000), EC_COMPLETE);
    control->Stop();

    // Real-time rendering: a few samples from the start, then the last
    // second again from stream time 0, 25 samples of 40 ms.
    const auto rendered = recorder->RenderedSamples();
    ASSERT_GT(rendered.size(), 25u);
    size_t restart = rendered.size();
    while (restart > 0 && rendered[restart - 1].start != 0) --restart;
    ASSERT_GT(restart, 1u) << "the first run rendered nothing";
    --restart;
    EXPECT_LT(restart, 40u);  // the first run was cut short
    ASSERT_EQ(rendered.size() - restart, 25u);
    for (size_t i = restart; i < rendered.size(); ++i) {
        EXPECT_EQ(rendered[i].start, static_cast<REFERENCE_TIME>(i - restart) * 400000);
        EXPECT_EQ(rendered[i].bytes, 1764 * 4);
    }
}

TEST_F(wave_source_graph, plays_through_a_tee_into_the_audio_renderer) {
    const WaveFile wave = MakeWave(2, 44100, 16, 44100);
    ComPtr<IGraphBuilder> graph = NewGraph();
    ComPtr<IBaseFilter> source = AddSource(graph.Get(), wave.bytes);
    ComPtr<IBaseFilter> tee;
    ASSERT_EQ(dshow::CreateTeeFilter(tee.Put()), S_OK);
    ASSERT_EQ(graph->AddFilter(tee.Get(), L"Infinite Pin Tee Filter"), S_OK);
    ASSERT_EQ(graph->Connect(PinOf(source.Get(), PINDIR_OUTPUT).Get(), PinOf(tee.Get(), PINDIR_INPUT).Get()), S_OK);
    ASSERT_EQ(graph->Render(PinOf(tee.Get(), PINDIR_OUTPUT, 0).Get()), S_OK);
    RecordingRenderer* recorder = nullptr;
    ComPtr<IBaseFilter> renderer = RecordingRenderer::Create(&recorder);
    ASSERT_EQ(graph->AddFilter(renderer.Get(), L"recorder"), S_OK);
    ASSERT_EQ(graph->Connect(PinOf(tee.Get(), PINDIR_OUTPUT, 1).Get(), PinOf(renderer.Get(), PINDIR_INPUT).Get()),
              S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
    LONGLONG start = 5000000, stop = 0;
    ASSERT_EQ(GraphSeeking(graph.Get())->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                                      AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_EQ(WaitForCompletion(graph.Get(), 10000), EC_COMPLETE);
    control->Stop();
    EXPECT_EQ(recorder->RenderedSamples().size(), 13u);  // 0.5 s: 12 samples and 20 ms
}

// The editor's playback graph: source -> tee -> the DirectSound renderer
// (ALSA's null device, real time) and "MRWavRenderTimer", reporting to a
// recorder with the graph clock's time of each report.
class wave_source_playback : public wave_source_graph {
protected:
    static void SetUpTestSuite() {
        wave_source_graph::SetUpTestSuite();
        ComScope com;
        ASSERT_EQ(CallModuleExport(L"mrrt.dll", "DllRegisterServer"), S_OK);
    }

    // The tee's first output goes to the system's audio renderer, or with
    // `devicePaced` to a stand-in that keeps to the segment rate as the
    // system's renderer on Windows does.
    void Build(const WaveFile& wave, bool slowDown, bool devicePaced = false) {
        graph_ = NewGraph();
        ComPtr<IBaseFilter> source = AddSource(graph_.Get(), wave.bytes);
        ComPtr<IBaseFilter> tee;
        ASSERT_EQ(dshow::CreateTeeFilter(tee.Put()), S_OK);
        ASSERT_EQ(graph_->AddFilter(tee.Get(), L"Infinite Pin Tee Filter"), S_OK);
        ASSERT_EQ(graph_->Connect(PinOf(source.Get(), PINDIR_OUTPUT).Get(), PinOf(tee.Get(), PINDIR_INPUT).Get()),
                  S_OK);
        if (devicePaced) {
            ComPtr<IBaseFilter> device = CreateDevicePacedRenderer();
            ASSERT_EQ(graph_->AddFilter(device.Get(), L"device"), S_OK);
            ASSERT_EQ(graph_->Connect(PinOf(tee.Get(), PINDIR_OUTPUT, 0).Get(), PinOf(device.Get(), PINDIR_INPUT).Get()),
                      S_OK);
        } else {
            ASSERT_EQ(graph_->Render(PinOf(tee.Get(), PINDIR_OUTPUT, 0).Get()), S_OK);
        }
        ComPtr<IBaseFilter> timer = NewFilter(CLSID_MRWavRenderTimer);
        ASSERT_TRUE(timer);
        ComPtr<IWaveCallbackTarget> target;
        ASSERT_EQ(timer.As(IID_IWaveCallbackTarget, &target), S_OK);
        ASSERT_EQ(target->SetCallback(&recorder_), S_OK);
        ASSERT_EQ(graph_->AddFilter(timer.Get(), L"MRWavRenderTimer"), S_OK);
        ASSERT_EQ(graph_->Connect(PinOf(tee.Get(), PINDIR_OUTPUT, 1).Get(), PinOf(timer.Get(), PINDIR_INPUT).Get()),
                  S_OK);
        // Slow Down is set on both filters while stopped, as the editor does.
        for (IBaseFilter* f : {source.Get(), timer.Get()}) SetSlowDown(f, slowDown ? TRUE : FALSE);
        ASSERT_EQ(graph_.As(IID_IMediaControl, &control_), S_OK);
        ASSERT_EQ(graph_->SetDefaultSyncSource(), S_OK);
        ComPtr<IMediaFilter> mediaFilter;
        ASSERT_EQ(graph_.As(IID_IMediaFilter, &mediaFilter), S_OK);
        ComPtr<IReferenceClock> clock;
        ASSERT_EQ(mediaFilter->GetSyncSource(clock.Put()), S_OK);
        recorder_.SetClock(clock.Get());
    }

    void SeekTo(LONGLONG position) {
        ASSERT_EQ(GraphSeeking(graph_.Get())->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                           AM_SEEKING_NoPositioning),
                  S_OK);
    }

    void TearDown() override {
        if (control_) control_->Stop();
        recorder_.SetClock(nullptr);
    }

    ProgressRecorder recorder_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
};

TEST_F(wave_source_playback, positions_are_reported_to_the_end_also_after_a_seek) {
    Build(MakeWave(2, 44100, 16, 44100), false);
    LONGLONG duration = 0;
    EXPECT_EQ(GraphSeeking(graph_.Get())->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 10000000);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    Sleep(300);
    SeekTo(6000000);
    EXPECT_EQ(WaitForCompletion(graph_.Get(), 10000), EC_COMPLETE);
    const auto values = recorder_.Values();
    ASSERT_FALSE(values.empty());
    // Before the seek: positions from the start; after it: from 0.6 s on,
    // rising to the end of the file.
    size_t seek = 0;
    while (seek < values.size() && values[seek] < 6000000) ++seek;
    EXPECT_GT(seek, 0u);
    ASSERT_LT(seek, values.size());
    EXPECT_LE(values[seek], 6400000);
    for (size_t i = seek + 1; i < values.size(); ++i) EXPECT_GT(values[i], values[i - 1]) << i;
    EXPECT_EQ(values.back(), duration);
}

// Played at half speed, through the system's audio renderer and through one
// that keeps to the segment rate: the stretched stream plays at its own pace
// either way, so 0.5 s of the file take 1 s.
TEST_F(wave_source_playback, slowed_playback_reports_file_positions_at_half_speed) {
    for (const bool devicePaced : {false, true}) {
        SCOPED_TRACE(devicePaced ? "renderer keeping to the segment rate" : "system audio renderer");
        Build(MakeWave(2, 44100, 16, 44100), true, devicePaced);
        recorder_.Clear();
        SeekTo(5000000);
        const DWORD began = GetTickCount();
        ASSERT_TRUE(SUCCEEDED(control_->Run()));
        EXPECT_EQ(WaitForCompletion(graph_.Get(), 10000), EC_COMPLETE);
        // The audio output, too, took about 1 s to play it.
        const DWORD took = GetTickCount() - began;
        EXPECT_GE(took, 900u);
        EXPECT_LE(took, 1500u);
        control_->Stop();
        auto reports = recorder_.Reports();
        // The first sample, received while the graph pauses on its way to
        // running, is reported at its start.
        ASSERT_GE(reports.size(), 10u);
        EXPECT_EQ(reports.front().value, 5000000);
        reports.erase(reports.begin());
        // 25 stretched samples, each reported at its end as 0.5 s + half its
        // stretched end time.
        ASSERT_EQ(reports.size(), 25u);
        EXPECT_EQ(reports.front().value, 5200000);
        EXPECT_EQ(reports.back().value, 10000000);
        for (size_t i = 1; i < reports.size(); ++i) EXPECT_EQ(reports[i].value - reports[i - 1].value, 200000) << i;
        const double wall = static_cast<double>(reports.back().clockTime - reports.front().clockTime);
        EXPECT_NEAR(wall, 2.0 * (10000000 - 5200000), 200000);
    }
}

TEST_F(wave_source_playback, stopping_during_playback_ends_the_stream_quietly) {
    // The graph stops the renderers before the source: the source's thread
    // must take that as the stop it is, not as a failure to report.
    Build(MakeWave(2, 44100, 16, 44100), false);
    for (int round = 0; round < 30; ++round) {
        ASSERT_TRUE(SUCCEEDED(control_->Run()));
        Sleep(20 + 10 * (round % 4));
        ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    }
    EXPECT_FALSE(HasEvent(graph_.Get(), EC_ERRORABORT));
}

TEST_F(wave_source_playback, slowed_playback_ends_at_the_stop_position_not_past_it) {
    Build(MakeWave(2, 44100, 16, 44100), true);
    SeekTo(5000000);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(WaitForCompletion(graph_.Get(), 10000), EC_COMPLETE);
    ComPtr<IBaseFilter> timer;
    ASSERT_EQ(graph_->FindFilterByName(L"MRWavRenderTimer", timer.Put()), S_OK);
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(timer.As(IID_IMediaSeeking, &seeking), S_OK);
    // The stretched stream ran 1 s for 0.5 s of the file.
    LONGLONG current = 0;
    ASSERT_EQ(seeking->GetCurrentPosition(&current), S_OK);
    EXPECT_EQ(current, 10000000);
}

// source -> a recording renderer on the graph's clock.
class wave_source_rendered : public wave_source_graph {
protected:
    void Build(const WaveFile& wave) {
        graph_ = NewGraph();
        source_ = AddSource(graph_.Get(), wave.bytes);
        renderer_ = RecordingRenderer::Create(&recorder_);
        ASSERT_EQ(graph_->AddFilter(renderer_.Get(), L"recorder"), S_OK);
        ASSERT_EQ(graph_->ConnectDirect(PinOf(source_.Get(), PINDIR_OUTPUT).Get(),
                                        PinOf(renderer_.Get(), PINDIR_INPUT).Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph_.As(IID_IMediaControl, &control_), S_OK);
        ASSERT_EQ(graph_->SetDefaultSyncSource(), S_OK);
    }
    void TearDown() override {
        if (control_) control_->Stop();
    }

    ComPtr<IGraphBuilder> graph_;
    ComPtr<IBaseFilter> source_;
    ComPtr<IBaseFilter> renderer_;
    RecordingRenderer* recorder_ = nullptr;
    ComPtr<IMediaControl> control_;
};

TEST_F(wave_source_rendered, moving_only_the_stop_goes_on_from_what_is_playing) {
    Build(MakeWave(1, 8000, 8, 24000));  // 3 s
    ComPtr<IMediaSeeking> seeking = GraphSeeking(graph_.Get());
    LONGLONG start = 10000000, none = 0;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &none, AM_SEEKING_NoPositioning), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    for (int i = 0; i < 200 && recorder_->RenderedSamples().size() < 3; ++i) Sleep(10);
    ASSERT_GE(recorder_->RenderedSamples().size(), 3u);
    LONGLONG stop = 25000000;
    ASSERT_EQ(seeking->SetPositions(&none, AM_SEEKING_NoPositioning, &stop, AM_SEEKING_AbsolutePositioning), S_OK);
    EXPECT_EQ(WaitForCompletion(graph_.Get(), 10000), EC_COMPLETE);
    const auto rendered = recorder_->RenderedSamples();
    // One unbroken stream from 1 s: 1.5 s in 38 samples, the last 20 ms.
    ASSERT_EQ(rendered.size(), 38u);
    for (size_t i = 0; i < rendered.size(); ++i) {
        EXPECT_EQ(rendered[i].start, static_cast<REFERENCE_TIME>(i) * 400000) << i;
        EXPECT_EQ(rendered[i].segmentStart, 10000000) << i;
    }
    LONGLONG stopNow = 0;
    ASSERT_EQ(seeking->GetPositions(nullptr, &stopNow), S_OK);
    EXPECT_EQ(stopNow, stop);
}

TEST_F(wave_source_rendered, positions_out_of_any_range_are_clamped_and_nan_is_refused) {
    Build(MakeWave(1, 8000, 8, 8000));  // 1 s
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(PinOf(source_.Get(), PINDIR_OUTPUT).As(IID_IMediaSeeking, &seeking), S_OK);
    constexpr LONGLONG kMax = INT64_MAX, kMin = INT64_MIN, kEnd = 10000000;
    struct Case {
        LONGLONG current;
        DWORD currentFlags;
        LONGLONG stop;
        DWORD stopFlags;
        LONGLONG wantCurrent, wantStop;
    } cases[] = {
        {5000000, AM_SEEKING_AbsolutePositioning, kEnd, AM_SEEKING_AbsolutePositioning, 5000000, kEnd},
        {kMax, AM_SEEKING_RelativePositioning, 0, AM_SEEKING_NoPositioning, kEnd, kEnd},
        {kMin, AM_SEEKING_RelativePositioning, 0, AM_SEEKING_NoPositioning, 0, kEnd},
        {kMax, AM_SEEKING_RelativePositioning, kMin, AM_SEEKING_RelativePositioning, kEnd, kEnd},
        {2000000, AM_SEEKING_AbsolutePositioning, kMax, AM_SEEKING_IncrementalPositioning, 2000000, kEnd},
        {0, AM_SEEKING_NoPositioning, kMin, AM_SEEKING_RelativePositioning, 2000000, 2000000},
        {kMin, AM_SEEKING_AbsolutePositioning, kMax, AM_SEEKING_AbsolutePositioning, 0, kEnd},
    };
    for (const Case& c : cases) {
        LONGLONG current = c.current, stop = c.stop;
        EXPECT_EQ(seeking->SetPositions(&current, c.currentFlags, &stop, c.stopFlags), S_OK);
        LONGLONG gotCurrent = -1, gotStop = -1;
        ASSERT_EQ(seeking->GetPositions(&gotCurrent, &gotStop), S_OK);
        EXPECT_EQ(gotCurrent, c.wantCurrent) << c.current << " " << c.stop;
        EXPECT_EQ(gotStop, c.wantStop) << c.current << " " << c.stop;
    }

    // Seconds through the renderer's IMediaPosition, passed upstream.
    ComPtr<IMediaPosition> position;
    ASSERT_EQ(renderer_.As(IID_IMediaPosition, &position), S_OK);
    struct Seconds {
        double time;
        HRESULT result;
        LONGLONG wantCurrent;
    } seconds[] = {
        {0.25, S_OK, 2500000},
        {std::nan(""), E_INVALIDARG, 2500000},
        {1e300, S_OK, kEnd},
        {-1e300, S_OK, 0},
        {-std::numeric_limits<double>::infinity(), S_OK, 0},
        {std::numeric_limits<double>::infinity(), S_OK, kEnd},
    };
    for (const Seconds& c : seconds) {
        EXPECT_EQ(position->put_CurrentPosition(c.time), c.result) << c.time;
        LONGLONG gotCurrent = -1;
        ASSERT_EQ(seeking->GetPositions(&gotCurrent, nullptr), S_OK);
        EXPECT_EQ(gotCurrent, c.wantCurrent) << c.time;
    }
    EXPECT_EQ(position->put_StopTime(std::nan("")), E_INVALIDARG);
}

}  // namespace
}  // namespace mr::test
