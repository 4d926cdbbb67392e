#pragma once
// The player's visualisation interfaces, declared from their published
// layout (MinGW ships the player's core, controls and media interfaces in
// wmp.h, but not these). The method order is the vtable order the player
// calls through; do not reorder.

#include <windows.h>
#include <wmp.h>

#include <cstddef>

namespace mr::wmp {

// Capability flags answered by GetCapabilities.
inline constexpr DWORD kEffectCanGoFullScreen = 0x1;
inline constexpr DWORD kEffectHasPropertyPage = 0x2;

inline constexpr int kSpectrumBufferSize = 1024;

// The audio levels the player passes with every frame.
struct TimedLevel {
    unsigned char frequency[2][kSpectrumBufferSize];
    unsigned char waveform[2][kSpectrumBufferSize];
    int state;            // 0 stopped, 1 paused, 2 playing
    LONGLONG timeStamp;   // 100-ns units
};
static_assert(offsetof(TimedLevel, state) == 4096);
static_assert(offsetof(TimedLevel, timeStamp) == 4104);
static_assert(sizeof(TimedLevel) == 4112);

// {D3984C13-C3CB-48E2-8BE5-5168340B4F35}
inline constexpr IID kIidEffects = {0xd3984c13, 0xc3cb, 0x48e2, {0x8b, 0xe5, 0x51, 0x68, 0x34, 0x0b, 0x4f, 0x35}};
// {695386EC-AA3C-4618-A5E1-DD9A8B987632}
inline constexpr IID kIidEffects2 = {0x695386ec, 0xaa3c, 0x4618, {0xa5, 0xe1, 0xdd, 0x9a, 0x8b, 0x98, 0x76, 0x32}};

class IEffects : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE Render(TimedLevel* levels, HDC hdc, RECT* rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE MediaInfo(LONG channels, LONG sampleRate, BSTR title) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTitle(BSTR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPresetTitle(LONG preset, BSTR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPresetCount(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCurrentPreset(LONG preset) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPreset(LONG* preset) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayPropertyPage(HWND owner) = 0;
    virtual HRESULT STDMETHODCALLTYPE GoFullscreen(BOOL fullScreen) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderFullScreen(TimedLevel* levels) = 0;
};

class IEffects2 : public IEffects {
public:
    virtual HRESULT STDMETHODCALLTYPE SetCore(IWMPCore* core) = 0;
    virtual HRESULT STDMETHODCALLTYPE Create(HWND parent) = 0;
    virtual HRESULT STDMETHODCALLTYPE Destroy() = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyNewMedia(IWMPMedia* media) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderWindowed(TimedLevel* levels, BOOL required) = 0;
};

}  // namespace mr::wmp
