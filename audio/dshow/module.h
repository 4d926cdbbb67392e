#pragma once
// Module plumbing of a filter DLL: the count of live objects and server
// locks behind DllCanUnloadNow, the class factory behind DllGetClassObject,
// and self-registration (the COM class keys plus the filter's name, merit
// and pin data through the system's filter mapper, in the DirectShow Filters
// category).

#include <windows.h>
#include <dshow.h>

#include <cstddef>

namespace mr::dshow {

// Every COM object of the module counts itself while it lives.
void ModuleObjectCreated();
void ModuleObjectDestroyed();

// One pin as the filter mapper records it.
struct PinRegistration {
    const wchar_t* name;
    bool output;
    bool rendered;
    bool zero;
    bool many;
    const wchar_t* connectsToPin;  // null when any
    const GUID* majorType;
    const GUID* subType;  // &GUID_NULL for any
};

// Creates a new object of the class and queries it for `riid`; *ppv receives
// one reference or null.
using CreateFunction = HRESULT (*)(REFIID riid, void** ppv);

// One filter class served by the module.
struct FilterTemplate {
    const CLSID* clsid;
    const wchar_t* name;  // the registered filter name
    DWORD merit;
    const PinRegistration* pins;
    size_t pinCount;
    CreateFunction create;
};

// The bodies of the four exports, for the module's list of classes.
// DllGetClassObject: a class factory for a listed class, else
// CLASS_E_CLASSNOTAVAILABLE.
HRESULT ModuleGetClassObject(const FilterTemplate* classes, size_t count, REFCLSID clsid, REFIID riid, void** ppv);
// S_OK when no object of the module lives and no server lock is held, else
// S_FALSE.
HRESULT ModuleCanUnloadNow();
// Writes HKCR\CLSID\{clsid} (the filter name; InprocServer32 = the path of
// `module`, ThreadingModel "Both") and registers each filter with the filter
// mapper. A failure undoes the class keys it wrote and answers its code.
HRESULT ModuleRegister(HMODULE module, const FilterTemplate* classes, size_t count);
// Removes the filter-mapper entries and the class keys. S_OK when they are
// gone (also when they were never there).
HRESULT ModuleUnregister(const FilterTemplate* classes, size_t count);

// The classes a filter DLL serves, defined by each module next to its
// filter; audio/dshow/module_exports.cpp builds the DLL's exports on them.
extern const FilterTemplate kModuleClasses[];
extern const size_t kModuleClassCount;

}  // namespace mr::dshow
