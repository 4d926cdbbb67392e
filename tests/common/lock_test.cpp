#include "common/lock.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

namespace mr {
namespace {

// Runs f on another thread and waits for it.
template <typename F>
void OnOtherThread(F f) {
#ifdef _WIN32
    struct Start {
        static DWORD WINAPI Run(void* p) {
            (*static_cast<F*>(p))();
            return 0;
        }
    };
    HANDLE t = CreateThread(nullptr, 0, Start::Run, &f, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
#else
    std::thread(f).join();
#endif
}

TEST(reentrant_lock, the_holder_may_take_it_again_and_others_may_not) {
    ReentrantLock lock;
    lock.Lock();
    ASSERT_TRUE(lock.TryLock());
    bool otherGot = true;
    OnOtherThread([&] { otherGot = lock.TryLock(); });
    EXPECT_FALSE(otherGot);
    lock.Unlock();
    OnOtherThread([&] { otherGot = lock.TryLock(); });
    EXPECT_FALSE(otherGot);  // still held once
    lock.Unlock();
    OnOtherThread([&] {
        otherGot = lock.TryLock();
        if (otherGot) lock.Unlock();
    });
    EXPECT_TRUE(otherGot);
}

TEST(reentrant_lock, guard_releases_at_scope_end) {
    ReentrantLock lock;
    {
        LockGuard a(lock);
        LockGuard b(lock);
    }
    bool otherGot = false;
    OnOtherThread([&] {
        otherGot = lock.TryLock();
        if (otherGot) lock.Unlock();
    });
    EXPECT_TRUE(otherGot);
}

}  // namespace
}  // namespace mr
