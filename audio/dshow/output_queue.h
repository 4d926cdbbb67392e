#pragma once
// Delivers what an output pin sends (samples, new segments, end of stream)
// to the connected input pin on a thread of its own, in order, so that a
// peer that blocks in Receive (a renderer waiting for its clock) holds up
// neither the sender nor the other peers of the same stream. Flushing goes
// to the peer at once and discards what is still queued.

#include <windows.h>
#include <dshow.h>

#include <deque>

namespace mr::dshow {

class OutputPin;

class OutputQueue {
public:
    // `pin` is the output pin whose peer receives; it must outlive the queue.
    explicit OutputQueue(OutputPin* pin);
    // Stops the thread (Stop) and releases what is queued.
    ~OutputQueue();
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // Starts the delivery thread (after waiting for one still ending); false
    // when it cannot be created.
    bool Start();
    // Discards everything queued and ends the thread, waiting for it: the
    // peer must already be stopped so that its Receive returns. Until the
    // next Start the queue takes nothing (safe for senders still calling).
    // Stop = RequestStop + WaitUntilStopped; the two halves let the owner
    // wait without holding locks the thread's peer may call back into.
    void Stop();
    void RequestStop();
    void WaitUntilStopped();

    // Queues `sample` (with a reference). Answers the failure of an earlier
    // delivery if there was one (the sender then stops), else S_OK;
    // E_OUTOFMEMORY when it cannot queue.
    HRESULT Receive(IMediaSample* sample);
    void NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    void EndOfStream();
    // Drops what is queued and passes the flush on to the peer at once.
    void BeginFlush();
    // Waits until the thread is idle, then passes the end of the flush on and
    // forgets earlier delivery failures.
    void EndFlush();

private:
    enum class Kind { Sample, Segment, EndOfStream };
    struct Item {
        Kind kind;
        IMediaSample* sample;
        REFERENCE_TIME start;
        REFERENCE_TIME stop;
        double rate;
    };

    static DWORD WINAPI ThreadProc(void* self);
    void Run();
    bool Push(const Item& item);  // under cs_
    void DiscardQueued();         // under cs_

    OutputPin* pin_;
    CRITICAL_SECTION cs_;
    CONDITION_VARIABLE wake_;
    CONDITION_VARIABLE idle_;
    std::deque<Item> items_;
    HANDLE thread_ = nullptr;
    bool quit_ = false;
    bool busy_ = false;
    bool flushing_ = false;
    HRESULT failure_ = S_OK;
};

}  // namespace mr::dshow
