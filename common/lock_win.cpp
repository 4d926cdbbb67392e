#include <windows.h>

#include "common/lock.h"

namespace mr {

static_assert(sizeof(CRITICAL_SECTION) <= 64, "ReentrantLock storage too small");

ReentrantLock::ReentrantLock() {
    InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
ReentrantLock::~ReentrantLock() {
    DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
void ReentrantLock::Lock() {
    EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
bool ReentrantLock::TryLock() {
    return TryEnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)) != FALSE;
}
void ReentrantLock::Unlock() {
    LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}

}  // namespace mr
