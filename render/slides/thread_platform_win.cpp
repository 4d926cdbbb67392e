// Win32 threads and auto-reset events.
#include <windows.h>

#include <new>

#include "render/slides/thread_platform.h"

namespace mr {
namespace {

class Win32Event final : public SyncEvent {
public:
    explicit Win32Event(HANDLE h) : handle_(h) {}
    ~Win32Event() override { CloseHandle(handle_); }
    void Set() override { SetEvent(handle_); }
    void Reset() override { ResetEvent(handle_); }
    void Wait() override { WaitForSingleObject(handle_, INFINITE); }

private:
    HANDLE handle_;
};

struct ThreadStart {
    ThreadEntry entry;
    void* context;
};

DWORD WINAPI RunThread(void* p) {
    const ThreadStart start = *static_cast<ThreadStart*>(p);
    delete static_cast<ThreadStart*>(p);
    start.entry(start.context);
    return 0;
}

class Win32Thread final : public WorkerThread {
public:
    ~Win32Thread() override {
        if (handle_) CloseHandle(handle_);
    }
    void Join() override { WaitForSingleObject(handle_, INFINITE); }

    HANDLE handle_ = nullptr;
};

class Win32Platform final : public ThreadPlatform {
public:
    SyncEvent* NewEvent() override {
        HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!h) return nullptr;
        auto* e = new (std::nothrow) Win32Event(h);
        if (!e) CloseHandle(h);
        return e;
    }
    WorkerThread* NewThread(ThreadEntry entry, void* context) override {
        auto* start = new (std::nothrow) ThreadStart{entry, context};
        auto* t = new (std::nothrow) Win32Thread;
        if (!start || !t) {
            delete start;
            delete t;
            return nullptr;
        }
        HANDLE h = CreateThread(nullptr, 0, RunThread, start, 0, nullptr);
        if (!h) {
            delete start;
            delete t;
            return nullptr;
        }
        t->handle_ = h;
        return t;
    }
};

}  // namespace

ThreadPlatform& SystemThreadPlatform() {
    static Win32Platform platform;
    return platform;
}

}  // namespace mr
