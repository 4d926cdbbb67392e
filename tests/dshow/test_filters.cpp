#include "tests/dshow/test_filters.h"

#include <mmreg.h>

#include <cstring>
#include <new>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/base_pin.h"
#include "audio/dshow/media_type.h"
#include "audio/dshow/renderer.h"

namespace mr::test {
namespace {

// {0E6F4B5A-7D43-4C1B-9E0C-3B1E5A7D2C11}, {0E6F4B5A-7D43-4C1B-9E0C-3B1E5A7D2C12}
constexpr CLSID kPushSourceClsid = {0x0e6f4b5a, 0x7d43, 0x4c1b, {0x9e, 0x0c, 0x3b, 0x1e, 0x5a, 0x7d, 0x2c, 0x11}};
constexpr CLSID kRecorderClsid = {0x0e6f4b5a, 0x7d43, 0x4c1b, {0x9e, 0x0c, 0x3b, 0x1e, 0x5a, 0x7d, 0x2c, 0x12}};
constexpr CLSID kPacedClsid = {0x0e6f4b5a, 0x7d43, 0x4c1b, {0x9e, 0x0c, 0x3b, 0x1e, 0x5a, 0x7d, 0x2c, 0x13}};

constexpr long kBufferBytes = 1 << 16;

class PushSourceFilter;

class PushOutputPin final : public dshow::OutputPin {
public:
    PushOutputPin(dshow::BaseFilter* filter, const AM_MEDIA_TYPE& type) : OutputPin(filter, L"Output") {
        type_.Set(type);
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return dshow::SameMediaType(mt, type_.Get()) ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override {
        if (index != 0) return VFW_S_NO_MORE_ITEMS;
        return dshow::CopyMediaType(mt, type_.Get());
    }

protected:
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
        request->cBuffers = 4;
        request->cbBuffer = kBufferBytes;
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(request, &actual);
    }

private:
    dshow::MediaType type_;
};

class PushSourceFilter final : public dshow::BaseFilter, public PushSource {
public:
    explicit PushSourceFilter(const AM_MEDIA_TYPE& type) : BaseFilter(kPushSourceClsid), pin_(this, type) {}

    int PinCount() override { return 1; }
    dshow::BasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

    HRESULT Push(const std::vector<uint8_t>& bytes, REFERENCE_TIME start, REFERENCE_TIME stop) override {
        return Deliver(bytes, start, stop, nullptr);
    }
    HRESULT PushWithType(const std::vector<uint8_t>& bytes, const AM_MEDIA_TYPE& type) override {
        return Deliver(bytes, -1, -1, &type);
    }
    HRESULT PushNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
        return pin_.DeliverNewSegment(start, stop, rate);
    }
    HRESULT PushEndOfStream() override { return pin_.DeliverEndOfStream(); }

private:
    HRESULT Deliver(const std::vector<uint8_t>& bytes, REFERENCE_TIME start, REFERENCE_TIME stop,
                    const AM_MEDIA_TYPE* type) {
        if (bytes.size() > static_cast<size_t>(kBufferBytes)) return E_INVALIDARG;
        IMediaSample* sample = nullptr;
        HRESULT hr = pin_.GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
        sample->SetActualDataLength(static_cast<long>(bytes.size()));
        if (start >= 0)
            sample->SetTime(&start, &stop);
        else
            sample->SetTime(nullptr, nullptr);
        if (type) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
        hr = pin_.Deliver(sample);
        sample->Release();
        return hr;
    }

    PushOutputPin pin_;
};

class DevicePacedRendererFilter final : public dshow::BaseRenderer {
public:
    DevicePacedRendererFilter() : BaseRenderer(kPacedClsid, L"In") {}

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        const bool wave = mt.majortype == MEDIATYPE_Audio && mt.formattype == FORMAT_WaveFormatEx && mt.pbFormat &&
                          mt.cbFormat >= sizeof(WAVEFORMATEX) &&
                          reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat)->nAvgBytesPerSec > 0;
        return wave ? S_OK : S_FALSE;
    }
    // Due when the device has played everything before it.
    bool ScheduleSample(IMediaSample* sample) override {
        REFERENCE_TIME start, end;
        const HRESULT hr = GetSampleTimes(sample, &start, &end);
        if (FAILED(hr)) return false;
        if (hr == S_OK) {
            SignalRenderEvent();
            return true;
        }
        if (!started_ || sample->IsDiscontinuity() == S_OK) playedUntil_ = start;
        started_ = true;
        const REFERENCE_TIME due = playedUntil_;
        const double byteRate = reinterpret_cast<const WAVEFORMATEX*>(Input().ConnectionType().pbFormat)->nAvgBytesPerSec;
        const double rate = Input().SegmentRate() > 0 ? Input().SegmentRate() : 1.0;
        playedUntil_ += static_cast<REFERENCE_TIME>(sample->GetActualDataLength() * 1e7 / (byteRate * rate));
        return AdviseRenderTime(due);
    }
    HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }

