#include "audio/graph/progress_callback.h"

#include "audio/graph/graph_listener.h"

namespace mr::graph {

HRESULT STDMETHODCALLTYPE WaveProgressCallback::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWaveProgressCallback) {
        *ppv = static_cast<IWaveProgressCallback*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE WaveProgressCallback::OnProgress(LONGLONG value) {
    last_.store(value, std::memory_order_relaxed);
    if (listener_) listener_->OnProgress(value);
    return S_OK;
}

}  // namespace mr::graph
