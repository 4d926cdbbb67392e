#include "audio/dshow/module.h"

#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "audio/dshow/com_object.h"
#include "audio/dshow/com_ptr.h"

namespace mr::dshow {
namespace {

std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_locks{0};

class ClassFactory final : public ComObject<IClassFactory, IID_IClassFactory> {
public:
    explicit ClassFactory(CreateFunction create) : create_(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        // Our filters are never aggregated.
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ++g_locks;
        else
            --g_locks;
        return S_OK;
    }

private:
    CreateFunction create_;
};

// "{7C201D0F-457A-4CA8-8AFF-C684D68E4583}"
std::wstring GuidString(const GUID& guid) {
    wchar_t text[40] = {};
    if (StringFromGUID2(guid, text, 40) == 0) return std::wstring();
    return text;
}

HRESULT FromWin32(LSTATUS status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

HRESULT SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return FromWin32(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes));
}

HRESULT WriteClassKeys(const FilterTemplate& t, const std::wstring& modulePath) {
    const std::wstring keyName = L"CLSID\\" + GuidString(*t.clsid);
    HKEY key = nullptr;
    HRESULT hr = FromWin32(RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                           &key, nullptr));
    if (FAILED(hr)) return hr;
    hr = SetStringValue(key, nullptr, t.name);
    HKEY server = nullptr;
    if (SUCCEEDED(hr))
        hr = FromWin32(
            RegCreateKeyExW(key, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr));
    if (SUCCEEDED(hr)) {
        hr = SetStringValue(server, nullptr, modulePath);
        if (SUCCEEDED(hr)) hr = SetStringValue(server, L"ThreadingModel", L"Both");
        RegCloseKey(server);
    }
    RegCloseKey(key);
    return hr;
}

HRESULT DeleteClassKeys(const FilterTemplate& t) {
    const std::wstring keyName = L"CLSID\\" + GuidString(*t.clsid);
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyName.c_str());
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return S_OK;
    return FromWin32(status);
}

HRESULT RegisterWithMapper(IFilterMapper2* mapper, const FilterTemplate& t) {
    std::vector<REGPINTYPES> types(t.pinCount);
    std::vector<REGFILTERPINS> pins(t.pinCount);
    for (size_t i = 0; i < t.pinCount; ++i) {
        const PinRegistration& p = t.pins[i];
        types[i].clsMajorType = p.majorType;
        types[i].clsMinorType = p.subType;
        pins[i].strName = const_cast<LPWSTR>(p.name);
        pins[i].bRendered = p.rendered;
        pins[i].bOutput = p.output;
        pins[i].bZero = p.zero;
        pins[i].bMany = p.many;
        pins[i].clsConnectsToFilter = &CLSID_NULL;
        pins[i].strConnectsToPin = const_cast<LPWSTR>(p.connectsToPin);
        pins[i].nMediaTypes = 1;
        pins[i].lpMediaType = &types[i];
    }
    REGFILTER2 rf2 = {};
    rf2.dwVersion = 1;
    rf2.dwMerit = t.merit;
    rf2.cPins = static_cast<ULONG>(t.pinCount);
    rf2.rgPins = pins.data();
    return mapper->RegisterFilter(*t.clsid, t.name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr, &rf2);
}

// COM for the registration calls, whatever the caller (regsvr32, a test)
// has or has not initialised.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

}  // namespace

void ModuleObjectCreated() {
    ++g_objects;
}

void ModuleObjectDestroyed() {
    --g_objects;
}

HRESULT ModuleGetClassObject(const FilterTemplate* classes, size_t count, REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (*classes[i].clsid != clsid) continue;
        auto* factory = new (std::nothrow) ClassFactory(classes[i].create);
        if (!factory) return E_OUTOFMEMORY;
        const HRESULT hr = factory->QueryInterface(riid, ppv);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ModuleCanUnloadNow() {
    return g_objects.load() == 0 && g_locks.load() == 0 ? S_OK : S_FALSE;
}

HRESULT ModuleRegister(HMODULE module, const FilterTemplate* classes, size_t count) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return HRESULT_FROM_WIN32(GetLastError());
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        path.resize(path.size() * 2);
    }

    ComScope com;
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  mapper.PutVoid());
    if (FAILED(hr)) return hr;
    for (size_t i = 0; i < count; ++i) {
        hr = WriteClassKeys(classes[i], path);
        if (SUCCEEDED(hr)) hr = RegisterWithMapper(mapper.Get(), classes[i]);
        if (FAILED(hr)) {
            for (size_t j = 0; j <= i; ++j) {
                mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *classes[j].clsid);
                DeleteClassKeys(classes[j]);
            }
            return hr;
        }
    }
    return S_OK;
}

HRESULT ModuleUnregister(const FilterTemplate* classes, size_t count) {
    ComScope com;
    ComPtr<IFilterMapper2> mapper;
    // Without a mapper the class keys still go, but the failure is reported:
    // the mapper's entries are then left behind.
    HRESULT result =
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.PutVoid());
    for (size_t i = 0; i < count; ++i) {
        // A filter that was never registered answers a failure here, which
        // is the state we want.
        if (mapper) mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *classes[i].clsid);
        const HRESULT hr = DeleteClassKeys(classes[i]);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

}  // namespace mr::dshow
