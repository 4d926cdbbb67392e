// The fallback tee under Wine: a test source -> the tee -> two recording
// renderers, in real filter graphs.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/dshow/media_type.h"
#include "audio/dshow/tee.h"
#include "tests/dshow/graph_support.h"
#include "tests/dshow/test_filters.h"

namespace mr::test {
namespace {

constexpr REFERENCE_TIME kMs = 10000;

std::vector<std::wstring> PinNames(IBaseFilter* filter) {
    std::vector<std::wstring> names;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put()))) return names;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Put(), nullptr) == S_OK) {
        LPWSTR id = nullptr;
        if (SUCCEEDED(pin->QueryId(&id))) {
            names.push_back(id);
            CoTaskMemFree(id);
        }
    }
    return names;
}

class tee_filter : public ::testing::Test {
protected:
    void SetUp() override {
        type_ = NewPcmType(1, 22050, 16);
        sourceFilter_ = PushSource::Create(*type_, &source_);
        ASSERT_EQ(dshow::CreateTeeFilter(tee_.Put()), S_OK);
        first_ = RecordingRenderer::Create(&firstRecorder_);
        second_ = RecordingRenderer::Create(&secondRecorder_);
        graph_ = NewGraph();
        ASSERT_TRUE(graph_);
        ASSERT_EQ(graph_->AddFilter(sourceFilter_.Get(), L"source"), S_OK);
        ASSERT_EQ(graph_->AddFilter(tee_.Get(), L"Infinite Pin Tee Filter"), S_OK);
        ASSERT_EQ(graph_->AddFilter(first_.Get(), L"first"), S_OK);
        ASSERT_EQ(graph_->AddFilter(second_.Get(), L"second"), S_OK);
        ASSERT_EQ(graph_.As(IID_IMediaControl, &control_), S_OK);
    }
    void TearDown() override {
        if (control_) control_->Stop();
        dshow::DeleteMediaType(type_);
    }
    HRESULT ConnectInput() {
        return graph_->ConnectDirect(PinOf(sourceFilter_.Get(), PINDIR_OUTPUT).Get(),
                                     PinOf(tee_.Get(), PINDIR_INPUT).Get(), nullptr);
    }
    HRESULT ConnectOutput(int index, IBaseFilter* renderer) {
        return graph_->ConnectDirect(PinOf(tee_.Get(), PINDIR_OUTPUT, index).Get(),
                                     PinOf(renderer, PINDIR_INPUT).Get(), nullptr);
    }
    void ConnectAll() {
        ASSERT_EQ(ConnectInput(), S_OK);
        ASSERT_EQ(ConnectOutput(0, first_.Get()), S_OK);
        ASSERT_EQ(ConnectOutput(1, second_.Get()), S_OK);
    }

    ComScope com_;
    AM_MEDIA_TYPE* type_ = nullptr;
    PushSource* source_ = nullptr;
    RecordingRenderer* firstRecorder_ = nullptr;
    RecordingRenderer* secondRecorder_ = nullptr;
    ComPtr<IBaseFilter> sourceFilter_;
    ComPtr<IBaseFilter> tee_;
    ComPtr<IBaseFilter> first_;
    ComPtr<IBaseFilter> second_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
};

