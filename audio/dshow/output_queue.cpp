#include "audio/dshow/output_queue.h"

#include <new>

#include "audio/dshow/base_pin.h"

namespace mr::dshow {

OutputQueue::OutputQueue(OutputPin* pin) : pin_(pin) {
    InitializeCriticalSection(&cs_);
    InitializeConditionVariable(&wake_);
    InitializeConditionVariable(&idle_);
}

OutputQueue::~OutputQueue() {
    Stop();
    DeleteCriticalSection(&cs_);
}

bool OutputQueue::Start() {
    EnterCriticalSection(&cs_);
    const bool ending = quit_;
    LeaveCriticalSection(&cs_);
    // A thread told to end may not have ended yet: it must not be mistaken
    // for a running one.
    if (ending) WaitUntilStopped();
    EnterCriticalSection(&cs_);
    const bool running = thread_ != nullptr;
    quit_ = false;
    failure_ = S_OK;
    flushing_ = false;
    LeaveCriticalSection(&cs_);
    if (running) return true;
    thread_ = CreateThread(nullptr, 0, &OutputQueue::ThreadProc, this, 0, nullptr);
    return thread_ != nullptr;
}

void OutputQueue::Stop() {
    RequestStop();
    WaitUntilStopped();
}

void OutputQueue::RequestStop() {
    EnterCriticalSection(&cs_);
    quit_ = true;
    DiscardQueued();
    WakeAllConditionVariable(&wake_);
    LeaveCriticalSection(&cs_);
}

void OutputQueue::WaitUntilStopped() {
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

bool OutputQueue::Push(const Item& item) {
    try {
        items_.push_back(item);
    } catch (const std::bad_alloc&) {
        return false;
    }
    WakeAllConditionVariable(&wake_);
    return true;
}

void OutputQueue::DiscardQueued() {
    for (Item& item : items_)
        if (item.sample) item.sample->Release();
    items_.clear();
}

HRESULT OutputQueue::Receive(IMediaSample* sample) {
    EnterCriticalSection(&cs_);
    HRESULT hr = failure_;
    if (SUCCEEDED(hr) && !flushing_ && !quit_) {
        sample->AddRef();
        if (!Push({Kind::Sample, sample, 0, 0, 0.0})) {
            sample->Release();
            hr = E_OUTOFMEMORY;
        }
    }
    LeaveCriticalSection(&cs_);
    return hr;
}

void OutputQueue::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    EnterCriticalSection(&cs_);
    if (!flushing_ && !quit_) Push({Kind::Segment, nullptr, start, stop, rate});
    LeaveCriticalSection(&cs_);
}

void OutputQueue::EndOfStream() {
    EnterCriticalSection(&cs_);
    if (!flushing_ && !quit_) Push({Kind::EndOfStream, nullptr, 0, 0, 0.0});
    LeaveCriticalSection(&cs_);
}

void OutputQueue::BeginFlush() {
    EnterCriticalSection(&cs_);
    flushing_ = true;
    DiscardQueued();
    LeaveCriticalSection(&cs_);
    // Outside the lock: this wakes the peer's Receive, which the delivery
    // thread may be blocked in.
    pin_->DeliverBeginFlush();
}

void OutputQueue::EndFlush() {
    EnterCriticalSection(&cs_);
    while (busy_ || !items_.empty()) SleepConditionVariableCS(&idle_, &cs_, INFINITE);
    LeaveCriticalSection(&cs_);
    pin_->DeliverEndFlush();
    EnterCriticalSection(&cs_);
    flushing_ = false;
    failure_ = S_OK;
    LeaveCriticalSection(&cs_);
}

DWORD WINAPI OutputQueue::ThreadProc(void* self) {
    static_cast<OutputQueue*>(self)->Run();
    return 0;
}

void OutputQueue::Run() {
    EnterCriticalSection(&cs_);
    for (;;) {
        while (items_.empty() && !quit_) SleepConditionVariableCS(&wake_, &cs_, INFINITE);
        if (quit_) break;
        const Item item = items_.front();
        items_.pop_front();
        busy_ = true;
        LeaveCriticalSection(&cs_);

        HRESULT hr = S_OK;
        switch (item.kind) {
            case Kind::Sample:
                hr = pin_->Deliver(item.sample);
                item.sample->Release();
                break;
            case Kind::Segment:
                pin_->DeliverNewSegment(item.start, item.stop, item.rate);
                break;
            case Kind::EndOfStream:
                pin_->DeliverEndOfStream();
                break;
        }

        EnterCriticalSection(&cs_);
        busy_ = false;
        // S_FALSE (the peer is flushing or wants no more) is not a failure.
        if (FAILED(hr) && SUCCEEDED(failure_) && !flushing_) failure_ = hr;
        WakeAllConditionVariable(&idle_);
    }
    busy_ = false;
    WakeAllConditionVariable(&idle_);
    LeaveCriticalSection(&cs_);
}

}  // namespace mr::dshow
