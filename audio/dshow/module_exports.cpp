// The exports every filter module shares: DllMain remembers the module for
// self-registration, and the four COM entry points serve the module's list of
// classes, which each module defines (kModuleClasses, kModuleClassCount).
// Compiled into each filter DLL.
#include <windows.h>

#include "audio/dshow/module.h"

namespace {
HMODULE g_module = nullptr;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return mr::dshow::ModuleCanUnloadNow();
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    return mr::dshow::ModuleGetClassObject(mr::dshow::kModuleClasses, mr::dshow::kModuleClassCount, clsid, riid,
                                           ppv);
}

STDAPI DllRegisterServer() {
    return mr::dshow::ModuleRegister(g_module, mr::dshow::kModuleClasses, mr::dshow::kModuleClassCount);
}

STDAPI DllUnregisterServer() {
    return mr::dshow::ModuleUnregister(mr::dshow::kModuleClasses, mr::dshow::kModuleClassCount);
}
