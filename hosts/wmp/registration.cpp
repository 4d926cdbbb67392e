#include "hosts/wmp/registration.h"

#include <objbase.h>
#include <olectl.h>

#include <string>

#include "hosts/wmp/effect.h"

namespace mr::wmp {
namespace {

constexpr wchar_t kClassKey[] = L"CLSID\\{FD6DF2E2-881D-11d8-BA5E-0800100A00B9}";
constexpr wchar_t kEffectsKey[] = L"SOFTWARE\\Microsoft\\MediaPlayer\\Objects\\Effects\\Mirelto";

HRESULT FromStatus(LONG status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

// Removes a key with everything below it; an absent key is already removed.
HRESULT RemoveTree(HKEY root, const wchar_t* path) {
    const LONG status = RegDeleteTreeW(root, path);
    return status == ERROR_FILE_NOT_FOUND ? S_OK : FromStatus(status);
}

HRESULT SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return FromStatus(status);
    status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return FromStatus(status);
}

bool ModulePath(std::wstring* path) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&RegisterEffect), &self))
        return false;
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameW(self, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    path->assign(buffer, n);
    return true;
}

HRESULT Install() {
    std::wstring path;
    if (!ModulePath(&path)) return SELFREG_E_CLASS;
    // A stale registration (another path, other values) goes whole first.
    HRESULT hr = RemoveTree(HKEY_CLASSES_ROOT, kClassKey);
    if (SUCCEEDED(hr)) hr = SetString(HKEY_CLASSES_ROOT, kClassKey, nullptr, L"Mrwmp Class");
    const std::wstring server = std::wstring(kClassKey) + L"\\InprocServer32";
    if (SUCCEEDED(hr)) hr = SetString(HKEY_CLASSES_ROOT, server, nullptr, path);
    if (SUCCEEDED(hr)) hr = SetString(HKEY_CLASSES_ROOT, server, L"ThreadingModel", L"Apartment");
    if (FAILED(hr)) return SELFREG_E_CLASS;

    hr = RemoveTree(HKEY_LOCAL_MACHINE, kEffectsKey);
    const std::wstring properties = std::wstring(kEffectsKey) + L"\\Properties";
    if (SUCCEEDED(hr)) hr = SetString(HKEY_LOCAL_MACHINE, properties, L"classid", L"{FD6DF2E2-881D-11d8-BA5E-0800100A00B9}");
    if (SUCCEEDED(hr)) hr = SetString(HKEY_LOCAL_MACHINE, properties, L"name", L"res://mrwmp.dll/RT_STRING/#101");
    if (SUCCEEDED(hr)) hr = SetString(HKEY_LOCAL_MACHINE, properties, L"description", L"res://mrwmp.dll/RT_STRING/#102");
    if (FAILED(hr)) {
        // Half a registration would offer the player an effect COM cannot create.
        RemoveTree(HKEY_LOCAL_MACHINE, kEffectsKey);
        RemoveTree(HKEY_CLASSES_ROOT, kClassKey);
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

HRESULT Uninstall() {
    const HRESULT effects = RemoveTree(HKEY_LOCAL_MACHINE, kEffectsKey);
    const HRESULT cls = RemoveTree(HKEY_CLASSES_ROOT, kClassKey);
    return SUCCEEDED(effects) && SUCCEEDED(cls) ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

HRESULT RegisterEffect(bool install) {
    const HRESULT hr = install ? Install() : Uninstall();
    // Running players re-read their plug-in list.
    const UINT changed = RegisterWindowMessageW(L"WMPlayer_PluginAddRemove");
    if (changed) PostMessageW(HWND_BROADCAST, changed, 0, 0);
    return hr;
}

}  // namespace mr::wmp
