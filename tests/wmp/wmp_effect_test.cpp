// The Windows Media Player effect as the player drives it: the module's COM
// surface and registration through the real DLL, and the frame rules over a
// stand-in player core and a renderer that records what it is asked.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
// The stand-ins answer QueryInterface for the player's interface identifiers,
// which MinGW declares but no import library defines.
#include <initguid.h>
#include <wmp.h>

#include <set>
#include <string>
#include <vector>

#include "hosts/wmp/effect.h"
#include "tests/support/test_support.h"
#include "tests/wmp/wmp_stubs.h"

namespace mr {
namespace {

using wmp::IEffects2;

// IUnknown for a stand-in, counting references so that leaks and double
// releases show.
template <typename Base, const IID& Iid>
class Counted : public Base {
public:
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == Iid) {
            *ppv = this;
            ++refs;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // stack objects: never deleted
};

class FakeMedia : public Counted<test::StubMedia, IID_IWMPMedia> {
public:
    std::wstring url;
    HRESULT STDMETHODCALLTYPE get_sourceURL(BSTR* out) override {
        *out = SysAllocString(url.c_str());
        return S_OK;
    }
};

class FakeControls : public Counted<test::StubControls, IID_IWMPControls> {
public:
    double position = 0;
    FakeMedia* item = nullptr;
    HRESULT STDMETHODCALLTYPE get_currentPosition(double* out) override {
        *out = position;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE currentItem(IWMPMedia** out) override {
        *out = item;
        if (item) item->AddRef();
        return S_OK;
    }
};

class FakeCore : public Counted<test::StubCore, IID_IWMPCore> {
public:
    FakeControls controls;
    HRESULT STDMETHODCALLTYPE get_controls(IWMPControls** out) override {
        *out = &controls;
        controls.AddRef();
        return S_OK;
    }
};

// What the renderers made for the effect were asked, in order.
struct Journal {
    std::vector<std::string> calls;
    int made = 0;
    bool failSelect = false;
    std::string Take() {
        std::string all;
        for (auto& c : calls) all += c + ";";
        calls.clear();
        return all;
    }
};
Journal* g_journal = nullptr;

class FakeRenderer : public hosts::HostRenderer {
public:
    ~FakeRenderer() override { Log("destroyed"); }
    int AttachWindow(HWND w) override {
        mode_ = 1;
        window_ = w;
        Log("attach window");
        return 1;
    }
    int AttachWindowless(const RECT& r) override {
        mode_ = 2;
        Log("attach windowless " + std::to_string(r.right - r.left));
        return 1;
    }
    int Mode() const override { return mode_; }
    HWND Window() const override { return window_; }
    bool HasDevice() const override { return mode_ != 0; }
    void Stop() override {
        Log("stop");
        mode_ = 0;
        window_ = nullptr;
    }
    int SelectPreset(int index) override {
        Log("select " + std::to_string(index));
        return g_journal->failSelect ? 0 : 1;
    }
    void SetRandomPreset(bool on) override { Log(on ? "random on" : "random off"); }
    bool RandomPreset() const override { return false; }
    int CurrentPreset() const override { return 0; }
    int NextPresetIndex() override { return 0; }
    int LoadLyricsForMedia(std::u16string_view path) override {
        Log("lookup " + std::string(path.begin(), path.end()));
        return 1;
    }
    int DrawToWindow(int32_t ms) override {
        Log("draw " + std::to_string(ms));
        return 1;
    }
    int DrawToDC(int32_t ms, HDC, const RECT&) override {
        Log("draw dc " + std::to_string(ms));
        return 1;
    }
    int DrawFrame(int32_t) override { return 1; }
    int CheckMonitorAndSize(const RECT&) override { return 1; }
    int ToggleFullScreen() override { return 0; }

private:
    void Log(const std::string& s) { g_journal->calls.push_back(s); }
    int mode_ = 0;
    HWND window_ = nullptr;
};

std::unique_ptr<hosts::HostRenderer> MakeFake() {
    ++g_journal->made;
    return std::make_unique<FakeRenderer>();
}

using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using DllFn = HRESULT(STDAPICALLTYPE*)();

HMODULE LoadModule() {
    const std::u16string path = test::ProgramFolder() + u"\\mrwmp.dll";
    return LoadLibraryW(reinterpret_cast<const wchar_t*>(path.c_str()));
}

// An export of the module as the function type it has.
template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring Text(BSTR s) {
    std::wstring t = s ? std::wstring(s, SysStringLen(s)) : L"";
    SysFreeString(s);
    return t;
}

TEST(wmp_effect, module_answers_as_the_player_expects) {
    HMODULE module = LoadModule();
    ASSERT_NE(module, nullptr);
    auto getClass = Export<DllGetClassObjectFn>(module, "DllGetClassObject");
    auto canUnload = Export<DllFn>(module, "DllCanUnloadNow");
    ASSERT_TRUE(getClass && canUnload);

    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClass(IID_IUnknown, IID_IClassFactory, reinterpret_cast<void**>(&factory)), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClass(wmp::kClsidEffect, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    void* none = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
    IEffects2* fx = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, wmp::kIidEffects2, reinterpret_cast<void**>(&fx)), S_OK);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE);