TEST_F(tee_filter, a_new_output_appears_each_time_the_last_free_one_is_connected) {
    EXPECT_EQ(PinNames(tee_.Get()), (std::vector<std::wstring>{L"Input", L"Output1"}));
    // Outputs have nothing to offer before the input is connected.
    EXPECT_TRUE(FAILED(ConnectOutput(0, first_.Get())));
    ASSERT_EQ(ConnectInput(), S_OK);
    EXPECT_EQ(PinNames(tee_.Get()).size(), 2u);

    ComPtr<IEnumPins> pins;
    ASSERT_EQ(tee_->EnumPins(pins.Put()), S_OK);
    ASSERT_EQ(ConnectOutput(0, first_.Get()), S_OK);
    ComPtr<IPin> pin;
    EXPECT_EQ(pins->Next(1, pin.Put(), nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Next(1, pin.Put(), nullptr), S_OK);
    EXPECT_EQ(PinNames(tee_.Get()), (std::vector<std::wstring>{L"Input", L"Output1", L"Output2"}));

    ASSERT_EQ(ConnectOutput(1, second_.Get()), S_OK);
    EXPECT_EQ(PinNames(tee_.Get()).size(), 4u);
    // A disconnected output is free again; no further pin is needed.
    EXPECT_EQ(graph_->Disconnect(PinOf(second_.Get(), PINDIR_INPUT).Get()), S_OK);
    EXPECT_EQ(graph_->Disconnect(PinOf(tee_.Get(), PINDIR_OUTPUT, 1).Get()), S_OK);
    ASSERT_EQ(ConnectOutput(1, second_.Get()), S_OK);
    EXPECT_EQ(PinNames(tee_.Get()).size(), 4u);
}

TEST_F(tee_filter, outputs_offer_exactly_the_input_type) {
    ASSERT_EQ(ConnectInput(), S_OK);
    ComPtr<IPin> output = PinOf(tee_.Get(), PINDIR_OUTPUT, 0);
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(output->EnumMediaTypes(types.Put()), S_OK);
    AM_MEDIA_TYPE* got[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_TRUE(dshow::SameMediaType(*got[0], *type_));
    dshow::DeleteMediaType(got[0]);
    AM_MEDIA_TYPE* other = NewPcmType(2, 22050, 16);
    EXPECT_EQ(output->QueryAccept(other), S_FALSE);
    EXPECT_EQ(output->QueryAccept(type_), S_OK);
    dshow::DeleteMediaType(other);
}

TEST_F(tee_filter, every_sample_segment_and_end_of_stream_reaches_every_output) {
    ConnectAll();
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(source_->PushNewSegment(5 * 1000 * kMs, 10 * 1000 * kMs, 1.0), S_OK);
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(source_->Push(std::vector<uint8_t>(200 + i, 0), i * 10 * kMs, (i + 1) * 10 * kMs), S_OK);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    // The graph completes only once both renderers had the end of the stream.
    ASSERT_EQ(WaitForCompletion(graph_.Get(), 3000), EC_COMPLETE);
    const auto a = firstRecorder_->RenderedSamples();
    ASSERT_EQ(a.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(a[i].start, i * 10 * kMs);
        EXPECT_EQ(a[i].bytes, 200 + i);
        EXPECT_EQ(a[i].segmentStart, 5 * 1000 * kMs);
    }
    EXPECT_EQ(secondRecorder_->RenderedSamples(), a);
}

TEST_F(tee_filter, a_flush_reaches_every_output_and_streaming_resumes) {
    ConnectAll();
    control_->Pause();
    ASSERT_EQ(source_->Push(std::vector<uint8_t>(100, 0), 0, 10 * kMs), S_OK);
    FILTER_STATE state;
    ASSERT_EQ(first_->GetState(2000, &state), S_OK);
    ASSERT_EQ(second_->GetState(2000, &state), S_OK);

    ComPtr<IPin> input = PinOf(tee_.Get(), PINDIR_INPUT);
    ASSERT_EQ(input->BeginFlush(), S_OK);
    EXPECT_EQ(first_->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(second_->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(source_->Push(std::vector<uint8_t>(100, 0), 0, 10 * kMs), S_FALSE);  // refused while flushing
    ASSERT_EQ(input->EndFlush(), S_OK);

    ASSERT_EQ(source_->Push(std::vector<uint8_t>(300, 0), 0, 10 * kMs), S_OK);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(WaitForCompletion(graph_.Get(), 3000), EC_COMPLETE);
    for (RecordingRenderer* r : {firstRecorder_, secondRecorder_}) {
        const auto rendered = r->RenderedSamples();
        ASSERT_EQ(rendered.size(), 1u);
        EXPECT_EQ(rendered[0].bytes, 300);
    }
}

TEST_F(tee_filter, only_the_first_output_passes_seeking_upstream) {
    ConnectAll();
    ComPtr<IMediaSeeking> seeking;
    EXPECT_EQ(PinOf(tee_.Get(), PINDIR_OUTPUT, 0).As(IID_IMediaSeeking, &seeking), S_OK);
    ComPtr<IMediaPosition> position;
    EXPECT_EQ(PinOf(tee_.Get(), PINDIR_OUTPUT, 0).As(IID_IMediaPosition, &position), S_OK);
    EXPECT_EQ(PinOf(tee_.Get(), PINDIR_OUTPUT, 1).As(IID_IMediaSeeking, &seeking), E_NOINTERFACE);
    // Our push source cannot seek: the question goes upstream and comes back.
    ASSERT_EQ(PinOf(tee_.Get(), PINDIR_OUTPUT, 0).As(IID_IMediaSeeking, &seeking), S_OK);
    LONGLONG duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), E_NOTIMPL);
}

TEST_F(tee_filter, every_reference_is_returned_when_the_graph_goes) {
    ConnectAll();
    {
        ComPtr<IMediaSeeking> seeking;
        ASSERT_EQ(PinOf(tee_.Get(), PINDIR_OUTPUT, 0).As(IID_IMediaSeeking, &seeking), S_OK);
        ComPtr<IEnumPins> pins;
        ASSERT_EQ(tee_->EnumPins(pins.Put()), S_OK);
    }
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_EQ(source_->Push(std::vector<uint8_t>(100, 0), 0, 10 * kMs), S_OK);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    ASSERT_EQ(WaitForCompletion(graph_.Get(), 3000), EC_COMPLETE);
    control_->Stop();
    control_.Reset();
    graph_.Reset();  // disconnects and removes every filter
    for (IBaseFilter* f : {tee_.Get(), first_.Get(), second_.Get(), sourceFilter_.Get()}) {
        EXPECT_EQ(f->AddRef(), 2u);
        EXPECT_EQ(f->Release(), 1u);
    }
}

TEST_F(tee_filter, is_created_as_our_own_class_never_the_system_tee) {
    CLSID clsid;
    ASSERT_EQ(tee_->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, dshow::CLSID_MRTee);
    EXPECT_NE(clsid, CLSID_InfTee);
    EXPECT_EQ(dshow::CreateTeeFilter(nullptr), E_POINTER);
}

// The system's audio renderer asks the pin upstream of it for IMediaSeeking
// when it takes the end of a stream; the tee's delivery thread brings it
// while the graph stops the tee. Stopping must never wait on that thread with
// the tee's lock held. Hundreds of rounds, since it depends on timing.
TEST_F(tee_filter, stopping_while_an_output_delivers_the_end_of_the_stream_never_hangs) {
    ComPtr<IBaseFilter> audio = NewFilter(CLSID_DSoundRender);
    ASSERT_TRUE(audio);
    ASSERT_EQ(graph_->AddFilter(audio.Get(), L"audio"), S_OK);
    ASSERT_EQ(ConnectInput(), S_OK);
    ASSERT_EQ(ConnectOutput(0, audio.Get()), S_OK);
    ASSERT_EQ(ConnectOutput(1, first_.Get()), S_OK);
    constexpr int kRounds = 300;
    int round = 0;
    for (; round < kRounds; ++round) {
        control_->Pause();
        source_->PushEndOfStream();
        if (round % 3 == 1) Sleep(0);
        TimedCall stop([this] { control_->Stop(); });
        if (!stop.Finished(10000)) break;
    }
    if (round < kRounds) {
        // The graph is stuck in Stop: leave it, or tearing down would hang too.
        control_.Detach();
        graph_.Detach();
        FAIL() << "Stop hung in round " << round;
    }
}

}  // namespace
}  // namespace mr::test
