#pragma once
// A re-entrant lock for the portable core (the editor's document lock): the
// thread that holds it may take it again and must release it as often.
// Critical section on Windows, recursive mutex elsewhere.

#include <cstdint>

namespace mr {

class ReentrantLock {
public:
    ReentrantLock();
    ~ReentrantLock();
    ReentrantLock(const ReentrantLock&) = delete;
    ReentrantLock& operator=(const ReentrantLock&) = delete;

    void Lock();
    bool TryLock();
    void Unlock();

private:
    // Room for a CRITICAL_SECTION (40 bytes on 64-bit Windows) or a
    // pthread_mutex_t (40 bytes on x86-64 Linux), kept opaque so that the
    // header needs no platform include.
    alignas(8) unsigned char storage_[64];
};

// Holds a ReentrantLock for one scope.
class LockGuard {
public:
    explicit LockGuard(ReentrantLock& lock) : lock_(lock) { lock_.Lock(); }
    ~LockGuard() { lock_.Unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    ReentrantLock& lock_;
};

}  // namespace mr
