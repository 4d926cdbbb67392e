#include "audio/dshow/source_pin.h"

namespace mr::dshow {

SourcePin::SourcePin(BaseFilter* filter, const wchar_t* name) : OutputPin(filter, name) {
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

SourcePin::~SourcePin() {
    StopThread();
    if (stopEvent_) CloseHandle(stopEvent_);
}

HRESULT SourcePin::Active() {
    const HRESULT hr = OutputPin::Active();
    if (FAILED(hr)) return hr;
    LockGuard guard(control_);
    if (!StartThread()) {
        OutputPin::Inactive();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT SourcePin::Inactive() {
    LockGuard guard(control_);
    stop_.store(true);
    if (stopEvent_) SetEvent(stopEvent_);
    // Decommitting makes a GetBuffer that waits for a free buffer fail, so
    // the thread can see the request to end.
    const HRESULT hr = OutputPin::Inactive();
    StopThread();
    return hr;
}

HRESULT SourcePin::RestartStreaming() {
    LockGuard guard(control_);
    if (!thread_) return S_OK;
    stop_.store(true);
    SetEvent(stopEvent_);
    // The flush releases a thread blocked in a downstream Receive (a renderer
    // waiting for its clock) and the buffers held downstream.
    DeliverBeginFlush();
    StopThread();
    DeliverEndFlush();
    return StartThread() ? S_OK : E_OUTOFMEMORY;
}

HRESULT SourcePin::OnStreamStart() {
    return S_OK;
}

bool SourcePin::StartThread() {
    if (thread_) return true;
    if (!stopEvent_) return false;
    stop_.store(false);
    ResetEvent(stopEvent_);
    thread_ = CreateThread(nullptr, 0, &SourcePin::ThreadProc, this, 0, nullptr);
    return thread_ != nullptr;
}

void SourcePin::StopThread() {
    if (!thread_) return;
    stop_.store(true);
    SetEvent(stopEvent_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI SourcePin::ThreadProc(void* self) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<SourcePin*>(self)->Stream();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

void SourcePin::WaitForStop() {
    WaitForSingleObject(stopEvent_, INFINITE);
}

void SourcePin::Stream() {
    HRESULT hr = OnStreamStart();
    while (SUCCEEDED(hr) && !stop_.load()) {
        IMediaSample* sample = nullptr;
        hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr) || !sample) {
            // A decommitted allocator while stopping is the normal way out;
            // one decommitted by a peer that stopped before this filter is
            // the same stop, seen first: wait for it quietly.
            if (stop_.load()) return;
            if (hr == VFW_E_NOT_COMMITTED || Filter()->State() == State_Stopped) {
                WaitForStop();
                return;
            }
            if (SUCCEEDED(hr)) hr = E_UNEXPECTED;
            break;
        }
        hr = FillSample(sample);
        if (hr == S_OK) {
            const HRESULT delivered = Deliver(sample);
            sample->Release();
            // Downstream refused (flushing, stopping, or failed and reported
            // it itself): stop delivering until told what comes next.
            if (delivered != S_OK) {
                WaitForStop();
                return;
            }
            continue;
        }
        sample->Release();
        if (hr == S_FALSE) {
            DeliverEndOfStream();
            WaitForStop();
            return;
        }
    }
    if (stop_.load()) return;
    DeliverEndOfStream();
    Filter()->NotifyEvent(EC_ERRORABORT, hr, 0);
    WaitForStop();
}

}  // namespace mr::dshow
