#include "audio/dshow/renderer.h"

#include <new>

namespace mr::dshow {

// ---- RendererInputPin

RendererInputPin::RendererInputPin(BaseRenderer* renderer, const wchar_t* name)
    : InputPin(renderer, name), renderer_(renderer) {}

HRESULT RendererInputPin::Receive(IMediaSample* sample) {
    return renderer_->Receive(sample);
}

HRESULT RendererInputPin::EndOfStream() {
    return renderer_->EndOfStreamReceived();
}

HRESULT RendererInputPin::BeginFlush() {
    renderer_->BeginFlushing();
    return S_OK;
}

HRESULT RendererInputPin::EndFlush() {
    renderer_->EndFlushing();
    return S_OK;
}

HRESULT RendererInputPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    return renderer_->CheckMediaType(mt);
}

// ---- BaseRenderer

BaseRenderer::BaseRenderer(const CLSID& clsid, const wchar_t* pinName)
    : BaseFilter(clsid),
      pin_(this, pinName),
      renderEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      threadSignal_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      completeEvent_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

BaseRenderer::~BaseRenderer() {
    {
        LockGuard b(rendererLock_);
        CancelNotification();
        ClearPendingSample();
    }
    delete position_.exchange(nullptr);
    if (renderEvent_) CloseHandle(renderEvent_);
    if (threadSignal_) CloseHandle(threadSignal_);
    if (completeEvent_) CloseHandle(completeEvent_);
}

BasePin* BaseRenderer::GetPin(int index) {
    return index == 0 ? &pin_ : nullptr;
}

HRESULT BaseRenderer::QueryFilterInterface(REFIID riid, void** ppv) {
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        LockGuard a(lock_);
        PositionPassThrough* position = position_.load();
        if (!position) {
            position = new (std::nothrow) PositionPassThrough(static_cast<IBaseFilter*>(this), &pin_);
            if (!position) {
                *ppv = nullptr;
                return E_OUTOFMEMORY;
            }
            position_.store(position);
        }
        if (riid == IID_IMediaSeeking)
            *ppv = static_cast<IMediaSeeking*>(position);
        else
            *ppv = static_cast<IMediaPosition*>(position);
        AddRef();
        return S_OK;
    }
    return BaseFilter::QueryFilterInterface(riid, ppv);
}

void BaseRenderer::OnReceiveFirstSample(IMediaSample*) {}

void BaseRenderer::ReportOutsideLocks(IMediaSample*, bool) {}

HRESULT BaseRenderer::GetSampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* end) {
    *start = *end = 0;
    if (FAILED(sample->GetTime(start, end))) return S_OK;
    if (*end < *start) return VFW_E_START_TIME_AFTER_END;
    if (!Clock()) return S_OK;
    return S_FALSE;
}

bool BaseRenderer::AdviseRenderTime(REFERENCE_TIME streamTime) {
    IReferenceClock* clock = Clock();
    if (!clock) return false;
    DWORD_PTR cookie = 0;
    const HRESULT hr = clock->AdviseTime(StartTime(), streamTime, reinterpret_cast<HEVENT>(renderEvent_), &cookie);
    if (FAILED(hr)) return false;
    clock->AddRef();
    if (adviseClock_) adviseClock_->Release();
    adviseClock_ = clock;
    adviseCookie_ = cookie;
    return true;
}

void BaseRenderer::SignalRenderEvent() {
    SetEvent(renderEvent_);
}

bool BaseRenderer::ScheduleSample(IMediaSample* sample) {
    REFERENCE_TIME start, end;
    const HRESULT hr = GetSampleTimes(sample, &start, &end);
    if (FAILED(hr)) return false;
    if (hr == S_OK) {
        SignalRenderEvent();
        return true;
    }
    return AdviseRenderTime(start);
}

void BaseRenderer::CancelNotification() {
    if (adviseCookie_ && adviseClock_) adviseClock_->Unadvise(adviseCookie_);
    adviseCookie_ = 0;
    if (adviseClock_) {
        adviseClock_->Release();
        adviseClock_ = nullptr;
    }
    ResetEvent(renderEvent_);
}

void BaseRenderer::ClearPendingSample() {
    if (pendingSample_) {
        pendingSample_->Release();
        pendingSample_ = nullptr;
    }
}

