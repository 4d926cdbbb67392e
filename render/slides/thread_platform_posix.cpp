// std::thread and a condition variable for the native build.
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "render/slides/thread_platform.h"

namespace mr {
namespace {

class PosixEvent final : public SyncEvent {
public:
    void Set() override {
        std::lock_guard<std::mutex> hold(mutex_);
        signalled_ = true;
        cv_.notify_one();
    }
    void Reset() override {
        std::lock_guard<std::mutex> hold(mutex_);
        signalled_ = false;
    }
    void Wait() override {
        std::unique_lock<std::mutex> hold(mutex_);
        cv_.wait(hold, [this] { return signalled_; });
        signalled_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

class PosixThread final : public WorkerThread {
public:
    bool Begin(ThreadEntry entry, void* context) {
        try {
            thread_ = std::thread(entry, context);
        } catch (const std::system_error&) {
            return false;  // no thread: the caller sees null
        }
        return true;
    }
    void Join() override {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

class PosixPlatform final : public ThreadPlatform {
public:
    SyncEvent* NewEvent() override { return new (std::nothrow) PosixEvent; }
    WorkerThread* NewThread(ThreadEntry entry, void* context) override {
        auto* t = new (std::nothrow) PosixThread;
        if (t && !t->Begin(entry, context)) {
            delete t;
            t = nullptr;
        }
        return t;
    }
};

}  // namespace

ThreadPlatform& SystemThreadPlatform() {
    static PosixPlatform platform;
    return platform;
}

}  // namespace mr
