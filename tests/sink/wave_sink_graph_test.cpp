// The wave sink in real decode graphs under Wine: File Source (Async.) ->
// WAVE parser -> "MRWavSink", the module registered through its own
// DllRegisterServer and the filter created by class identifier; and with a
// test source where the WAVE parser cannot produce what is tested.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "audio/dshow/media_type.h"
#include "common/com/filter_ids.h"
#include "common/com/wave_interfaces.h"
#include "tests/dshow/graph_support.h"
#include "tests/dshow/test_filters.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

std::wstring Wide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}

class wave_sink_graph : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ComScope com;
        ASSERT_EQ(CallModuleExport(L"mrws.dll", "DllRegisterServer"), S_OK);
    }

    // A new sink writing to `out`, reporting to recorder_, in `graph`.
    ComPtr<IBaseFilter> AddSink(IGraphBuilder* graph, const std::u16string& out) {
        ComPtr<IBaseFilter> sink = NewFilter(CLSID_MRWavSink);
        EXPECT_TRUE(sink);
        if (!sink) return sink;
        ComPtr<IFileSinkFilter> fileSink;
        EXPECT_EQ(sink.As(IID_IFileSinkFilter, &fileSink), S_OK);
        EXPECT_EQ(fileSink->SetFileName(Wide(out).c_str(), nullptr), S_OK);
        ComPtr<IWaveCallbackTarget> target;
        EXPECT_EQ(sink.As(IID_IWaveCallbackTarget, &target), S_OK);
        EXPECT_EQ(target->SetCallback(&recorder_), S_OK);
        EXPECT_EQ(graph->AddFilter(sink.Get(), L"MRWavSink"), S_OK);
        return sink;
    }

    struct Decoded {
        HRESULT connect = E_FAIL;
        long completion = 0;
        std::vector<uint8_t> file;
        std::vector<LONGLONG> progress;
    };

    // Decodes `wave` through File Source (Async.) and the WAVE parser.
    // `afterCompletion` runs while the completed graph still runs.
    template <class F>
    Decoded Decode(const WaveFile& wave, F afterCompletion) {
        Decoded r;
        const std::u16string in = dir_.Path(u"in.wav");
        EXPECT_TRUE(WriteFileBytes(in, wave.bytes));
        ComPtr<IGraphBuilder> graph = NewGraph();
        HRESULT hr = E_FAIL;
        ComPtr<IBaseFilter> parser = AddWaveParser(graph.Get(), Wide(in), &hr);
        EXPECT_EQ(hr, S_OK);
        ComPtr<IBaseFilter> sink = AddSink(graph.Get(), out_);
        if (!parser || !sink) return r;
        r.connect = graph->ConnectDirect(PinOf(parser.Get(), PINDIR_OUTPUT).Get(),
                                         PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr);
        if (r.connect == S_OK) {
            ComPtr<IMediaControl> control;
            EXPECT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
            EXPECT_TRUE(SUCCEEDED(control->Run()));
            r.completion = WaitForCompletion(graph.Get(), 10000);
            afterCompletion(graph.Get(), sink.Get());
            control->Stop();
        }
        r.file = ReadFileBytes(out_);
        r.progress = recorder_.Values();
        return r;
    }
    Decoded Decode(const WaveFile& wave) {
        return Decode(wave, [](IGraphBuilder*, IBaseFilter*) {});
    }

    ComScope com_;
    ScopedTempDir dir_;
    std::u16string out_ = dir_.Path(u"wav1234.tmp");
    ProgressRecorder recorder_;
};

TEST_F(wave_sink_graph, eight_and_sixteen_bit_mono_and_stereo_pcm_is_written_behind_the_canonical_header) {
    for (uint32_t rate : {22050u, 44100u})
        for (uint16_t channels : {1, 2})
            for (uint16_t bits : {8, 16}) {
                SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " channel(s), " << bits << " bit");
                recorder_.Clear();
                // A tenth of a second and a bit, so that the last sample is short.
                const WaveFile wave = MakeWave(channels, rate, bits, rate / 10 + 37);
                const Decoded d = Decode(wave);
                ASSERT_EQ(d.connect, S_OK);
                EXPECT_EQ(d.completion, EC_COMPLETE);
                // The generated file is itself canonical: header and samples match byte for byte.
                EXPECT_EQ(d.file, wave.bytes);
                ASSERT_FALSE(d.progress.empty());
                EXPECT_EQ(d.progress.back(), 100);
            }
}