void BaseRenderer::SourceThreadCanWait(bool canWait) {
    if (canWait)
        ResetEvent(threadSignal_);
    else
        SetEvent(threadSignal_);
}

void BaseRenderer::WaitForReceiveToComplete() {
    // The streaming thread leaves its wait as soon as threadSignal_ is set, so
    // this ends within a scheduling slice.
    while (inReceive_.load()) Sleep(1);
}

HRESULT BaseRenderer::PrepareReceive(IMediaSample* sample, bool* firstWhilePaused, LONG* generation) {
    LockGuard a(lock_);
    inReceive_.store(true);
    HRESULT hr = pin_.CheckReceive(sample);
    if (hr != S_OK) {
        inReceive_.store(false);
        return hr;
    }
    LockGuard b(rendererLock_);
    if (pendingSample_ || eos_) {
        Ready();
        inReceive_.store(false);
        return E_UNEXPECTED;
    }
    if (PositionPassThrough* position = position_.load()) position->RegisterMediaTime(sample, MediaRate());
    if (streaming_ && !ScheduleSample(sample)) {
        inReceive_.store(false);
        return VFW_E_SAMPLE_REJECTED;
    }
    pendingSample_ = sample;
    pendingSample_->AddRef();
    *generation = generation_.load();
    *firstWhilePaused = State() == State_Paused;
    if (*firstWhilePaused) OnReceiveFirstSample(sample);
    return S_OK;
}

HRESULT BaseRenderer::WaitForRenderTime() {
    const HANDLE handles[2] = {threadSignal_, renderEvent_};
    // The stop/flush signal comes first, so it wins when both are set.
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    return result == WAIT_OBJECT_0 + 1 ? S_OK : VFW_E_STATE_CHANGED;
}

HRESULT BaseRenderer::Receive(IMediaSample* sample) {
    bool firstWhilePaused = false;
    LONG generation = 0;
    HRESULT hr = PrepareReceive(sample, &firstWhilePaused, &generation);
    if (hr != S_OK) {
        // A sample that cannot be scheduled is dropped quietly.
        return hr == VFW_E_SAMPLE_REJECTED ? S_OK : hr;
    }
    if (firstWhilePaused) {
        // Reported with no lock held and without counting as "in Receive",
        // so that neither Stop nor a flush waits for the callback.
        inReceive_.store(false);
        if (generation_.load() == generation) ReportOutsideLocks(sample, true);
        LockGuard a(lock_);
        // A stop or flush meanwhile has taken the sample back: nothing is
        // left to wait for, and the pause is not complete.
        if (State() == State_Stopped || generation_.load() != generation) return S_OK;
        // The pause completes once the first sample is reported, so that
        // whoever waits for it (GetState) sees the report made.
        {
            LockGuard b(rendererLock_);
            if (State() == State_Paused && pendingSample_ == sample) Ready();
        }
        inReceive_.store(true);
    }
    hr = WaitForRenderTime();
    inReceive_.store(false);
    if (FAILED(hr)) return S_OK;

    IMediaSample* rendered = nullptr;
    {
        LockGuard a(lock_);
        if (State() == State_Stopped) return S_OK;
        LockGuard b(rendererLock_);
        // A flush between the wake-up and here has already dropped the sample.
        if (pendingSample_) {
            DoRenderSample(pendingSample_);
            rendered = pendingSample_;
            pendingSample_ = nullptr;
            // The end of the stream waits for this sample's report.
            rendering_ = true;
            generation = generation_.load();
        }
        CancelNotification();
        if (!rendered) {
            SendEndOfStream();
            return S_OK;
        }
    }
    if (generation_.load() == generation) ReportOutsideLocks(rendered, false);
    rendered->Release();
    LockGuard a(lock_);
    LockGuard b(rendererLock_);
    rendering_ = false;
    SendEndOfStream();
    return S_OK;
}

HRESULT BaseRenderer::EndOfStreamReceived() {
    LockGuard a(lock_);
    LockGuard b(rendererLock_);
    const HRESULT hr = pin_.CheckStreaming();
    if (hr != S_OK) return hr;
    eos_ = true;
    // With a sample waiting or being reported, completion follows it.
    if (pendingSample_ || rendering_) return S_OK;
    Ready();
    // While paused (after a seek, say) completion waits for Run.
    SendEndOfStream();
    return S_OK;
}

