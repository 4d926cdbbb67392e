#pragma once
// A thread for the tests of both builds (the Windows build's runtime has no
// std::thread), joined with a timeout so that a deadlock fails the test
// instead of hanging it.

#include <functional>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <future>
#include <thread>
#endif

namespace mr::test {

class TestThread {
public:
    explicit TestThread(std::function<void()> body) : body_(std::move(body)) {
#ifdef _WIN32
        handle_ = CreateThread(nullptr, 0, &TestThread::Run, this, 0, nullptr);
#else
        done_ = std::async(std::launch::async, [this] { body_(); });
#endif
    }
    // Waits at most `ms` milliseconds; true when the thread ended.
    bool Join(unsigned ms) {
#ifdef _WIN32
        return handle_ && WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0;
#else
        return done_.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
#endif
    }
    // A thread that did not end is abandoned (the test has failed already).
    ~TestThread() {
#ifdef _WIN32
        if (handle_) CloseHandle(handle_);
#endif
    }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

private:
#ifdef _WIN32
    static DWORD WINAPI Run(void* self) {
        static_cast<TestThread*>(self)->body_();
        return 0;
    }
    HANDLE handle_ = nullptr;
#else
    std::future<void> done_;
#endif
    std::function<void()> body_;
};

inline void SleepMs(unsigned ms) {
#ifdef _WIN32
    Sleep(ms);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

}  // namespace mr::test