    void* asEffects = nullptr;
    void* asUnknown = nullptr;
    EXPECT_EQ(fx->QueryInterface(wmp::kIidEffects, &asEffects), S_OK);
    EXPECT_EQ(fx->QueryInterface(IID_IUnknown, &asUnknown), S_OK);
    EXPECT_EQ(asEffects, static_cast<void*>(fx));
    EXPECT_EQ(asUnknown, static_cast<void*>(fx));
    fx->Release();
    fx->Release();
    EXPECT_EQ(fx->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);

    DWORD caps = 0;
    LONG count = 0, current = -1;
    BSTR s = nullptr;
    EXPECT_EQ(fx->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, 2u);
    EXPECT_EQ(fx->GetTitle(&s), S_OK);
    EXPECT_EQ(Text(s), L"Mirelto");
    EXPECT_EQ(fx->GetPresetCount(&count), S_OK);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(fx->GetPresetTitle(6, &s), S_OK);
    EXPECT_EQ(Text(s), L"Random");
    EXPECT_EQ(fx->GetCurrentPreset(&current), S_OK);
    EXPECT_EQ(current, 0);
    // Arguments the player must not pass are refused, not trusted.
    EXPECT_EQ(fx->GetCapabilities(nullptr), E_POINTER);
    EXPECT_EQ(fx->GetTitle(nullptr), E_POINTER);
    EXPECT_EQ(fx->GetPresetTitle(0, nullptr), E_POINTER);
    EXPECT_EQ(fx->GetPresetCount(nullptr), E_POINTER);
    EXPECT_EQ(fx->GetCurrentPreset(nullptr), E_POINTER);
    EXPECT_EQ(fx->GetPresetTitle(7, &s), E_INVALIDARG);
    EXPECT_EQ(fx->GetPresetTitle(-1, &s), E_INVALIDARG);
    EXPECT_EQ(fx->SetCurrentPreset(7), E_INVALIDARG);
    EXPECT_EQ(fx->SetCurrentPreset(6), S_OK);
    EXPECT_EQ(fx->GetCurrentPreset(&current), S_OK);
    EXPECT_EQ(current, 6);
    EXPECT_EQ(fx->GoFullscreen(TRUE), E_NOTIMPL);
    EXPECT_EQ(fx->RenderFullScreen(nullptr), E_NOTIMPL);
    LRESULT r = 0;
    EXPECT_EQ(fx->OnWindowMessage(WM_PAINT, 0, 0, &r), S_FALSE);
    EXPECT_EQ(fx->MediaInfo(2, 44100, nullptr), S_OK);
    // Out of order: frames before the player handed over its core.
    RECT area{0, 0, 64, 32};
    EXPECT_EQ(fx->Render(nullptr, nullptr, &area), E_FAIL);
    EXPECT_EQ(fx->RenderWindowed(nullptr, TRUE), E_FAIL);
    EXPECT_EQ(fx->NotifyNewMedia(nullptr), S_OK);
    EXPECT_EQ(fx->SetCore(nullptr), S_OK);
    EXPECT_EQ(fx->Destroy(), S_OK);
    EXPECT_EQ(fx->Release(), 0u);
    EXPECT_EQ(canUnload(), S_OK);

