// Our DirectShow base layer under Wine, through small test filters built on
// it (a push source and a recording renderer) in real filter graphs:
// conformance of pins and enumerators, connection rules, and the renderer's
// state machine.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "audio/dshow/media_type.h"
#include "tests/dshow/graph_support.h"
#include "tests/dshow/test_filters.h"

namespace mr::test {
namespace {

constexpr REFERENCE_TIME kMs = 10000;

// Runs `work` on a thread of its own (a push into a paused renderer blocks).
class Worker {
public:
    explicit Worker(std::function<void()> work) : work_(std::move(work)) {
        thread_ = CreateThread(nullptr, 0, &Worker::Proc, this, 0, nullptr);
    }
    ~Worker() { Join(5000); }
    // True when the work finished within `ms`.
    bool Join(DWORD ms) {
        if (!thread_) return true;
        if (WaitForSingleObject(thread_, ms) != WAIT_OBJECT_0) return false;
        CloseHandle(thread_);
        thread_ = nullptr;
        return true;
    }

private:
    static DWORD WINAPI Proc(void* self) {
        static_cast<Worker*>(self)->work_();
        return 0;
    }
    std::function<void()> work_;
    HANDLE thread_ = nullptr;
};

class dshow_base : public ::testing::Test {
protected:
    void SetUp() override {
        type_ = NewPcmType(2, 44100, 16);
        sourceFilter_ = PushSource::Create(*type_, &source_);
        rendererFilter_ = RecordingRenderer::Create(&renderer_);
        graph_ = NewGraph();
        ASSERT_TRUE(graph_);
        ASSERT_EQ(graph_->AddFilter(sourceFilter_.Get(), L"source"), S_OK);
        ASSERT_EQ(graph_->AddFilter(rendererFilter_.Get(), L"renderer"), S_OK);
        ASSERT_EQ(graph_.As(IID_IMediaControl, &control_), S_OK);
        out_ = PinOf(sourceFilter_.Get(), PINDIR_OUTPUT);
        in_ = PinOf(rendererFilter_.Get(), PINDIR_INPUT);
        ASSERT_TRUE(out_ && in_);
    }
    void TearDown() override {
        if (control_) control_->Stop();
        dshow::DeleteMediaType(type_);
    }
    void Connect() { ASSERT_EQ(graph_->ConnectDirect(out_.Get(), in_.Get(), nullptr), S_OK); }

    ComScope com_;
    AM_MEDIA_TYPE* type_ = nullptr;
    PushSource* source_ = nullptr;
    RecordingRenderer* renderer_ = nullptr;
    ComPtr<IBaseFilter> sourceFilter_;
    ComPtr<IBaseFilter> rendererFilter_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IPin> out_;
    ComPtr<IPin> in_;
};

TEST_F(dshow_base, pins_answer_their_identity_and_the_enumerator_its_bounds) {
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(rendererFilter_->EnumPins(pins.Put()), S_OK);
    IPin* got[2] = {};
    ULONG fetched = 7;
    EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);
    EXPECT_EQ(pins->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], in_.Get());
    got[0]->Release();
    EXPECT_EQ(pins->Next(1, got, nullptr), S_FALSE);
    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(2), S_FALSE);
    ComPtr<IEnumPins> clone;
    EXPECT_EQ(pins->Clone(clone.Put()), S_OK);

    ComPtr<IPin> found;
    EXPECT_EQ(rendererFilter_->FindPin(L"In", found.Put()), S_OK);
    EXPECT_EQ(found.Get(), in_.Get());
    EXPECT_EQ(rendererFilter_->FindPin(L"Out", found.Put()), VFW_E_NOT_FOUND);
    EXPECT_FALSE(found);

    PIN_INFO info;
    ASSERT_EQ(in_->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, rendererFilter_.Get());
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    EXPECT_EQ(std::wstring(info.achName), L"In");
    info.pFilter->Release();
    LPWSTR id = nullptr;
    ASSERT_EQ(in_->QueryId(&id), S_OK);
    EXPECT_EQ(std::wstring(id), L"In");
    CoTaskMemFree(id);

    FILTER_INFO filterInfo;
    ASSERT_EQ(rendererFilter_->QueryFilterInfo(&filterInfo), S_OK);
    EXPECT_EQ(std::wstring(filterInfo.achName), L"renderer");
    EXPECT_NE(filterInfo.pGraph, nullptr);
    if (filterInfo.pGraph) filterInfo.pGraph->Release();
}

