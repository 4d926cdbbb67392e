// mrwsc module entry points. The filter class is not served yet: the module
// loads and answers the COM entry points, and refuses to create anything.
#include <windows.h>
#include <objbase.h>

extern "C" {

STDAPI DllCanUnloadNow() {
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID, REFIID, void** ppv) {
    if (ppv) *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() {
    return E_NOTIMPL;
}

STDAPI DllUnregisterServer() {
    return E_NOTIMPL;
}

}  // extern "C"