    wchar_t name[64] = {};
    EXPECT_GT(LoadStringW(module, 101, name, 64), 0);
    EXPECT_STREQ(name, L"Mirelto");
    EXPECT_GT(LoadStringW(module, 102, name, 64), 0);
    EXPECT_STREQ(name, L"Karaoke plug-in");
    FreeLibrary(module);
}

std::wstring ReadString(HKEY root, const wchar_t* path, const wchar_t* name) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(root, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"<none>";
    return buffer;
}

TEST(wmp_effect, registration_writes_and_removes_exactly_its_keys) {
    HMODULE module = LoadModule();
    ASSERT_NE(module, nullptr);
    auto reg = Export<DllFn>(module, "DllRegisterServer");
    auto unreg = Export<DllFn>(module, "DllUnregisterServer");
    ASSERT_TRUE(reg && unreg);
    const wchar_t* cls = L"CLSID\\{FD6DF2E2-881D-11d8-BA5E-0800100A00B9}";
    const wchar_t* server = L"CLSID\\{FD6DF2E2-881D-11d8-BA5E-0800100A00B9}\\InprocServer32";
    const wchar_t* props = L"SOFTWARE\\Microsoft\\MediaPlayer\\Objects\\Effects\\Mirelto\\Properties";
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(module, path, MAX_PATH);

    // Twice: a second registration over the first leaves the same keys.
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(reg(), S_OK);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, cls, nullptr), L"Mrwmp Class");
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, server, nullptr), path);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, server, L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, props, L"classid"), L"{FD6DF2E2-881D-11d8-BA5E-0800100A00B9}");
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, props, L"name"), L"res://mrwmp.dll/RT_STRING/#101");
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, props, L"description"), L"res://mrwmp.dll/RT_STRING/#102");
    }
    // COM now finds the class by its identifier alone.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IUnknown* created = nullptr;
    EXPECT_EQ(CoCreateInstance(wmp::kClsidEffect, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&created)),
              S_OK);
    if (created) created->Release();
    CoUninitialize();

    ASSERT_EQ(unreg(), S_OK);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, cls, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MediaPlayer\\Objects\\Effects\\Mirelto", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MediaPlayer\\Objects\\Effects", 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "the keys above the effect's own stay";
    RegCloseKey(key);
    EXPECT_EQ(unreg(), S_OK) << "unregistering twice is not an error";
    FreeLibrary(module);
}

TEST(wmp_effect, frames_attach_once_look_up_new_items_and_release_what_they_take) {
    Journal journal;
    g_journal = &journal;
    FakeCore core;
    FakeMedia song;
    song.url = L"C:\\Music\\song.mp3";
    core.controls.item = &song;
    HWND first = reinterpret_cast<HWND>(0x1000), second = reinterpret_cast<HWND>(0x2000);

    IEffects2* fx = wmp::CreateEffect(&MakeFake);
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(fx->NotifyNewMedia(&song), S_OK);  // no renderer yet: nothing happens
    EXPECT_EQ(journal.made, 0);
    ASSERT_EQ(fx->SetCore(&core), S_OK);
    EXPECT_EQ(core.refs, 2);
    fx->Create(first);

    struct Step {
        const char* what;
        double seconds;
        const wchar_t* url;  // null: keep
        int windowless;      // 0 RenderWindowed, 1 Render
        const char* expected;
    };
    const Step steps[] = {
        // The first frame of a track mid-way still looks the lyrics up.
        {"first frame", 5.0, nullptr, 0, "random off;select 0;stop;attach window;lookup C:\\Music\\song.mp3;draw 5000;"},
        {"steady", 5.1234, nullptr, 0, "draw 5123;"},
        {"back to the start of the same item", 0.1, nullptr, 0, "draw 100;"},
        {"next item at its start", 0.2, L"C:\\Music\\next.mp3", 0, "lookup C:\\Music\\next.mp3;draw 200;"},
        {"a new item past the window is left to NotifyNewMedia", 0.5, L"C:\\Music\\third.mp3", 0, "draw 500;"},
        {"switch to the device context", 0.6, nullptr, 1, "stop;attach windowless 64;draw dc 600;"},
        {"stays windowless", 0.7, nullptr, 1, "draw dc 700;"},
        {"back to the window", 0.8, nullptr, 0, "stop;attach window;draw 800;"},
        // Before the start (a player's pre-roll): inside the new-item window.
        {"negative positions pass through", -0.25, nullptr, 0, "lookup C:\\Music\\third.mp3;draw -250;"},
    };
    RECT area{0, 0, 64, 32};
    for (const Step& s : steps) {
        core.controls.position = s.seconds;
        if (s.url) song.url = s.url;
        const HRESULT hr = s.windowless ? fx->Render(nullptr, nullptr, &area) : fx->RenderWindowed(nullptr, TRUE);
        EXPECT_EQ(hr, S_OK) << s.what;
        EXPECT_EQ(journal.Take(), s.expected) << s.what;
        EXPECT_EQ(core.controls.refs, 1) << s.what << ": controls held past the frame";
        EXPECT_EQ(song.refs, 1) << s.what << ": media item held past the frame";
    }
    song.url = L"C:\\Music\\fourth.mp3";
    EXPECT_EQ(fx->NotifyNewMedia(&song), S_OK);
    EXPECT_EQ(journal.Take(), "lookup C:\\Music\\fourth.mp3;");
    EXPECT_EQ(fx->NotifyNewMedia(&song), S_OK);
    EXPECT_EQ(journal.Take(), "") << "the same address is not looked up twice";

    // The player re-creates its window: the renderer follows it.
    fx->Destroy();
    fx->Create(second);
    core.controls.position = 9;
    EXPECT_EQ(fx->RenderWindowed(nullptr, TRUE), S_OK);
    EXPECT_EQ(journal.Take(), "stop;attach window;draw 9000;");

    // Choosing "Random" while running reaches the renderer at once.
    EXPECT_EQ(fx->SetCurrentPreset(6), S_OK);
    EXPECT_EQ(journal.Take(), "random on;select -1;");
    journal.failSelect = true;
    EXPECT_EQ(fx->SetCurrentPreset(2), E_FAIL);
    EXPECT_EQ(journal.Take(), "random off;select 2;");
    journal.failSelect = false;
    EXPECT_EQ(fx->Release(), 0u);
    EXPECT_EQ(core.refs, 1) << "the core is released with the effect";
    EXPECT_EQ(journal.made, 1);
    g_journal = nullptr;
}

