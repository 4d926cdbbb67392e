#pragma once
// What the player plug-ins drive: the lyrics renderer, as both hosts use it,
// and the two preset services they offer their players (the preset names and
// the options dialog). Windows layer; everything is called on the host's
// drawing thread.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mr::hosts {

class HostRenderer {
public:
    virtual ~HostRenderer() = default;  // stops the renderer first

    // Presentation: into a window (presented directly), or off-screen at the
    // rectangle's size and copied into the host's device context. Non-zero on
    // success.
    virtual int AttachWindow(HWND window) = 0;
    virtual int AttachWindowless(const RECT& area) = 0;
    virtual int Mode() const = 0;          // 0 none, 1 windowed, 2 windowless
    virtual HWND Window() const = 0;       // the window of windowed mode
    virtual bool HasDevice() const = 0;
    // Releases the device and the picture-list scanner; safe to repeat.
    virtual void Stop() = 0;

    // index 0..5, or -1 for a random one when the random flag is set.
    virtual int SelectPreset(int index) = 0;
    virtual void SetRandomPreset(bool on) = 0;
    virtual bool RandomPreset() const = 0;
    virtual int CurrentPreset() const = 0;  // -1 until chosen
    virtual int NextPresetIndex() = 0;

    // The lyrics lookup for the media item's full path; 0 when a present
    // lyrics file cannot be read (nothing is shown then), 1 otherwise.
    virtual int LoadLyricsForMedia(std::u16string_view mediaPath) = 0;

    // Frames, at a player position in ms (the preset's delay is applied
    // inside). Non-zero when nothing failed.
    virtual int DrawToWindow(int32_t positionMs) = 0;
    virtual int DrawToDC(int32_t positionMs, HDC dc, const RECT& area) = 0;
    virtual int DrawFrame(int32_t positionMs) = 0;
    virtual int CheckMonitorAndSize(const RECT& area) = 0;
    virtual int ToggleFullScreen() = 0;
};

// A new renderer, or null when one cannot be made.
std::unique_ptr<HostRenderer> CreateHostRenderer();

// The name of preset 0..5 as the preset store holds it; false when the store
// cannot be read.
bool PresetName(int index, std::u16string* name);

// The plug-ins' options dialog, modal over parent (may be null). Non-zero
// when the dialog ran.
int ShowPluginOptions(HWND parent);

}  // namespace mr::hosts