TEST_F(dshow_base, an_unconnected_pin_says_so) {
    IPin* peer = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(in_->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(peer, nullptr);
    AM_MEDIA_TYPE mt;
    EXPECT_EQ(in_->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(mt.majortype, GUID_NULL);
    EXPECT_EQ(in_->Disconnect(), S_FALSE);
}

TEST_F(dshow_base, connections_agree_a_type_once_and_change_only_while_stopped) {
    Connect();
    ComPtr<IPin> peer;
    ASSERT_EQ(in_->ConnectedTo(peer.Put()), S_OK);
    EXPECT_EQ(peer.Get(), out_.Get());
    AM_MEDIA_TYPE mt;
    ASSERT_EQ(in_->ConnectionMediaType(&mt), S_OK);
    EXPECT_TRUE(dshow::SameMediaType(mt, *type_));
    dshow::FreeMediaType(mt);

    EXPECT_EQ(out_->Connect(in_.Get(), nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(in_->ReceiveConnection(out_.Get(), type_), VFW_E_ALREADY_CONNECTED);

    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(in_->Disconnect(), VFW_E_NOT_STOPPED);
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    EXPECT_EQ(graph_->Disconnect(in_.Get()), S_OK);
    EXPECT_EQ(graph_->Disconnect(out_.Get()), S_OK);
    EXPECT_FALSE(in_->ConnectedTo(peer.Put()) == S_OK);
}

TEST_F(dshow_base, a_refused_type_or_a_wrong_direction_makes_no_connection) {
    AM_MEDIA_TYPE* video = NewPcmType(2, 44100, 16);
    video->majortype = MEDIATYPE_Video;
    EXPECT_EQ(in_->ReceiveConnection(out_.Get(), video), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(in_->QueryAccept(video), S_FALSE);
    EXPECT_EQ(in_->QueryAccept(type_), S_OK);
    // The source offers only its own type.
    EXPECT_TRUE(FAILED(out_->Connect(in_.Get(), video)));
    dshow::DeleteMediaType(video);

    RecordingRenderer* other = nullptr;
    ComPtr<IBaseFilter> otherFilter = RecordingRenderer::Create(&other);
    ComPtr<IPin> otherIn = PinOf(otherFilter.Get(), PINDIR_INPUT);
    EXPECT_EQ(in_->ReceiveConnection(otherIn.Get(), type_), VFW_E_INVALID_DIRECTION);
    ComPtr<IPin> peer;
    EXPECT_EQ(in_->ConnectedTo(peer.Put()), VFW_E_NOT_CONNECTED);
}

TEST_F(dshow_base, media_types_enumerate_from_the_pin_and_copy_deeply) {
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(out_->EnumMediaTypes(types.Put()), S_OK);
    AM_MEDIA_TYPE* got[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_TRUE(dshow::SameMediaType(*got[0], *type_));
    EXPECT_NE(got[0]->pbFormat, type_->pbFormat);
    dshow::DeleteMediaType(got[0]);
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(1), S_OK);
    EXPECT_EQ(types->Skip(1), S_FALSE);
    // An input pin of ours prefers no type.
    ASSERT_EQ(in_->EnumMediaTypes(types.Put()), S_OK);
    EXPECT_EQ(types->Next(1, got, nullptr), S_FALSE);
}

TEST_F(dshow_base, a_paused_renderer_is_intermediate_until_its_first_sample_which_waits_for_run) {
    Connect();
    EXPECT_EQ(control_->Pause(), S_FALSE);
    FILTER_STATE state;
    EXPECT_EQ(rendererFilter_->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, State_Paused);

    HRESULT pushed = E_FAIL;
    Worker push([&] { pushed = source_->Push(std::vector<uint8_t>(400, 1), 0, 10 * kMs); });
    EXPECT_EQ(rendererFilter_->GetState(2000, &state), S_OK);
    EXPECT_FALSE(push.Join(100));  // held until due
    EXPECT_TRUE(renderer_->RenderedSamples().empty());

    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_TRUE(push.Join(2000));
    EXPECT_EQ(pushed, S_OK);
    ASSERT_EQ(renderer_->RenderedSamples().size(), 1u);
    EXPECT_EQ(renderer_->RenderedSamples()[0].bytes, 400);
}

TEST_F(dshow_base, stopping_or_flushing_releases_a_waiting_sample_unrendered) {
    Connect();
    control_->Pause();
    Worker first([&] { source_->Push(std::vector<uint8_t>(400, 1), 0, 10 * kMs); });
    FILTER_STATE state;
    ASSERT_EQ(rendererFilter_->GetState(2000, &state), S_OK);
    EXPECT_EQ(in_->BeginFlush(), S_OK);
    EXPECT_TRUE(first.Join(1000));
    EXPECT_EQ(rendererFilter_->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);  // paused without data again
    EXPECT_EQ(in_->EndFlush(), S_OK);

    Worker second([&] { source_->Push(std::vector<uint8_t>(400, 1), 0, 10 * kMs); });
    ASSERT_EQ(rendererFilter_->GetState(2000, &state), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    EXPECT_TRUE(second.Join(1000));
    EXPECT_TRUE(renderer_->RenderedSamples().empty());
}

TEST_F(dshow_base, samples_render_in_order_at_their_times_and_the_end_completes_the_graph) {
    Connect();
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(source_->Push(std::vector<uint8_t>(100 + i, 1), i * 20 * kMs, (i + 1) * 20 * kMs), S_OK);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    EXPECT_EQ(WaitForCompletion(graph_.Get(), 3000), EC_COMPLETE);
    const auto rendered = renderer_->RenderedSamples();
    ASSERT_EQ(rendered.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rendered[i].start, i * 20 * kMs);
        EXPECT_EQ(rendered[i].bytes, 100 + i);
    }
}

TEST_F(dshow_base, an_end_of_stream_while_paused_completes_only_once_running) {
    Connect();
    control_->Pause();
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    FILTER_STATE state;
    EXPECT_EQ(rendererFilter_->GetState(0, &state), S_OK);  // nothing more will come
    Sleep(50);
    EXPECT_FALSE(HasEvent(graph_.Get(), EC_COMPLETE));
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(WaitForCompletion(graph_.Get(), 2000), EC_COMPLETE);
}

TEST_F(dshow_base, a_renderer_answers_seeking_on_the_filter_and_passes_it_upstream) {
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(rendererFilter_.As(IID_IMediaSeeking, &seeking), S_OK);
    ComPtr<IMediaPosition> position;
    ASSERT_EQ(rendererFilter_.As(IID_IMediaPosition, &position), S_OK);
    // Both are parts of the filter.
    ComPtr<IBaseFilter> back;
    ASSERT_EQ(seeking.As(IID_IBaseFilter, &back), S_OK);
    EXPECT_EQ(back.Get(), rendererFilter_.Get());
    // Nothing upstream to ask: neither unconnected nor behind our push source.
    LONGLONG duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), E_NOTIMPL);
    Connect();
    EXPECT_EQ(seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME), E_NOTIMPL);
    REFTIME seconds = 0;
    EXPECT_EQ(position->get_Duration(&seconds), E_NOTIMPL);
}

TEST_F(dshow_base, the_sync_source_is_held_with_a_reference) {
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                               clock.PutVoid()),
              S_OK);
    ASSERT_EQ(rendererFilter_->SetSyncSource(clock.Get()), S_OK);
    ComPtr<IReferenceClock> got;
    ASSERT_EQ(rendererFilter_->GetSyncSource(got.Put()), S_OK);
    EXPECT_EQ(got.Get(), clock.Get());
    got.Reset();
    ASSERT_EQ(rendererFilter_->SetSyncSource(nullptr), S_OK);
    ASSERT_EQ(rendererFilter_->GetSyncSource(got.Put()), S_OK);
    EXPECT_FALSE(got);
    // The filter dropped its reference: ours is the last.
    EXPECT_EQ(clock->AddRef(), 2u);
    clock->Release();
}