TEST(wmp_effect, a_failing_renderer_is_destroyed_and_the_next_frame_starts_afresh) {
    Journal journal;
    g_journal = &journal;
    FakeCore core;
    FakeMedia song;
    song.url = L"C:\\Music\\song.mp3";
    core.controls.item = &song;
    IEffects2* fx = wmp::CreateEffect(&MakeFake);
    fx->SetCore(&core);
    fx->Create(reinterpret_cast<HWND>(0x1000));
    ASSERT_EQ(fx->SetCurrentPreset(6), S_OK);  // stored only: there is no renderer yet
    EXPECT_EQ(journal.Take(), "");

    journal.failSelect = true;
    core.controls.position = 30;
    EXPECT_EQ(fx->RenderWindowed(nullptr, TRUE), E_FAIL);
    EXPECT_EQ(journal.Take(), "random on;select -1;stop;destroyed;");
    journal.failSelect = false;
    EXPECT_EQ(fx->RenderWindowed(nullptr, TRUE), S_OK);
    EXPECT_EQ(journal.Take(), "random on;select -1;stop;attach window;lookup C:\\Music\\song.mp3;draw 30000;");
    EXPECT_EQ(journal.made, 2);
    EXPECT_EQ(fx->SetCore(nullptr), S_OK);
    EXPECT_EQ(core.refs, 1);
    EXPECT_EQ(fx->RenderWindowed(nullptr, TRUE), E_FAIL) << "no core, no frame";
    fx->Release();
    g_journal = nullptr;
}

// The module with its real renderer, as the player runs it: frames drawn into
// the player's device context show the lyrics beside the playing item and
// follow its position; an item without lyrics shows the background alone.
TEST(wmp_effect, the_module_draws_the_lyrics_of_the_playing_item) {
    test::ScopedTempDir dir;
    ASSERT_TRUE(test::WriteFileBytes(dir.Path(u"song.lrc"), "[00:01.00]<00:01.00>Hello <00:02.00>world\n"
                                                            "[00:03.00]<00:03.00>second <00:04.00>line\n"));
    const std::u16string media = dir.Path(u"song.mp3");
    HMODULE module = LoadModule();
    ASSERT_NE(module, nullptr);
    auto getClass = Export<DllGetClassObjectFn>(module, "DllGetClassObject");
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClass(wmp::kClsidEffect, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IEffects2* fx = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, wmp::kIidEffects2, reinterpret_cast<void**>(&fx)), S_OK);
    factory->Release();

    FakeCore core;
    FakeMedia item;
    item.url.assign(media.begin(), media.end());
    core.controls.item = &item;
    ASSERT_EQ(fx->SetCore(&core), S_OK);

    constexpr int kW = 320, kH = 120;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = kW;
    bi.bmiHeader.biHeight = -kH;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT area{0, 0, kW, kH};
    auto frame = [&](double seconds) {
        core.controls.position = seconds;
        EXPECT_EQ(fx->Render(nullptr, dc, &area), S_OK);
        GdiFlush();
        return std::vector<uint32_t>(bits, bits + kW * kH);
    };
    auto colours = [](const std::vector<uint32_t>& px) { return std::set<uint32_t>(px.begin(), px.end()).size(); };

    const auto early = frame(1.2);
    const auto later = frame(1.8);
    EXPECT_GT(colours(early), 2u) << "the lyrics are drawn";
    EXPECT_NE(early, later) << "the highlight follows the position";
    EXPECT_EQ(core.controls.refs, 1);
    EXPECT_EQ(item.refs, 1);

    // The player moves on to an item without lyrics: only the background.
    const std::u16string other = dir.Path(u"nothing.mp3");
    item.url.assign(other.begin(), other.end());
    const auto none = frame(0.1);
    EXPECT_EQ(colours(none), 1u);

    EXPECT_EQ(fx->Release(), 0u);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    FreeLibrary(module);
}

}  // namespace
}  // namespace mr
