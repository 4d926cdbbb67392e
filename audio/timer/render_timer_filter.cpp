#include "audio/timer/render_timer_filter.h"

#include <atomic>
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
        callback_.store(callback);
        return S_OK;
    }

    // ISlowDownControl: the editor changes it only while the graph is stopped.
    HRESULT STDMETHODCALLTYPE SetSlowDown(BOOL slowDown) override {
        LockGuard guard(lock_);
        slowDown_.store(slowDown != FALSE);
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

    HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }

    // The position answered through IMediaSeeking is media time of the
    // decoded file too: a slowed stream runs twice as long as the media.
    double MediaRate() override {
        const double rate = BaseRenderer::MediaRate();
        return slowDown_.load() ? rate / 2 : rate;
    }

    // The report of a due sample (its end) and of the first sample while
    // paused (its start: a seek made while paused moves the editor's cursor
    // at once). The base calls this with no lock held, so the editor's
    // callback may take its own locks while its application thread is in
    // Stop, Pause or a seek of this graph. It must still not wait for that
    // thread: Stop waits for the streaming thread that is making this call.
    void ReportOutsideLocks(IMediaSample* sample, bool firstWhilePaused) override {
        IWaveProgressCallback* callback = callback_.load();
        if (!callback) return;
        REFERENCE_TIME start = 0, end = 0;
        if (FAILED(sample->GetTime(&start, &end))) start = end = 0;
        callback->OnProgress(
            ReportedPosition(Input().SegmentStart(), firstWhilePaused ? start : end, slowDown_.load()));
    }

private:
    // Not referenced: the editor's frame outlives every graph. Written under
    // the filter lock, read by the streaming thread.
    std::atomic<IWaveProgressCallback*> callback_{nullptr};
    std::atomic<bool> slowDown_{false};
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
