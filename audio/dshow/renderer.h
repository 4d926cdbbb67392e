#pragma once
// The renderer base of our small DirectShow layer: a filter with one input
// pin that holds each sample until the reference clock says it is due, then
// renders it. It keeps the renderer's state rules: pausing completes only
// when the first sample (or the end of the stream) has arrived, end of stream
// is reported to the graph (EC_COMPLETE) once running and once the last
// sample has been rendered, flushing and stopping release a waiting sample at
// once. It answers IMediaSeeking and IMediaPosition on the filter through a
// position pass-through, which is what makes the graph count it as a renderer.
//
// Locks: the filter lock (interface lock) before the renderer lock. The
// rendering hooks run on the upstream streaming thread with both held, except
// ReportOutsideLocks, which runs with neither so that it may call out of the
// filter (to a progress callback) without the application thread's Stop,
// Pause or seek waiting on it.

#include <windows.h>
#include <dshow.h>

#include <atomic>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/base_pin.h"
#include "audio/dshow/position_pass_through.h"

namespace mr::dshow {

class BaseRenderer;

class RendererInputPin final : public InputPin {
public:
    RendererInputPin(BaseRenderer* renderer, const wchar_t* name);

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;

private:
    friend class BaseRenderer;
    BaseRenderer* renderer_;
};

class BaseRenderer : public BaseFilter {
public:
    // `pinName` names the single input pin.
    BaseRenderer(const CLSID& clsid, const wchar_t* pinName);
    ~BaseRenderer() override;

    // IMediaFilter. Pause answers S_FALSE while it waits for the first
    // sample; GetState then answers VFW_S_STATE_INTERMEDIATE until the sample
    // or the end of the stream arrives or `timeoutMs` passes.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;

    int PinCount() override { return 1; }
    BasePin* GetPin(int index) override;

protected:
    // Media-type check of the input pin: S_OK accepts.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) = 0;
    // Renders a due sample. Streaming thread, both locks held.
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    // The first sample arrived while paused (before it is due). Streaming
    // thread, both locks held.
    virtual void OnReceiveFirstSample(IMediaSample* sample);
    // After OnReceiveFirstSample (`firstWhilePaused`) or DoRenderSample, on
    // the streaming thread with no lock of the filter held; Stop, Pause and
    // flushes do not wait for it. Skipped when a stop or flush came first;
    // one that comes while it runs is not waited for either, so it must not
    // rely on the filter's state. The sample is referenced for the call.
    virtual void ReportOutsideLocks(IMediaSample* sample, bool firstWhilePaused);
    // Media time per stream time of the samples now arriving, for the
    // position the filter answers through IMediaSeeking: the segment's rate
    // by default. Called under both locks.
    virtual double MediaRate() { return pin_.SegmentRate(); }
    // Arranges for the render event to be signalled when `sample` is due:
    // true when arranged (or signalled at once), false when the sample cannot
    // be scheduled and is to be dropped. By default the sample is due at its
    // start time. Called under both locks.
    virtual bool ScheduleSample(IMediaSample* sample);

    // The sample's stream times (100-ns): S_OK when it is to be rendered at
    // once (no times or no clock), S_FALSE when it is to be scheduled, a
    // failure when its times are wrong.
    HRESULT GetSampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* end);
    // Asks the reference clock to signal the render event when stream time
    // (the run start time as base) reaches `streamTime`; false when there is
    // no clock or it refuses. Under both locks.
    bool AdviseRenderTime(REFERENCE_TIME streamTime);
    // Signals the render event now.
    void SignalRenderEvent();

    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    RendererInputPin& Input() { return pin_; }
    // True while running with the clock started (the renderer streams).
    bool IsStreaming() const { return streaming_.load(); }
    ReentrantLock& RendererLock() { return rendererLock_; }

private:
    friend class RendererInputPin;

    HRESULT Receive(IMediaSample* sample);
    HRESULT PrepareReceive(IMediaSample* sample, bool* firstWhilePaused, LONG* generation);
    HRESULT WaitForRenderTime();
    HRESULT EndOfStreamReceived();
    void BeginFlushing();
    void EndFlushing();
    HRESULT StartStreaming();
    void StopStreaming();
    HRESULT CompleteStateChange(FILTER_STATE oldState);
    void SendEndOfStream();
    void ResetEndOfStream();
    void CancelNotification();
    void ClearPendingSample();
    void SourceThreadCanWait(bool canWait);
    void WaitForReceiveToComplete();
    void Ready() { SetEvent(completeEvent_); }
    void NotReady() { ResetEvent(completeEvent_); }

    RendererInputPin pin_;
    ReentrantLock rendererLock_;
    // Manual-reset events: the clock's signal that the sample is due; "the
    // streaming thread must not wait" (stop and flush); the state change is
    // complete (GetState).
    HANDLE renderEvent_;
    HANDLE threadSignal_;
    HANDLE completeEvent_;
    IReferenceClock* adviseClock_ = nullptr;
    DWORD_PTR adviseCookie_ = 0;
    IMediaSample* pendingSample_ = nullptr;
    bool eos_ = false;
    bool eosDelivered_ = false;
    std::atomic<bool> streaming_{false};
    // A sample taken out of pendingSample_ is being reported.
    bool rendering_ = false;
    std::atomic<bool> inReceive_{false};
    // Counts stops and flushes: a report prepared before one is dropped.
    std::atomic<LONG> generation_{0};
    std::atomic<PositionPassThrough*> position_{nullptr};
};

}  // namespace mr::dshow
