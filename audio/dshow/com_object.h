#pragma once
// The IUnknown part of a small COM object that exposes one interface: its
// reference count (created at 1, deleted at 0), QueryInterface answering
// IUnknown and that interface, and the module's count of live objects
// behind DllCanUnloadNow.

#include <windows.h>

#include <atomic>

#include "audio/dshow/module.h"

namespace mr::dshow {

template <typename Interface, const IID& InterfaceId>
class ComObject : public Interface {
public:
    ComObject() { ModuleObjectCreated(); }
    virtual ~ComObject() { ModuleObjectDestroyed(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == InterfaceId) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

private:
    std::atomic<LONG> refs_{1};
};

}  // namespace mr::dshow
