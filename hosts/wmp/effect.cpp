#include "hosts/wmp/effect.h"

#include <oleauto.h>

#include <atomic>
#include <cmath>
#include <new>

namespace mr::wmp {

namespace {

std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_locks{0};

// The player's objects are released on every path out of a frame.
template <typename T>
class Held {
public:
    Held() = default;
    ~Held() {
        if (p_) p_->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class HeldString {
public:
    ~HeldString() { SysFreeString(s_); }
    BSTR* Out() { return &s_; }
    BSTR Get() const { return s_; }

private:
    BSTR s_ = nullptr;
};

// Seconds to whole milliseconds, truncated toward zero; a position the
// player cannot express (NaN, beyond 24 days) is clamped.
int32_t PositionMs(double seconds) {
    const double ms = std::trunc(seconds * 1000.0);
    if (!(ms == ms)) return 0;
    if (ms >= 2147483647.0) return INT32_MAX;
    if (ms <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(ms);
}

HRESULT NewString(const wchar_t* text, BSTR* out) {
    *out = SysAllocString(text);
    return *out ? S_OK : E_FAIL;
}

class Effect final : public IEffects2 {
public:
    explicit Effect(RendererFactory factory) : factory_(factory) { ++g_objects; }
    ~Effect() {
        DestroyRenderer();
        if (core_) core_->Release();
        --g_objects;
    }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == kIidEffects || riid == kIidEffects2) {
            *ppv = static_cast<IEffects2*>(this);
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

    // IEffects
    HRESULT STDMETHODCALLTYPE Render(TimedLevel*, HDC hdc, RECT* rect) override {
        if (!rect) return E_POINTER;
        return Frame(kWindowless, hdc, rect);
    }
    HRESULT STDMETHODCALLTYPE MediaInfo(LONG, LONG, BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override {
        if (!capabilities) return E_POINTER;
        *capabilities = kEffectHasPropertyPage;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTitle(BSTR* title) override {
        if (!title) return E_POINTER;
        return NewString(L"Mirelto", title);
    }
    HRESULT STDMETHODCALLTYPE GetPresetTitle(LONG preset, BSTR* title) override {
        if (!title) return E_POINTER;
        *title = nullptr;
        if (preset < 0 || preset >= kPresetChoices) return E_INVALIDARG;
        if (preset == kRandomChoice) return NewString(L"Random", title);
        std::u16string name;
        if (!hosts::PresetName(static_cast<int>(preset), &name)) return E_FAIL;
        return NewString(reinterpret_cast<const wchar_t*>(name.c_str()), title);
    }
    HRESULT STDMETHODCALLTYPE GetPresetCount(LONG* count) override {
        if (!count) return E_POINTER;
        *count = kPresetChoices;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentPreset(LONG preset) override {
        if (preset < 0 || preset >= kPresetChoices) return E_INVALIDARG;
        choice_ = preset;
        if (renderer_ && !ApplyChoice()) return E_FAIL;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentPreset(LONG* preset) override {
        if (!preset) return E_POINTER;
        *preset = choice_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DisplayPropertyPage(HWND owner) override {
        return hosts::ShowPluginOptions(owner) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GoFullscreen(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenderFullScreen(TimedLevel*) override { return E_NOTIMPL; }

    // IEffects2
    HRESULT STDMETHODCALLTYPE SetCore(IWMPCore* core) override {
        if (core_) core_->Release();
        core_ = core;
        if (core_) core_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Create(HWND parent) override {
        hostWindow_ = parent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Destroy() override {
        hostWindow_ = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyNewMedia(IWMPMedia* media) override {
        if (!renderer_) return S_OK;
        if (!media) return E_POINTER;
        LookUpIfNew(media);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE RenderWindowed(TimedLevel*, BOOL) override {
        return Frame(kWindowed, nullptr, nullptr);
    }

private:
    static constexpr int kWindowed = 1;
    static constexpr int kWindowless = 2;

    bool ApplyChoice() {
        const bool random = choice_ == kRandomChoice;
        renderer_->SetRandomPreset(random);
        return renderer_->SelectPreset(random ? -1 : static_cast<int>(choice_)) != 0;
    }

    // The renderer's threads stop before it goes, and the next renderer looks
    // the lyrics up again.
    void DestroyRenderer() {
        if (!renderer_) return;
        renderer_->Stop();
        renderer_.reset();
        lastMedia_.clear();
    }

    // Runs the lookup when the item's address differs from the last one.
    void LookUpIfNew(IWMPMedia* media) {
        HeldString url;
        if (FAILED(media->get_sourceURL(url.Out())) || !url.Get()) return;
        const std::u16string_view address(reinterpret_cast<const char16_t*>(url.Get()), SysStringLen(url.Get()));
        if (address == lastMedia_) return;
        lastMedia_.assign(address);
        renderer_->LoadLyricsForMedia(address);
    }

    HRESULT Frame(int mode, HDC hdc, const RECT* rect) {
        if (!core_) return E_FAIL;
        bool fresh = false;
        if (!renderer_) {
            renderer_ = factory_ ? factory_() : nullptr;
            if (!renderer_) return E_FAIL;
            if (!ApplyChoice()) {
                DestroyRenderer();
                return E_FAIL;
            }
            fresh = true;
        }
        // A switch of presentation, or a window the player re-created, attaches
        // the renderer again; otherwise it keeps drawing where it is.
        const bool attached = renderer_->Mode() == mode && (mode == kWindowless || renderer_->Window() == hostWindow_);
        if (!attached) {
            renderer_->Stop();
            const int ok = mode == kWindowless ? renderer_->AttachWindowless(*rect) : renderer_->AttachWindow(hostWindow_);
            if (!ok) {
                DestroyRenderer();
                return E_FAIL;
            }
        }

        Held<IWMPControls> controls;
        if (FAILED(core_->get_controls(controls.Out())) || !controls) return E_FAIL;
        double seconds = 0;
        if (FAILED(controls->get_currentPosition(&seconds))) seconds = 0;
        const int32_t position = PositionMs(seconds);

        if (position < kNewItemWindowMs || fresh) {
            Held<IWMPMedia> item;
            // MinGW's wmp.h names the currentItem getter without its get_ prefix;
            // the vtable slot is the player's.
            if (SUCCEEDED(controls->currentItem(item.Out())) && item) LookUpIfNew(item.Get());
        }
        const int drawn = mode == kWindowless ? renderer_->DrawToDC(position, hdc, *rect) : renderer_->DrawToWindow(position);
        return drawn ? S_OK : E_FAIL;
    }

    std::atomic<LONG> refs_{1};
    RendererFactory factory_;
    HWND hostWindow_ = nullptr;
    IWMPCore* core_ = nullptr;
    std::unique_ptr<hosts::HostRenderer> renderer_;
    LONG choice_ = 0;
    std::u16string lastMedia_;
};

}  // namespace

IEffects2* CreateEffect(RendererFactory factory) {
    return new (std::nothrow) Effect(factory);
}

LONG LiveModuleObjects() {
    return g_objects + g_locks;
}

void ModuleLock(bool lock) {
    if (lock)
        ++g_locks;
    else
        --g_locks;
}

}  // namespace mr::wmp
