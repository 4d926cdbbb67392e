// Self-registration and the module entry points of the filter modules, on
// the real modules. Registration runs with HKEY_CLASSES_ROOT redirected to a
// scratch key of this process, so other tests' registrations stay untouched.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>

#include "common/com/filter_ids.h"
#include "tests/dshow/graph_support.h"

namespace mr::test {
namespace {

struct ModuleCase {
    const wchar_t* dll;
    const CLSID* clsid;
    const wchar_t* name;
    const CLSID* otherClsid;
};

const ModuleCase kModules[] = {
    {L"mrws.dll", &CLSID_MRWavSink, L"MR_WavSink", &CLSID_MRWavRenderTimer},
    {L"mrrt.dll", &CLSID_MRWavRenderTimer, L"MR_WavRenderTimer", &CLSID_MRWavSink},
};

std::wstring GuidText(const GUID& g) {
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

// HKEY_CLASSES_ROOT of this process goes to a fresh key under HKCU.
class ScopedClassesRoot {
public:
    ScopedClassesRoot() : path_(L"Software\\Mirelto\\RegistrationTest" + std::to_wstring(GetCurrentProcessId())) {
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ok_ = RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CLASSES_ROOT, key_) == ERROR_SUCCESS;
    }
    ~ScopedClassesRoot() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (key_) RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }
    bool Ok() const { return ok_; }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
    bool ok_ = false;
};

bool KeyExists(const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring StringValue(const std::wstring& path, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

std::vector<BYTE> BinaryValue(const std::wstring& path, const wchar_t* name) {
    std::vector<BYTE> data(4096);
    DWORD bytes = static_cast<DWORD>(data.size());
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_BINARY, nullptr, data.data(), &bytes) !=
        ERROR_SUCCESS)
        return {};
    data.resize(bytes);
    return data;
}

DWORD DwordAt(const std::vector<BYTE>& b, size_t at) {
    return b.size() < at + 4 ? 0xFFFFFFFF : b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (DWORD(b[at + 3]) << 24);
}

TEST(filter_registration, each_module_registers_its_class_and_its_filter_data_and_unregisters_them) {
    ComScope com;
    for (const ModuleCase& m : kModules) {
        SCOPED_TRACE(testing::Message() << static_cast<const void*>(m.dll));
        ScopedClassesRoot classes;
        ASSERT_TRUE(classes.Ok());
        const std::wstring clsidKey = L"CLSID\\" + GuidText(*m.clsid);
        const std::wstring instanceKey =
            L"CLSID\\" + GuidText(CLSID_LegacyAmFilterCategory) + L"\\Instance\\" + GuidText(*m.clsid);

        ASSERT_EQ(CallModuleExport(m.dll, "DllRegisterServer"), S_OK);
        EXPECT_EQ(StringValue(clsidKey, nullptr), m.name);
        EXPECT_EQ(lstrcmpiW(StringValue(clsidKey + L"\\InprocServer32", nullptr).c_str(), ModulePath(m.dll).c_str()), 0);
        EXPECT_EQ(StringValue(clsidKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");
        EXPECT_EQ(StringValue(instanceKey, L"FriendlyName"), m.name);
        EXPECT_EQ(lstrcmpiW(StringValue(instanceKey, L"CLSID").c_str(), GuidText(*m.clsid).c_str()), 0);
        // The mapper's record: version, merit (unlikely), one pin.
        const std::vector<BYTE> data = BinaryValue(instanceKey, L"FilterData");
        EXPECT_EQ(DwordAt(data, 4), 0x200000u);
        EXPECT_EQ(DwordAt(data, 8), 1u);

        ASSERT_EQ(CallModuleExport(m.dll, "DllUnregisterServer"), S_OK);
        EXPECT_FALSE(KeyExists(clsidKey));
        EXPECT_FALSE(KeyExists(instanceKey));
        // Unregistering what is not registered is no failure.
        EXPECT_EQ(CallModuleExport(m.dll, "DllUnregisterServer"), S_OK);
    }
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

TEST(filter_module, the_class_factory_serves_its_class_and_the_module_unloads_only_when_nothing_lives) {
    ComScope com;
    for (const ModuleCase& m : kModules) {
        HMODULE module = LoadLibraryW(ModulePath(m.dll).c_str());
        ASSERT_NE(module, nullptr);
        auto getClassObject =
            reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        auto canUnloadNow =
            reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        ASSERT_TRUE(getClassObject && canUnloadNow);
        EXPECT_EQ(canUnloadNow(), S_OK);

        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(getClassObject(*m.otherClsid, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(none, nullptr);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(*m.clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(canUnloadNow(), S_FALSE);

        ComPtr<IUnknown> unknown;
        EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, unknown.PutVoid()), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, unknown.PutVoid()), E_NOINTERFACE);
        IBaseFilter* filter = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
        CLSID clsid;
        EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
        EXPECT_EQ(clsid, *m.clsid);
        factory.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE);  // the filter lives
        EXPECT_EQ(filter->Release(), 0u);
        EXPECT_EQ(canUnloadNow(), S_OK);

        ASSERT_EQ(getClassObject(*m.clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(factory->LockServer(TRUE), S_OK);
        factory.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE);  // locked
        ASSERT_EQ(getClassObject(*m.clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(factory->LockServer(FALSE), S_OK);
        factory.Reset();
        EXPECT_EQ(canUnloadNow(), S_OK);
        FreeLibrary(module);
    }
}

std::wstring VersionString(const std::wstring& path, const wchar_t* name) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return L"<no version>";
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return L"<no version>";
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return L"<missing>";
    return value;
}

TEST(filter_module, version_resources_describe_the_modules) {
    EXPECT_EQ(VersionString(ModulePath(L"mrws.dll"), L"FileDescription"), L"MRWS Filter");
    EXPECT_EQ(VersionString(ModulePath(L"mrws.dll"), L"InternalName"), L"mrws.ax");
    EXPECT_EQ(VersionString(ModulePath(L"mrrt.dll"), L"FileDescription"), L"MRRT Filter");
    EXPECT_EQ(VersionString(ModulePath(L"mrrt.dll"), L"InternalName"), L"mrrt.ax");
}

TEST(filter_module, the_render_timer_module_also_exports_its_entry_point) {
    HMODULE module = LoadLibraryW(ModulePath(L"mrrt.dll").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "DllMain"), nullptr);
    FreeLibrary(module);
}

}  // namespace
}  // namespace mr::test
