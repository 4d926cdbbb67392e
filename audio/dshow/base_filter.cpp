#include "audio/dshow/base_filter.h"

#include <algorithm>
#include <cwchar>

#include "audio/dshow/base_pin.h"
#include "audio/dshow/enumerators.h"
#include "audio/dshow/module.h"

namespace mr::dshow {

BaseFilter::BaseFilter(const CLSID& clsid) : clsid_(clsid) {
    ModuleObjectCreated();
}

BaseFilter::~BaseFilter() {
    if (clock_) clock_->Release();
    ModuleObjectDestroyed();
}

HRESULT BaseFilter::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter) {
        *ppv = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return QueryFilterInterface(riid, ppv);
}

ULONG BaseFilter::AddRef() {
    return static_cast<ULONG>(++refs_);
}

ULONG BaseFilter::Release() {
    const LONG n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT BaseFilter::QueryFilterInterface(REFIID, void** ppv) {
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT BaseFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT BaseFilter::Stop() {
    LockGuard guard(lock_);
    HRESULT result = S_OK;
    if (State() != State_Stopped) {
        for (int i = 0; i < PinCount(); ++i) {
            BasePin* pin = GetPin(i);
            if (!pin || !pin->IsConnected()) continue;
            const HRESULT hr = pin->Inactive();
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    SetState(State_Stopped);
    return result;
}

HRESULT BaseFilter::Pause() {
    LockGuard guard(lock_);
    if (State() == State_Stopped) {
        for (int i = 0; i < PinCount(); ++i) {
            BasePin* pin = GetPin(i);
            if (!pin || !pin->IsConnected()) continue;
            const HRESULT hr = pin->Active();
            if (FAILED(hr)) return hr;
        }
    }
    SetState(State_Paused);
    return S_OK;
}

HRESULT BaseFilter::Run(REFERENCE_TIME start) {
    LockGuard guard(lock_);
    if (State() == State_Stopped) {
        const HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    start_ = start;
    if (State() == State_Paused) {
        for (int i = 0; i < PinCount(); ++i) {
            BasePin* pin = GetPin(i);
            if (!pin || !pin->IsConnected()) continue;
            const HRESULT hr = pin->Run(start);
            if (FAILED(hr)) return hr;
        }
    }
    SetState(State_Running);
    return S_OK;
}

HRESULT BaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = State();
    return S_OK;
}

HRESULT BaseFilter::SetSyncSource(IReferenceClock* clock) {
    LockGuard guard(lock_);
    if (clock) clock->AddRef();
    if (clock_) clock_->Release();
    clock_ = clock;
    return S_OK;
}

HRESULT BaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    LockGuard guard(lock_);
    *clock = clock_;
    if (clock_) clock_->AddRef();
    return S_OK;
}

HRESULT BaseFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    return CreatePinEnumerator(this, 0, pins);
}

HRESULT BaseFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    LockGuard guard(lock_);
    for (int i = 0; i < PinCount(); ++i) {
        BasePin* p = GetPin(i);
        if (p && p->Name() == id) {
            p->AddRef();
            *pin = p;
            return S_OK;
        }
    }
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT BaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    LockGuard guard(lock_);
    const size_t n = std::min<size_t>(name_.size(), MAX_FILTER_NAME - 1);
    std::wmemcpy(info->achName, name_.c_str(), n);
    info->achName[n] = L'\0';
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    LockGuard guard(lock_);
    graph_ = graph;
    IMediaEventSink* sink = nullptr;
    if (graph_ && SUCCEEDED(graph_->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))) && sink) {
        // Held without a reference: the graph owns this filter, so
        // referencing part of it would make a cycle.
        sink->Release();
    }
    eventSink_.store(sink);
    name_ = name ? name : L"";
    return S_OK;
}

HRESULT BaseFilter::QueryVendorInfo(LPWSTR* info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT BaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    // No lock: streaming threads call this while the application thread may
    // hold the filter lock and wait for them.
    IMediaEventSink* sink = eventSink_.load();
    return sink ? sink->Notify(code, param1, param2) : S_OK;
}

}  // namespace mr::dshow
