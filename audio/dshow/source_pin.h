#pragma once
// The output pin of a push source: a streaming thread of its own that takes
// a buffer from the agreed allocator, has the source fill it and delivers it
// downstream, until the source reports the end of its stream. The thread
// starts when the filter leaves the stopped state (so that the renderers get
// their first sample while paused) and ends when it stops; a seek restarts it
// with a flush in between.
//
// Locks: Active and Inactive run under the filter lock (the base filter calls
// them), RestartStreaming must not be called with it held when the thread may
// need it. The thread itself takes no lock of this class; the source's hooks
// guard their own state.

#include <windows.h>
#include <dshow.h>

#include <atomic>

#include "audio/dshow/base_pin.h"
#include "common/lock.h"

namespace mr::dshow {

class SourcePin : public OutputPin {
public:
    SourcePin(BaseFilter* filter, const wchar_t* name);
    // Ends the thread if it still runs.
    ~SourcePin() override;

    // Commits the allocator and starts the streaming thread.
    HRESULT Active() override;
    // Asks the thread to end, decommits the allocator (which releases a
    // thread waiting for a buffer) and waits for the thread.
    HRESULT Inactive() override;

    // When the thread runs: flushes downstream (begin flush), ends the
    // thread, ends the flush and starts a new thread, which begins the stream
    // again (OnStreamStart). Nothing when stopped. Application thread.
    HRESULT RestartStreaming();

protected:
    // Hooks, on the streaming thread. OnStreamStart runs first each time the
    // thread starts (a source delivers its new segment there); a failure
    // aborts the stream. FillSample fills one sample: S_OK delivers it,
    // S_FALSE ends the stream (end of stream goes downstream), a failure
    // ends it with an error (end of stream and EC_ERRORABORT with the code).
    virtual HRESULT OnStreamStart();
    virtual HRESULT FillSample(IMediaSample* sample) = 0;

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Stream();
    bool StartThread();
    void StopThread();
    // After the end of the stream or a failure: wait until asked to end.
    void WaitForStop();

    ReentrantLock control_;  // thread start and stop
    HANDLE thread_ = nullptr;
    HANDLE stopEvent_ = nullptr;  // manual reset: the thread is to end
    std::atomic<bool> stop_{false};
};

}  // namespace mr::dshow
