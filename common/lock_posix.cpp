#include <pthread.h>

#include "common/lock.h"

namespace mr {

static_assert(sizeof(pthread_mutex_t) <= 64, "ReentrantLock storage too small");

namespace {
pthread_mutex_t* M(unsigned char* storage) {
    return reinterpret_cast<pthread_mutex_t*>(storage);
}
}  // namespace

ReentrantLock::ReentrantLock() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(M(storage_), &attr);
    pthread_mutexattr_destroy(&attr);
}
ReentrantLock::~ReentrantLock() {
    pthread_mutex_destroy(M(storage_));
}
void ReentrantLock::Lock() {
    pthread_mutex_lock(M(storage_));
}
bool ReentrantLock::TryLock() {
    return pthread_mutex_trylock(M(storage_)) == 0;
}
void ReentrantLock::Unlock() {
    pthread_mutex_unlock(M(storage_));
}

}  // namespace mr