TEST_F(wave_sink_graph, rendering_a_file_source_in_the_graph_ends_in_the_sink_already_there) {
    // The editor's fallback: the platform's renderer of a file source's
    // output uses the filters already in the graph, so the PCM reaches the
    // sink rather than the audio renderer.
    const WaveFile wave = MakeWave(2, 44100, 16, 8000);
    const std::u16string in = dir_.Path(u"song.wav");
    ASSERT_TRUE(WriteFileBytes(in, wave.bytes));
    ComPtr<IGraphBuilder> graph = NewGraph();
    ComPtr<IBaseFilter> sink = AddSink(graph.Get(), out_);
    ComPtr<IBaseFilter> source = NewFilter(CLSID_AsyncReader);
    ComPtr<IFileSourceFilter> load;
    ASSERT_EQ(source.As(IID_IFileSourceFilter, &load), S_OK);
    ASSERT_EQ(load->Load(Wide(in).c_str(), nullptr), S_OK);
    ASSERT_EQ(graph->AddFilter(source.Get(), Wide(in).c_str()), S_OK);
    ASSERT_EQ(graph->Render(PinOf(source.Get(), PINDIR_OUTPUT).Get()), S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(PinOf(sink.Get(), PINDIR_INPUT)->ConnectedTo(peer.Put()), S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_EQ(WaitForCompletion(graph.Get(), 5000), EC_COMPLETE);
    control->Stop();
    EXPECT_EQ(ReadFileBytes(out_), wave.bytes);
}

TEST_F(wave_sink_graph, rates_not_a_multiple_of_25_and_24_bit_samples_are_refused_at_connection) {
    for (const WaveFile& wave : {MakeWave(2, 11127, 16, 2000), MakeWave(2, 44100, 24, 2000)}) {
        // The parser offers the file's format, and the sink is what refuses it.
        const std::u16string in = dir_.Path(u"offered.wav");
        ASSERT_TRUE(WriteFileBytes(in, wave.bytes));
        ComPtr<IGraphBuilder> graph = NewGraph();
        HRESULT hr = E_FAIL;
        ComPtr<IBaseFilter> parser = AddWaveParser(graph.Get(), Wide(in), &hr);
        ASSERT_EQ(hr, S_OK);
        ComPtr<IEnumMediaTypes> types;
        ASSERT_EQ(PinOf(parser.Get(), PINDIR_OUTPUT)->EnumMediaTypes(types.Put()), S_OK);
        AM_MEDIA_TYPE* offered = nullptr;
        ASSERT_EQ(types->Next(1, &offered, nullptr), S_OK);
        ComPtr<IBaseFilter> sink = NewFilter(CLSID_MRWavSink);
        EXPECT_EQ(PinOf(sink.Get(), PINDIR_INPUT)->QueryAccept(offered), S_FALSE);
        dshow::DeleteMediaType(offered);

        const Decoded d = Decode(wave);
        EXPECT_TRUE(FAILED(d.connect)) << std::hex << d.connect;
        EXPECT_TRUE(d.file.empty());  // nothing was created
    }
}

TEST_F(wave_sink_graph, progress_rises_in_whole_percents_each_reported_once_and_ends_with_100) {
    const Decoded d = Decode(MakeWave(2, 22050, 16, 22050 * 2));
    ASSERT_EQ(d.completion, EC_COMPLETE);
    ASSERT_GE(d.progress.size(), 10u);  // many samples, many percents
    for (size_t i = 0; i < d.progress.size(); ++i) {
        EXPECT_GE(d.progress[i], 1);
        EXPECT_LE(d.progress[i], 100);
        if (i > 0) {
            EXPECT_GT(d.progress[i], d.progress[i - 1]);
        }
    }
    EXPECT_EQ(d.progress.back(), 100);
}

TEST_F(wave_sink_graph, an_empty_stream_gives_a_44_byte_file_whose_sizes_read_36_and_0) {
    const Decoded d = Decode(MakeWave(1, 22050, 16, 0));
    ASSERT_EQ(d.connect, S_OK);
    EXPECT_EQ(d.completion, EC_COMPLETE);
    ASSERT_EQ(d.file.size(), 44u);
    EXPECT_EQ(U32At(d.file, 4), 36u);
    EXPECT_EQ(U32At(d.file, 40), 0u);
    EXPECT_EQ(d.progress, std::vector<LONGLONG>{100});
}

TEST_F(wave_sink_graph, a_second_end_of_stream_changes_nothing) {
    std::vector<uint8_t> before;
    size_t reportsBefore = 0;
    const Decoded d = Decode(MakeWave(2, 22050, 16, 5000), [&](IGraphBuilder* graph, IBaseFilter* sink) {
        before = ReadFileBytes(out_);
        reportsBefore = recorder_.Values().size();
        HasEvent(graph, EC_COMPLETE);  // drain
        EXPECT_EQ(PinOf(sink, PINDIR_INPUT)->EndOfStream(), S_OK);
        Sleep(50);
        EXPECT_FALSE(HasEvent(graph, EC_COMPLETE));
    });
    ASSERT_EQ(d.completion, EC_COMPLETE);
    EXPECT_EQ(d.file, before);
    EXPECT_EQ(d.progress.size(), reportsBefore);
}

TEST_F(wave_sink_graph, a_file_that_cannot_be_created_aborts_the_graph_with_e_unexpected) {
    out_ = dir_.Path(u"no-such-folder\\wav.tmp");
    const WaveFile wave = MakeWave(2, 22050, 16, 5000);
    const std::u16string in = dir_.Path(u"in.wav");
    ASSERT_TRUE(WriteFileBytes(in, wave.bytes));
    ComPtr<IGraphBuilder> graph = NewGraph();
    HRESULT hr = E_FAIL;
    ComPtr<IBaseFilter> parser = AddWaveParser(graph.Get(), Wide(in), &hr);
    ComPtr<IBaseFilter> sink = AddSink(graph.Get(), out_);
    ASSERT_TRUE(parser && sink);
    ASSERT_EQ(graph->ConnectDirect(PinOf(parser.Get(), PINDIR_OUTPUT).Get(), PinOf(sink.Get(), PINDIR_INPUT).Get(),
                                   nullptr),
              S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
    control->Run();
    LONG_PTR param = 0;
    bool aborted = false;
    for (int i = 0; i < 100 && !aborted; ++i) {
        aborted = HasEvent(graph.Get(), EC_ERRORABORT, &param);
        if (!aborted) Sleep(20);
    }
    EXPECT_TRUE(aborted);
    EXPECT_EQ(static_cast<HRESULT>(param), E_UNEXPECTED);
    control->Stop();
    EXPECT_TRUE(recorder_.Values().empty());
}

TEST_F(wave_sink_graph, an_end_of_stream_while_paused_completes_the_graph_once_it_runs) {
    // The graph counts completions from Run on, so one that arrived while
    // paused (a fast or empty decode) must reach it after Run.
    AM_MEDIA_TYPE* type = NewPcmType(1, 8000, 8);
    PushSource* source = nullptr;
    ComPtr<IBaseFilter> sourceFilter = PushSource::Create(*type, &source);
    ComPtr<IGraphBuilder> graph = NewGraph();
    ASSERT_EQ(graph->AddFilter(sourceFilter.Get(), L"source"), S_OK);
    ComPtr<IBaseFilter> sink = AddSink(graph.Get(), out_);
    ASSERT_EQ(graph->ConnectDirect(PinOf(sourceFilter.Get(), PINDIR_OUTPUT).Get(),
                                   PinOf(sink.Get(), PINDIR_INPUT).Get(), type),
              S_OK);
    dshow::DeleteMediaType(type);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
    ASSERT_EQ(control->Pause(), S_OK);
    ASSERT_EQ(source->Push(std::vector<uint8_t>(800, 0x80), 0, 1000000), S_OK);
    ASSERT_EQ(source->PushEndOfStream(), S_OK);
    EXPECT_EQ(ReadFileBytes(out_).size(), 844u);  // written at once
    EXPECT_EQ(recorder_.Values().back(), 100);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_EQ(WaitForCompletion(graph.Get(), 5000), EC_COMPLETE);
    control->Stop();
}

TEST_F(wave_sink_graph, an_extensible_pcm_connection_is_written_with_format_tag_1) {
    AM_MEDIA_TYPE* type = NewPcmType(2, 48000, 16, /*extensible=*/true);
    PushSource* source = nullptr;
    ComPtr<IBaseFilter> sourceFilter = PushSource::Create(*type, &source);
    ComPtr<IGraphBuilder> graph = NewGraph();
    ASSERT_EQ(graph->AddFilter(sourceFilter.Get(), L"source"), S_OK);
    ComPtr<IBaseFilter> sink = AddSink(graph.Get(), out_);
    ASSERT_EQ(graph->ConnectDirect(PinOf(sourceFilter.Get(), PINDIR_OUTPUT).Get(),
                                   PinOf(sink.Get(), PINDIR_INPUT).Get(), type),
              S_OK);
    dshow::DeleteMediaType(type);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    const std::vector<uint8_t> samples(4800 * 4, 0x5A);
    source->PushNewSegment(0, 1000000, 1.0);
    ASSERT_EQ(source->Push(samples, 0, 1000000), S_OK);
    ASSERT_EQ(source->PushEndOfStream(), S_OK);
    EXPECT_EQ(WaitForCompletion(graph.Get(), 5000), EC_COMPLETE);
    control->Stop();

    const auto file = ReadFileBytes(out_);
    const auto expected = Bytes()
                              .Raw("RIFF").U32(36 + 19200).Raw("WAVEfmt ").U32(16)
                              .U16(1).U16(2).U32(48000).U32(192000).U16(4).U16(16)
                              .Raw("data").U32(19200).Raw(samples)
                              .Get();
    EXPECT_EQ(file, expected);
}

TEST_F(wave_sink_graph, a_format_change_during_streaming_must_keep_the_layout) {
    AM_MEDIA_TYPE* type = NewPcmType(2, 44100, 16);
    PushSource* source = nullptr;
    ComPtr<IBaseFilter> sourceFilter = PushSource::Create(*type, &source);
    ComPtr<IGraphBuilder> graph = NewGraph();
    ASSERT_EQ(graph->AddFilter(sourceFilter.Get(), L"source"), S_OK);
    ComPtr<IBaseFilter> sink = AddSink(graph.Get(), out_);
    ASSERT_EQ(graph->ConnectDirect(PinOf(sourceFilter.Get(), PINDIR_OUTPUT).Get(),
                                   PinOf(sink.Get(), PINDIR_INPUT).Get(), type),
              S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(IID_IMediaControl, &control), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    // The same layout with another tag is taken...
    AM_MEDIA_TYPE* same = NewPcmType(2, 44100, 16, /*extensible=*/true);
    EXPECT_EQ(source->PushWithType(std::vector<uint8_t>(400, 1), *same), S_OK);
    // ...another rate is refused, which stops the stream.
    AM_MEDIA_TYPE* other = NewPcmType(2, 48000, 16);
    EXPECT_EQ(source->PushWithType(std::vector<uint8_t>(400, 2), *other), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(source->Push(std::vector<uint8_t>(400, 3), 0, 100), VFW_E_RUNTIME_ERROR);
    EXPECT_TRUE(HasEvent(graph.Get(), EC_ERRORABORT));
    control->Stop();
    for (AM_MEDIA_TYPE* t : {type, same, other}) dshow::DeleteMediaType(t);
}

TEST_F(wave_sink_graph, set_file_name_takes_one_name_of_at_most_260_characters) {
    ComPtr<IBaseFilter> sink = NewFilter(CLSID_MRWavSink);
    ASSERT_TRUE(sink);
    ComPtr<IFileSinkFilter> fileSink;
    ASSERT_EQ(sink.As(IID_IFileSinkFilter, &fileSink), S_OK);
    EXPECT_EQ(fileSink->SetFileName(nullptr, nullptr), E_POINTER);
    const std::wstring tooLong(261, L'a');
    EXPECT_EQ(fileSink->SetFileName(tooLong.c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));

    LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
    AM_MEDIA_TYPE mt;
    std::memset(&mt, 0xCD, sizeof mt);
    EXPECT_EQ(fileSink->GetCurFile(&name, &mt), S_OK);
    EXPECT_EQ(name, nullptr);  // the refused names were not stored
    EXPECT_EQ(mt.majortype, GUID_NULL);
    EXPECT_EQ(mt.pbFormat, nullptr);
    EXPECT_EQ(mt.cbFormat, 0u);
    EXPECT_EQ(fileSink->GetCurFile(nullptr, nullptr), E_POINTER);

    const std::wstring longest = L"C:\\" + std::wstring(257, L'b');
    EXPECT_EQ(fileSink->SetFileName(longest.c_str(), nullptr), S_OK);
    EXPECT_EQ(fileSink->SetFileName(L"C:\\other.wav", nullptr), E_NOTIMPL);
    EXPECT_EQ(fileSink->SetFileName(nullptr, nullptr), E_NOTIMPL);
    ASSERT_EQ(fileSink->GetCurFile(&name, nullptr), S_OK);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::wstring(name), longest);
    CoTaskMemFree(name);
}

// Progress callbacks of the editor's kind: each one waits for another thread
// (standing for the application thread) that calls into the sink, which
// takes the filter lock. The sink reports under its streaming lock only.
class CallingBackCallback final : public IWaveProgressCallback {
public:
    explicit CallingBackCallback(IBaseFilter* sink) : sink_(sink) {}
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
        ++reports;
        TimedCall call([this] {
            ComPtr<IFileSinkFilter> file;
            if (ComPtr<IBaseFilter>(sink_).As(IID_IFileSinkFilter, &file) != S_OK) return;
            LPOLESTR name = nullptr;
            if (file->GetCurFile(&name, nullptr) == S_OK) CoTaskMemFree(name);
        });
        if (!call.Finished(2000)) ++blocked;
        return S_OK;
    }
    int reports = 0;
    int blocked = 0;

private:
    IBaseFilter* sink_;
};

class wave_sink_pushed : public wave_sink_graph {
protected:
    void SetUp() override {
        AM_MEDIA_TYPE* type = NewPcmType(1, 8000, 8);
        sourceFilter_ = PushSource::Create(*type, &source_);
        graph_ = NewGraph();
        ASSERT_EQ(graph_->AddFilter(sourceFilter_.Get(), L"source"), S_OK);
        sink_ = AddSink(graph_.Get(), out_);
        ASSERT_EQ(graph_->ConnectDirect(PinOf(sourceFilter_.Get(), PINDIR_OUTPUT).Get(),
                                        PinOf(sink_.Get(), PINDIR_INPUT).Get(), type),
                  S_OK);
        dshow::DeleteMediaType(type);
        ASSERT_EQ(graph_.As(IID_IMediaControl, &control_), S_OK);
    }
    void TearDown() override {
        if (control_) control_->Stop();
    }

    PushSource* source_ = nullptr;
    ComPtr<IBaseFilter> sourceFilter_;
    ComPtr<IBaseFilter> sink_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
};

TEST_F(wave_sink_pushed, a_stop_before_the_end_of_the_stream_lets_go_of_the_half_written_file) {
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(source_->Push(std::vector<uint8_t>(800, 0x80), 0, 1000000), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    // The editor overwrites or deletes the decoded file while the stopped
    // graph still exists.
    EXPECT_EQ(ReadFileBytes(out_).size(), 844u);
    HANDLE h = CreateFileW(Wide(out_).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    EXPECT_TRUE(DeleteFileW(Wide(out_).c_str())) << GetLastError();
    // Streaming again writes a new file from the new stream.
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(source_->Push(std::vector<uint8_t>(400, 0x80), 0, 500000), S_OK);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    const std::vector<uint8_t> file = ReadFileBytes(out_);
    ASSERT_EQ(file.size(), 444u);
    EXPECT_EQ(U32At(file, 40), 400u);
}

TEST_F(wave_sink_pushed, reports_are_made_without_the_filter_lock_so_the_callback_may_call_back) {
    CallingBackCallback callback(sink_.Get());
    ComPtr<IWaveCallbackTarget> target;
    ASSERT_EQ(sink_.As(IID_IWaveCallbackTarget, &target), S_OK);
    ASSERT_EQ(target->SetCallback(&callback), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(source_->PushNewSegment(0, 1000000, 1.0), S_OK);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(source_->Push(std::vector<uint8_t>(80, 0x80), i * 100000, (i + 1) * 100000), S_OK);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    EXPECT_EQ(callback.reports, 10);  // 10 % .. 100 %
    EXPECT_EQ(callback.blocked, 0);
    control_->Stop();
    target->SetCallback(nullptr);
}

}  // namespace
}  // namespace mr::test
