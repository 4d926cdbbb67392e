#pragma once
// The base filter of our small DirectShow layer: reference counting, the
// stopped/paused/running state machine, the reference clock, the graph it
// joined and its event sink, and pin enumeration. A filter derives from it,
// owns its pins and lists them through PinCount/GetPin; the pins delegate
// their reference counts to the filter, so a pin lives as long as its filter.
//
// Locking: Lock() is the filter lock (re-entrant). The IBaseFilter methods
// take it; pins take it for connection changes.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <string>

#include "common/lock.h"

namespace mr::dshow {

class BasePin;

// Forwards the three IUnknown methods of a class that adds interfaces to a
// base which already implements them (one override serves every base).
#define MR_DSHOW_FORWARD_IUNKNOWN(Base)                                                        \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {               \
        return Base::QueryInterface(riid, ppv);                                                 \
    }                                                                                           \
    ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }                       \
    ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }

class BaseFilter : public IBaseFilter {
public:
    // The new filter holds one reference, owned by the caller.
    explicit BaseFilter(const CLSID& clsid);
    virtual ~BaseFilter();
    BaseFilter(const BaseFilter&) = delete;
    BaseFilter& operator=(const BaseFilter&) = delete;

    // IUnknown: IUnknown, IPersist, IMediaFilter, IBaseFilter, then
    // QueryFilterInterface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;

    // IMediaFilter. Stop deactivates the connected pins, Pause activates them
    // when leaving the stopped state, Run pauses first when stopped and hands
    // the start time (reference-clock time, 100-ns units) to every connected pin.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

    // The pins, counted from 0; GetPin answers null past the end. Both are
    // called under the filter lock.
    virtual int PinCount() = 0;
    virtual BasePin* GetPin(int index) = 0;
    // Changes whenever a pin comes or goes; pin enumerators compare it.
    LONG PinVersion() const { return pinVersion_.load(); }

    // Sends an event to the graph's event sink; S_OK and no effect outside a
    // graph. Safe on any thread.
    HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

    ReentrantLock& Lock() { return lock_; }
    // Readable without the lock (streaming threads check it).
    FILTER_STATE State() const { return state_.load(); }
    // The reference clock (no reference added) and the run start time, under
    // the filter lock.
    IReferenceClock* Clock() const { return clock_; }
    REFERENCE_TIME StartTime() const { return start_; }
    // The graph this filter joined (not referenced, as the graph owns us).
    IFilterGraph* Graph() const { return graph_; }

protected:
    // Interfaces a derived filter adds; E_NOINTERFACE by default. Must AddRef
    // what it returns.
    virtual HRESULT QueryFilterInterface(REFIID riid, void** ppv);
    void IncrementPinVersion() { ++pinVersion_; }
    void SetState(FILTER_STATE state) { state_.store(state); }

    ReentrantLock lock_;

private:
    std::atomic<LONG> refs_{1};
    std::atomic<LONG> pinVersion_{1};
    std::atomic<FILTER_STATE> state_{State_Stopped};
    CLSID clsid_;
    IReferenceClock* clock_ = nullptr;
    REFERENCE_TIME start_ = 0;
    IFilterGraph* graph_ = nullptr;
    // Taken from the graph at JoinFilterGraph and held without a reference,
    // like the graph itself.
    std::atomic<IMediaEventSink*> eventSink_{nullptr};
    std::wstring name_;
};

}  // namespace mr::dshow
