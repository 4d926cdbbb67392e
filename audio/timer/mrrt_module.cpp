// mrrt: the self-registering module of the render timer filter.
#include <windows.h>
#include <dshow.h>

#include "audio/dshow/module.h"
#include "audio/timer/render_timer_filter.h"
#include "common/com/filter_ids.h"

namespace {

HMODULE g_module = nullptr;

const mr::dshow::PinRegistration kPins[] = {
    {L"Input", false, false, false, false, nullptr, &MEDIATYPE_Audio, &GUID_NULL},
};

// Merit 0x200000 (unlikely): intelligent connection never picks it alone.
const mr::dshow::FilterTemplate kClasses[] = {
    {&CLSID_MRWavRenderTimer, L"MR_WavRenderTimer", 0x200000, kPins, 1, &mr::audio::CreateRenderTimer},
};

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
    return mr::dshow::ModuleGetClassObject(kClasses, 1, clsid, riid, ppv);
}

STDAPI DllRegisterServer() {
    return mr::dshow::ModuleRegister(g_module, kClasses, 1);
}

STDAPI DllUnregisterServer() {
    return mr::dshow::ModuleUnregister(kClasses, 1);
}
