#include "render/slides/worker_control.h"

namespace mr {

WorkerControl::~WorkerControl() { Stop(); }

bool WorkerControl::Start(Worker& worker) {
    if (thread_) return false;
    wake_ = platform_.NewEvent();
    ack_ = platform_.NewEvent();
    if (!wake_ || !ack_) {
        Close();
        return false;
    }
    worker_ = &worker;
    paused_ = false;
    pauseRequest_.store(0, std::memory_order_relaxed);
    acknowledged_.store(0, std::memory_order_relaxed);
    exited_.store(false, std::memory_order_relaxed);
    state_.store(kWorkerRun, std::memory_order_release);
    thread_ = platform_.NewThread(&WorkerControl::Entry, this);
    if (!thread_) {
        state_.store(kWorkerQuit, std::memory_order_release);
        Close();
        return false;
    }
    return true;
}

void WorkerControl::Stop() {
    if (!thread_) return;
    state_.store(kWorkerQuit, std::memory_order_release);
    wake_->Set();
    thread_->Join();
    Close();
}

void WorkerControl::Pause() {
    if (!thread_ || paused_) return;
    const uint32_t request = pauseRequest_.load(std::memory_order_relaxed) + 1;
    pauseRequest_.store(request, std::memory_order_release);
    state_.store(kWorkerPause, std::memory_order_release);
    wake_->Set();
    // The acknowledge event may hold a signal left from an earlier pause;
    // only the worker's answer to this request's number ends the wait.
    while (acknowledged_.load(std::memory_order_acquire) != request && !exited_.load(std::memory_order_acquire)) {
        ack_->Wait();
    }
    paused_ = true;
}

void WorkerControl::Resume() {
    if (!thread_ || !paused_) return;
    paused_ = false;
    state_.store(kWorkerRun, std::memory_order_release);
    wake_->Set();
}

void WorkerControl::Signal() {
    if (thread_) wake_->Set();
}

WorkerWake WorkerControl::WaitForWork() {
    for (;;) {
        wake_->Wait();
        switch (State()) {
        case kWorkerRun:
            return WorkerWake::kWork;
        case kWorkerPause:
            return Park();
        default:
            return WorkerWake::kQuit;
        }
    }
}

WorkerWake WorkerControl::Park() {
    worker_->OnPark();
    // Requests signalled before the pause are void once the owner changes
    // the inputs; the resume signals again.
    wake_->Reset();
    Acknowledge();
    for (;;) {
        wake_->Wait();
        switch (State()) {
        case kWorkerRun:
            return WorkerWake::kResumed;
        case kWorkerPause:
            Acknowledge();  // answers a new request; a stray wake changes nothing
            break;
        default:
            return WorkerWake::kQuit;
        }
    }
}

void WorkerControl::Acknowledge() {
    const uint32_t request = pauseRequest_.load(std::memory_order_acquire);
    if (acknowledged_.load(std::memory_order_relaxed) == request) return;
    acknowledged_.store(request, std::memory_order_release);
    ack_->Set();
}

void WorkerControl::Entry(void* self) {
    auto* control = static_cast<WorkerControl*>(self);
    control->worker_->Run(*control);
    // A worker that ends on its own must not leave its owner waiting in Pause.
    control->exited_.store(true, std::memory_order_release);
    control->ack_->Set();
}

void WorkerControl::Close() {
    delete thread_;
    delete wake_;
    delete ack_;
    thread_ = nullptr;
    wake_ = nullptr;
    ack_ = nullptr;
    worker_ = nullptr;
    paused_ = false;
}

}  // namespace mr
