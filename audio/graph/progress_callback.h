#pragma once
// The editor's IWaveProgressCallback: the object the wave sink and the render
// timer report through. It lives as long as its AudioGraph and is not
// reference counted (AddRef answers 1, Release 0); QueryInterface answers
// IUnknown and IWaveProgressCallback only. OnProgress runs on the filters'
// streaming and timer threads: it keeps the value in an atomic and hands it
// to the listener, which must return at once (see GraphListener::OnProgress).

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "common/com/wave_interfaces.h"

namespace mr::graph {

class GraphListener;

class WaveProgressCallback final : public IWaveProgressCallback {
public:
    explicit WaveProgressCallback(GraphListener* listener) : listener_(listener) {}
    ~WaveProgressCallback() = default;
    WaveProgressCallback(const WaveProgressCallback&) = delete;
    WaveProgressCallback& operator=(const WaveProgressCallback&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    HRESULT STDMETHODCALLTYPE OnProgress(LONGLONG value) override;

    // The last value reported (percent or media time), 0 after Clear.
    int64_t Last() const { return last_.load(std::memory_order_relaxed); }
    void Clear() { last_.store(0, std::memory_order_relaxed); }

private:
    GraphListener* listener_;
    std::atomic<int64_t> last_{0};
};

}  // namespace mr::graph
