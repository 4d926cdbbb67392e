#pragma once
// Force-included into GoogleTest and the tests in the Windows builds. The
// MinGW win32 thread model has no std::mutex or std::condition_variable, and
// GoogleTest's Notification (used only to start its own helper threads) is
// the one piece that needs them; this replacement waits on an atomic flag.
#include <atomic>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : notified_(false) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true, std::memory_order_release); }
    void WaitForNotification() {
        while (!notified_.load(std::memory_order_acquire)) {
        }
    }

private:
    std::atomic<bool> notified_;
};

}  // namespace internal
}  // namespace testing