// How many buffers `allocator` hands out at once without waiting (it is
// committed for the count); each is returned before the answer.
int FreeBuffers(IMemAllocator* allocator) {
    std::vector<IMediaSample*> taken;
    for (int i = 0; i < 64; ++i) {
        IMediaSample* sample = nullptr;
        if (allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT) != S_OK || !sample) break;
        taken.push_back(sample);
    }
    for (IMediaSample* sample : taken) sample->Release();
    return static_cast<int>(taken.size());
}

TEST_F(dshow_base, a_stopping_renderer_returns_its_waiting_sample_and_leaves_the_allocator_to_its_owner) {
    Connect();
    ComPtr<IMemInputPin> memInput;
    ASSERT_EQ(in_.As(IID_IMemInputPin, &memInput), S_OK);
    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(memInput->GetAllocator(allocator.Put()), S_OK);  // the one the source took
    ALLOCATOR_PROPERTIES props = {};
    ASSERT_EQ(allocator->GetProperties(&props), S_OK);

    control_->Pause();
    Worker push([&] { source_->Push(std::vector<uint8_t>(400, 1), 0, 10 * kMs); });
    FILTER_STATE state;
    ASSERT_EQ(rendererFilter_->GetState(2000, &state), S_OK);
    // The renderer alone stops, as the graph stops renderers first: the
    // source's allocator stays committed for the source's thread, and the
    // sample the renderer held is back in the pool.
    ASSERT_EQ(rendererFilter_->Stop(), S_OK);
    ASSERT_TRUE(push.Join(2000));
    EXPECT_EQ(FreeBuffers(allocator.Get()), props.cBuffers);
    EXPECT_EQ(source_->Push(std::vector<uint8_t>(400, 1), 0, 10 * kMs), VFW_E_WRONG_STATE);  // refused, not lost
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
}

