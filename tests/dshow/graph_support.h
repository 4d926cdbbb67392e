#pragma once
// Helpers for the Wine tests that build real DirectShow graphs around our
// filters: generated wave files, module registration from the test's own
// folder, filter and pin lookup, and a progress callback that records what
// the filters report.

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/dshow/com_ptr.h"
#include "common/com/wave_interfaces.h"
#include "common/lock.h"

namespace mr::test {

using dshow::ComPtr;

// {D51BD5A1-7548-11CF-A520-0080C77EF58A}: the platform's WAVE parser.
inline constexpr CLSID kClsidWaveParser = {0xd51bd5a1, 0x7548, 0x11cf, {0xa5, 0x20, 0x00, 0x80, 0xc7, 0x7e, 0xf5, 0x8a}};

// A canonical PCM wave file: its bytes and, separately, its sample data.
struct WaveFile {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> data;
};
// `frames` frames of a deterministic, non-repeating pattern (so that a lost
// or doubled block shows), in the given layout.
WaveFile MakeWave(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t frames);

// COM for one test (multithreaded apartment, as the filters' threads use).
class ComScope {
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

// Calls the named export ("DllRegisterServer", ...) of a module in the test
// program's folder.
HRESULT CallModuleExport(const wchar_t* dll, const char* name);
// The full path of a module in the test program's folder.
std::wstring ModulePath(const wchar_t* dll);

ComPtr<IGraphBuilder> NewGraph();
ComPtr<IBaseFilter> NewFilter(const CLSID& clsid);
// The index-th pin (from 0) of the given direction, or null.
ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index = 0);
// Adds File Source (Async.) for `path` and the WAVE parser, connected;
// returns the parser (null on failure, with *hr set).
ComPtr<IBaseFilter> AddWaveParser(IGraphBuilder* graph, const std::wstring& path, HRESULT* hr);
// Waits for EC_COMPLETE (or an abort); the event code, or 0 on timeout.
long WaitForCompletion(IGraphBuilder* graph, long timeoutMs);
// Whether the graph's event queue holds `code` (events are consumed).
bool HasEvent(IGraphBuilder* graph, long code, LONG_PTR* param1 = nullptr);

// Runs `work` on a thread of its own, so that a call that may hang can be
// timed out. A call still running when the object goes is abandoned (its
// thread and what it uses are leaked): a hang then fails its test instead of
// stopping the whole program.
class TimedCall {
public:
    explicit TimedCall(std::function<void()> work);
    ~TimedCall();
    TimedCall(const TimedCall&) = delete;
    TimedCall& operator=(const TimedCall&) = delete;
    // True when the work ended within `ms`.
    bool Finished(DWORD ms);

private:
    static DWORD WINAPI Proc(void* self);
    std::function<void()>* work_;
    HANDLE thread_ = nullptr;
};

// The editor's side of IWaveProgressCallback: records every value with the
// reference-clock time it arrived at (0 without a clock). Not reference
// counted, like the editor's frame.
class ProgressRecorder final : public IWaveProgressCallback {
public:
    struct Report {
        LONGLONG value;
        REFERENCE_TIME clockTime;
    };

    // The clock to read at each report (referenced), or null.
    void SetClock(IReferenceClock* clock);
    std::vector<Report> Reports();
    std::vector<LONGLONG> Values();
    void Clear();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    HRESULT STDMETHODCALLTYPE OnProgress(LONGLONG value) override;

    ~ProgressRecorder() { SetClock(nullptr); }

private:
    ReentrantLock lock_;
    ComPtr<IReferenceClock> clock_;
    std::vector<Report> reports_;
};

}  // namespace mr::test