void BaseRenderer::SendEndOfStream() {
    if (!eos_ || eosDelivered_ || !streaming_) return;
    if (PositionPassThrough* position = position_.load()) position->EndOfStream();
    eosDelivered_ = true;
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

void BaseRenderer::ResetEndOfStream() {
    eos_ = false;
    eosDelivered_ = false;
}

void BaseRenderer::BeginFlushing() {
    LockGuard a(lock_);
    LockGuard b(rendererLock_);
    pin_.InputPin::BeginFlush();
    ++generation_;
    if (State() == State_Paused) NotReady();
    SourceThreadCanWait(false);
    CancelNotification();
    ClearPendingSample();
    WaitForReceiveToComplete();
    ResetEndOfStream();
}

void BaseRenderer::EndFlushing() {
    LockGuard a(lock_);
    LockGuard b(rendererLock_);
    if (PositionPassThrough* position = position_.load()) position->ResetMediaTime();
    SourceThreadCanWait(true);
    pin_.InputPin::EndFlush();
}

HRESULT BaseRenderer::StartStreaming() {
    LockGuard b(rendererLock_);
    if (streaming_) return S_OK;
    streaming_ = true;
    if (!pendingSample_) {
        SendEndOfStream();
        return S_OK;
    }
    if (!ScheduleSample(pendingSample_)) SignalRenderEvent();
    return S_OK;
}

void BaseRenderer::StopStreaming() {
    LockGuard b(rendererLock_);
    eosDelivered_ = false;
    streaming_ = false;
}

HRESULT BaseRenderer::CompleteStateChange(FILTER_STATE oldState) {
    LockGuard b(rendererLock_);
    if (!pin_.IsConnected() || eos_ || (pendingSample_ && oldState != State_Stopped)) {
        Ready();
        return S_OK;
    }
    NotReady();
    return S_FALSE;
}

HRESULT BaseRenderer::Stop() {
    LockGuard a(lock_);
    if (State() == State_Stopped) return S_OK;
    if (!pin_.IsConnected()) {
        SetState(State_Stopped);
        Ready();
        return S_OK;
    }
    BaseFilter::Stop();
    StopStreaming();
    {
        LockGuard b(rendererLock_);
        ++generation_;
        SourceThreadCanWait(false);
        ResetEndOfStream();
        CancelNotification();
        // A waiting sample is of no use once stopped, and holding it would
        // keep the upstream allocator's buffers out of its pool.
        ClearPendingSample();
    }
    Ready();
    WaitForReceiveToComplete();
    return S_OK;
}

HRESULT BaseRenderer::Pause() {
    LockGuard a(lock_);
    const FILTER_STATE oldState = State();
    if (oldState == State_Paused) return CompleteStateChange(State_Paused);
    if (!pin_.IsConnected()) {
        SetState(State_Paused);
        Ready();
        return S_OK;
    }
    const HRESULT hr = BaseFilter::Pause();
    if (FAILED(hr)) return hr;
    StopStreaming();
    {
        LockGuard b(rendererLock_);
        SourceThreadCanWait(true);
        CancelNotification();
        // Leaving the stopped state starts from fresh data.
        if (oldState == State_Stopped) ClearPendingSample();
    }
    return CompleteStateChange(oldState);
}

HRESULT BaseRenderer::Run(REFERENCE_TIME start) {
    LockGuard a(lock_);
    if (State() == State_Running) return S_OK;
    if (!pin_.IsConnected()) {
        // Nothing will ever arrive: complete at once, as the graph waits for
        // every renderer.
        SetState(State_Running);
        NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
        return S_OK;
    }
    // BaseFilter::Run pauses first when stopped.
    const HRESULT hr = BaseFilter::Run(start);
    if (FAILED(hr)) return hr;
    {
        LockGuard b(rendererLock_);
        SourceThreadCanWait(true);
    }
    Ready();
    return StartStreaming();
}

HRESULT BaseRenderer::GetState(DWORD timeoutMs, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    const DWORD wait = WaitForSingleObject(completeEvent_, timeoutMs);
    *state = State();
    return wait == WAIT_TIMEOUT ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

}  // namespace mr::dshow
