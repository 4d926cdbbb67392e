#include "audio/timer/render_timer_filter.h"

#include <new>

#include "audio/dshow/renderer.h"
#include "audio/timer/timer_position.h"
#include "common/com/filter_ids.h"
#include "common/com/wave_interfaces.h"

namespace mr::audio {
namespace {

class RenderTimerFilter final : public dshow::BaseRenderer, public IWaveCallbackTarget, public ISlowDownControl {
public:
    RenderTimerFilter() : BaseRenderer(CLSID_MRWavRenderTimer, L"Input") {}

    MR_DSHOW_FORWARD_IUNKNOWN(BaseRenderer)

    // IWaveCallbackTarget
    HRESULT STDMETHODCALLTYPE SetCallback(IWaveProgressCallback* callback) override {
        LockGuard guard(lock_);
        callback_ = callback;
        return S_OK;
    }

    // ISlowDownControl: the editor changes it only while the graph is stopped.
    HRESULT STDMETHODCALLTYPE SetSlowDown(BOOL slowDown) override {
        LockGuard guard(lock_);
        slowDown_ = slowDown;
        return S_OK;
    }

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IWaveCallbackTarget) {
            *ppv = static_cast<IWaveCallbackTarget*>(this);
        } else if (riid == IID_ISlowDownControl) {
            *ppv = static_cast<ISlowDownControl*>(this);
        } else {
            return BaseRenderer::QueryFilterInterface(riid, ppv);
        }
        AddRef();
        return S_OK;
    }

    // PCM audio in any layout.
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM || mt.formattype != FORMAT_WaveFormatEx)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }

    // A sample is due when the stream reaches its end time: that is when the
    // audio renderer beside us has played it.
    bool ScheduleSample(IMediaSample* sample) override {
        REFERENCE_TIME start, end;
        const HRESULT hr = GetSampleTimes(sample, &start, &end);
        if (FAILED(hr)) return false;
        if (hr == S_OK) {
            SignalRenderEvent();
            return true;
        }
        return AdviseRenderTime(end);
    }

    HRESULT DoRenderSample(IMediaSample* sample) override {
        Report(sample, false);
        return S_OK;
    }

    // A seek made while paused moves the editor's cursor at once.
    void OnReceiveFirstSample(IMediaSample* sample) override {
        if (!IsStreaming()) Report(sample, true);
    }

private:
    // Under both locks, on the streaming thread; one callback, no waiting.
    void Report(IMediaSample* sample, bool useStart) {
        if (!callback_) return;
        REFERENCE_TIME start = 0, end = 0;
        if (FAILED(sample->GetTime(&start, &end))) start = end = 0;
        callback_->OnProgress(ReportedPosition(Input().SegmentStart(), useStart ? start : end, slowDown_ != FALSE));
    }

    // Not referenced: the editor's frame outlives every graph.
    IWaveProgressCallback* callback_ = nullptr;
    BOOL slowDown_ = FALSE;
};

}  // namespace

HRESULT CreateRenderTimer(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* timer = new (std::nothrow) RenderTimerFilter();
    if (!timer) return E_OUTOFMEMORY;
    const HRESULT hr = timer->QueryInterface(riid, ppv);
    timer->Release();
    return hr;
}

}  // namespace mr::audio
