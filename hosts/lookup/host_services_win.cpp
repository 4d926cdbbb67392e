// The plug-ins' renderer and preset services: the lyrics renderer behind the
// hosts' interface, and the module's one preset store, shared by every
// renderer of the module, the preset names and the options dialog.
#include <memory>
#include <new>

#include "hosts/lookup/host_renderer.h"
#include "presets/options_dialog_win.h"
#include "presets/preset_environment_win.h"
#include "presets/preset_store.h"
#include "render/lyrics_renderer.h"

namespace mr::hosts {
namespace {

// Made on first use and kept until the module unloads, when it writes the
// changed presets back.
PresetStore& ModulePresetStore() {
    static PresetStore store(ScreenPresetEnvironment());
    return store;
}

class RendererAdapter final : public HostRenderer {
public:
    RendererAdapter() : renderer_(ModulePresetStore()) {}
    ~RendererAdapter() override { renderer_.Stop(); }

    int AttachWindow(HWND window) override { return renderer_.AttachWindow(window); }
    int AttachWindowless(const RECT& area) override { return renderer_.AttachWindowless(area); }
    int Mode() const override { return renderer_.Mode(); }
    HWND Window() const override { return renderer_.Window(); }
    bool HasDevice() const override { return renderer_.HasDevice(); }
    void Stop() override { renderer_.Stop(); }

    int SelectPreset(int index) override { return renderer_.SelectPreset(index); }
    void SetRandomPreset(bool on) override { renderer_.SetRandomPreset(on); }
    bool RandomPreset() const override { return renderer_.RandomPreset(); }
    int CurrentPreset() const override { return renderer_.CurrentPreset(); }
    int NextPresetIndex() override { return renderer_.NextPresetIndex(); }

    int LoadLyricsForMedia(std::u16string_view mediaPath) override { return renderer_.LoadLyricsForMedia(mediaPath); }

    int DrawToWindow(int32_t positionMs) override { return renderer_.DrawToWindow(positionMs); }
    int DrawToDC(int32_t positionMs, HDC dc, const RECT& area) override {
        return renderer_.DrawToDC(positionMs, dc, area);
    }
    int DrawFrame(int32_t positionMs) override { return renderer_.DrawFrame(positionMs); }
    int CheckMonitorAndSize(const RECT& area) override { return renderer_.CheckMonitorAndSize(area); }
    int ToggleFullScreen() override { return renderer_.ToggleFullScreen(); }

private:
    LyricsRenderer renderer_;
};

}  // namespace

std::unique_ptr<HostRenderer> CreateHostRenderer() {
    return std::unique_ptr<HostRenderer>(new (std::nothrow) RendererAdapter());
}

bool PresetName(int index, std::u16string* name) {
    return ModulePresetStore().GetPresetName(index, name);
}

int ShowPluginOptions(HWND parent) {
    // The dialog answers 0 both for Cancel and for no change, so "ran" is
    // judged by the store it edits being readable.
    PresetStore& store = ModulePresetStore();
    if (!store.EnsureLoaded()) return 0;
    ShowOptions(parent, store);
    return 1;
}

}  // namespace mr::hosts
