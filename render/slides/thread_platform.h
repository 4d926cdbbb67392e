#pragma once
// Threads and auto-reset events for the slide-show workers, behind a small
// interface: the product runs them on Win32 threads and events, the native
// tests on std::thread, and the start-up tests on a platform that fails on
// purpose. Nothing here throws; a failure is a null result.

namespace mr {

// An auto-reset event: Set leaves it signalled until one Wait consumes it.
class SyncEvent {
public:
    virtual ~SyncEvent() = default;
    virtual void Set() = 0;
    virtual void Reset() = 0;
    // Blocks until the event is signalled and clears it.
    virtual void Wait() = 0;
};

// A running thread. Join waits for it to end; deleting the object afterwards
// closes it. Deleting a thread that was not joined is not allowed.
class WorkerThread {
public:
    virtual ~WorkerThread() = default;
    virtual void Join() = 0;
};

using ThreadEntry = void (*)(void* context);

class ThreadPlatform {
public:
    virtual ~ThreadPlatform() = default;
    // A new auto-reset event, initially clear, owned by the caller; null when
    // it cannot be made.
    virtual SyncEvent* NewEvent() = 0;
    // Starts entry(context) on a new thread, owned by the caller; null when
    // the thread cannot be made (entry is then never run).
    virtual WorkerThread* NewThread(ThreadEntry entry, void* context) = 0;
};

// Win32 threads and events on Windows, std::thread elsewhere. Not owned by
// the caller; usable from any thread.
ThreadPlatform& SystemThreadPlatform();

}  // namespace mr
