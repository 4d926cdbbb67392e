#pragma once
// The system's own COM-style interfaces between the editor and its filters.
// Windows layer only (the portable core never includes this header). Every
// interface derives from IUnknown; the methods follow its three slots.

#include <unknwn.h>

// {1E707C88-D093-4E96-840B-321F5C53E05E}
inline constexpr IID IID_IWaveProgressCallback = {
    0x1e707c88, 0xd093, 0x4e96, {0x84, 0x0b, 0x32, 0x1f, 0x5c, 0x53, 0xe0, 0x5e}};
// {7F8F9DEC-F7D9-4D2E-9FDA-EE77C8B3471D}
inline constexpr IID IID_IWaveCallbackTarget = {
    0x7f8f9dec, 0xf7d9, 0x4d2e, {0x9f, 0xda, 0xee, 0x77, 0xc8, 0xb3, 0x47, 0x1d}};
// {0438E776-04A3-422D-BC12-9C02E2DB059B}
inline constexpr IID IID_ISlowDownControl = {
    0x0438e776, 0x04a3, 0x422d, {0xbc, 0x12, 0x9c, 0x02, 0xe2, 0xdb, 0x05, 0x9b}};

// COM interfaces have no destructor in their table: objects are destroyed by
// their own Release, never through an interface pointer (hence the protected
// destructors, and no warning about IUnknown's).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Implemented by the editor's main frame. The filters hold it without a
// reference (the frame outlives every graph) and call it on their streaming
// threads, so an implementation must be thread-safe and must not call back
// into the graph.
struct IWaveProgressCallback : public IUnknown {
    // From the wave sink: decoding progress in whole percent (0 to 100).
    // From the render timer: the playback position in media time (100-ns units).
    virtual HRESULT STDMETHODCALLTYPE OnProgress(LONGLONG value) = 0;

protected:
    ~IWaveProgressCallback() = default;
};

// Implemented by the wave sink and the render timer.
struct IWaveCallbackTarget : public IUnknown {
    // Stores `callback` without taking a reference (null stops the reports).
    // S_OK.
    virtual HRESULT STDMETHODCALLTYPE SetCallback(IWaveProgressCallback* callback) = 0;

protected:
    ~IWaveCallbackTarget() = default;
};

// Implemented by the wave source and the render timer. The editor changes the
// flag only while the graph is stopped.
struct ISlowDownControl : public IUnknown {
    // `slowDown`: 0 for normal speed, anything else for half speed. S_OK.
    virtual HRESULT STDMETHODCALLTYPE SetSlowDown(BOOL slowDown) = 0;

protected:
    ~ISlowDownControl() = default;
};

#pragma GCC diagnostic pop