// A flush that lands while a sample is being received in the paused state
// must take that sample back whole: it is not left pending unseen, nor does
// it complete the pause. Otherwise the receiving thread waits for a sample
// that was dropped and Run never releases it. Timing-dependent: many rounds.
TEST_F(dshow_base, a_flush_racing_the_first_sample_while_paused_never_strands_the_streaming_thread) {
    Connect();
    // The filters are driven directly (no clock: a sample is due at once),
    // so that each round takes well under a millisecond of their own work.
    ASSERT_EQ(sourceFilter_->Pause(), S_OK);
    constexpr int kRounds = 500;
    int stranded = 0;
    for (int round = 0; round < kRounds; ++round) {
        rendererFilter_->Pause();
        Worker push([&] { source_->Push(std::vector<uint8_t>(40, 1), 0, 1 * kMs); });
        if (round % 2) Sleep(0);
        in_->BeginFlush();
        in_->EndFlush();
        rendererFilter_->Run(0);
        // Either the sample was flushed (the push returns at once) or it
        // came after the flush and renders at once.
        if (!push.Join(2000)) ++stranded;
        rendererFilter_->Stop();
        push.Join(2000);
    }
    sourceFilter_->Stop();
    EXPECT_EQ(stranded, 0);
}

}  // namespace
}  // namespace mr::test
