// mrwmp module entry points: the class factory of the effect and the
// registration the player looks for.
#include <windows.h>
#include <objbase.h>

#include <new>

#include "hosts/wmp/effect.h"
#include "hosts/wmp/registration.h"

namespace mr::wmp {
namespace {

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its lifetime is the module's, counted through
    // LockServer like any server lock.
    ULONG STDMETHODCALLTYPE AddRef() override {
        ModuleLock(true);
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ModuleLock(false);
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IEffects2* effect = CreateEffect();
        if (!effect) return E_OUTOFMEMORY;
        const HRESULT hr = effect->QueryInterface(riid, ppv);
        effect->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        ModuleLock(lock != FALSE);
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace
}  // namespace mr::wmp

extern "C" {

STDAPI DllCanUnloadNow() {
    return mr::wmp::LiveModuleObjects() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != mr::wmp::kClsidEffect) return CLASS_E_CLASSNOTAVAILABLE;
    return mr::wmp::g_factory.QueryInterface(riid, ppv);
}

STDAPI DllRegisterServer() {
    return mr::wmp::RegisterEffect(true);
}

STDAPI DllUnregisterServer() {
    return mr::wmp::RegisterEffect(false);
}

}  // extern "C"
