#pragma once
// WorkerControl: the pause/resume handshake between the thread that owns a
// slide-show worker (the host's drawing thread) and the worker itself.
//
// The state word says what the worker should do: 1 run, 2 pause, 0 quit. The
// owner changes it and then signals the worker's wake event (auto-reset); a
// pause also waits for the worker's acknowledge event, so when Pause returns
// the worker is parked and touches none of its shared inputs until Resume.
//
// The worker acts on the state at every wake, including the wakes it gets
// while parked: a quit ends it from a pause as from a run, and a pause it has
// already acknowledged is not acknowledged twice (each pause request carries
// a number, and the owner waits for that number, so a stray signal of the
// acknowledge event never ends a later pause early).

#include <atomic>
#include <cstdint>

#include "render/slides/thread_platform.h"

namespace mr {

class WorkerControl;

// The body of a worker thread.
class Worker {
public:
    // Runs on the worker thread until WaitForWork reports kQuit.
    virtual void Run(WorkerControl& control) = 0;
    // Called on the worker thread when it parks, before the pause is
    // acknowledged: the owner may change the worker's inputs once Pause
    // returns, so whatever must not survive the pause is dropped here.
    virtual void OnPark() {}

protected:
    ~Worker() = default;
};

enum WorkerState : int32_t { kWorkerQuit = 0, kWorkerRun = 1, kWorkerPause = 2 };

// What woke a worker: new work in the run state, the end of a pause (the
// owner may have changed the worker's inputs), or the order to quit.
enum class WorkerWake { kWork, kResumed, kQuit };

class WorkerControl {
public:
    explicit WorkerControl(ThreadPlatform& platform) : platform_(platform) {}
    // Stops the worker if it still runs.
    ~WorkerControl();
    WorkerControl(const WorkerControl&) = delete;
    WorkerControl& operator=(const WorkerControl&) = delete;

    // --- Owner's side: one thread, the one that started the worker.

    // Creates the two events and the thread, in the run state. On any
    // failure whatever was made is closed again and false is returned. False
    // too when a worker is already running.
    bool Start(Worker& worker);
    // State 0, signal, wait for the thread to end, close everything. Works
    // from a pause as well; nothing happens when no worker runs.
    void Stop();
    // State 2, signal, wait (without time-out) until the worker has parked.
    // Does nothing when no worker runs or it is paused already. Returns also
    // when the worker's thread has ended on its own.
    void Pause();
    // State 1, then signal. Does nothing unless paused.
    void Resume();
    // Wakes a running worker to look at new work (a picture request).
    void Signal();
    bool IsRunning() const { return thread_ != nullptr; }
    bool IsPaused() const { return paused_; }

    // --- Worker's side.

    // The state word now (kWorkerRun while the worker should go on).
    int32_t State() const { return state_.load(std::memory_order_acquire); }
    // Waits for the wake event and acts on the state: returns kWork in the
    // run state, kQuit in the quit state; in the pause state it parks
    // (OnPark, drop pending signals, acknowledge), stays parked through
    // further pause requests, and returns kResumed or kQuit. A kWork may
    // come from a signal meant for an earlier state (a resume, a request
    // made before a pause): the worker just looks at its work again.
    WorkerWake WaitForWork();

private:
    static void Entry(void* self);
    WorkerWake Park();
    void Acknowledge();
    void Close();

    ThreadPlatform& platform_;
    Worker* worker_ = nullptr;
    WorkerThread* thread_ = nullptr;
    SyncEvent* wake_ = nullptr;
    SyncEvent* ack_ = nullptr;
    bool paused_ = false;
    std::atomic<int32_t> state_{kWorkerQuit};
    std::atomic<uint32_t> pauseRequest_{0};  // number of the latest pause request
    std::atomic<uint32_t> acknowledged_{0};  // latest request the worker acknowledged
    std::atomic<bool> exited_{false};        // the worker's Run has returned
};

// Pauses a worker for one scope and resumes it on every way out, unless it
// was paused already when the scope began (then the outer pause stays).
class ScopedPause {
public:
    explicit ScopedPause(WorkerControl& control) : control_(control), paused_(!control.IsPaused()) {
        if (paused_) control_.Pause();
    }
    ~ScopedPause() {
        if (paused_) control_.Resume();
    }
    ScopedPause(const ScopedPause&) = delete;
    ScopedPause& operator=(const ScopedPause&) = delete;

private:
    WorkerControl& control_;
    bool paused_;
};

}  // namespace mr