private:
    bool started_ = false;
    REFERENCE_TIME playedUntil_ = 0;
};

class RecordingRendererFilter final : public dshow::BaseRenderer, public RecordingRenderer {
public:
    RecordingRendererFilter() : BaseRenderer(kRecorderClsid, L"In") {}

    std::vector<Rendered> RenderedSamples() override {
        LockGuard guard(RendererLock());
        return rendered_;
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.majortype == MEDIATYPE_Audio ? S_OK : S_FALSE;
    }
    HRESULT DoRenderSample(IMediaSample* sample) override {
        REFERENCE_TIME start = -1, stop = -1;
        sample->GetTime(&start, &stop);
        REFERENCE_TIME now = 0;
        if (IReferenceClock* clock = Clock()) clock->GetTime(&now);
        rendered_.push_back({start, sample->GetActualDataLength(), Input().SegmentStart(), now});
        return S_OK;
    }

private:
    std::vector<Rendered> rendered_;
};

}  // namespace

AM_MEDIA_TYPE* NewPcmType(uint16_t channels, uint32_t rate, uint16_t bits, bool extensible, const GUID& subFormat) {
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    std::memset(mt, 0, sizeof *mt);
    mt->majortype = MEDIATYPE_Audio;
    mt->subtype = MEDIASUBTYPE_PCM;
    mt->formattype = FORMAT_WaveFormatEx;
    mt->bFixedSizeSamples = TRUE;
    mt->cbFormat = extensible ? sizeof(WAVEFORMATEXTENSIBLE) : sizeof(WAVEFORMATEX);
    mt->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mt->cbFormat));
    std::memset(mt->pbFormat, 0, mt->cbFormat);
    auto* wf = reinterpret_cast<WAVEFORMATEX*>(mt->pbFormat);
    wf->wFormatTag = extensible ? WAVE_FORMAT_EXTENSIBLE : WAVE_FORMAT_PCM;
    wf->nChannels = channels;
    wf->nSamplesPerSec = rate;
    wf->nBlockAlign = static_cast<WORD>(channels * bits / 8);
    wf->nAvgBytesPerSec = rate * wf->nBlockAlign;
    wf->wBitsPerSample = bits;
    mt->lSampleSize = wf->nBlockAlign;
    if (extensible) {
        auto* ext = reinterpret_cast<WAVEFORMATEXTENSIBLE*>(mt->pbFormat);
        wf->cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        ext->Samples.wValidBitsPerSample = bits;
        ext->dwChannelMask = channels == 2 ? (SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT) : SPEAKER_FRONT_CENTER;
        ext->SubFormat = subFormat;
    }
    return mt;
}

dshow::ComPtr<IBaseFilter> PushSource::Create(const AM_MEDIA_TYPE& type, PushSource** self) {
    auto* filter = new (std::nothrow) PushSourceFilter(type);
    *self = filter;
    dshow::ComPtr<IBaseFilter> result;
    result.Attach(filter);
    return result;
}

dshow::ComPtr<IBaseFilter> RecordingRenderer::Create(RecordingRenderer** self) {
    auto* filter = new (std::nothrow) RecordingRendererFilter();
    *self = filter;
    dshow::ComPtr<IBaseFilter> result;
    result.Attach(filter);
    return result;
}

dshow::ComPtr<IBaseFilter> CreateDevicePacedRenderer() {
    dshow::ComPtr<IBaseFilter> result;
    result.Attach(new (std::nothrow) DevicePacedRendererFilter());
    return result;
}

}  // namespace mr::test
