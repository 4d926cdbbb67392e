// presetdlg: opens the plug-ins' options dialog over the presets in the
// registry, without a player, and saves what OK applied when it closes.
// Exit code: the number of presets changed.
#include <windows.h>
#include <objbase.h>

#include "presets/options_dialog_win.h"
#include "presets/preset_environment_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the folder browser needs it
    int changed = 0;
    {
        mr::PresetStore store(mr::ScreenPresetEnvironment());
        changed = mr::ShowOptions(nullptr, store);
    }  // the store writes the changed presets as it goes
    CoUninitialize();
    return changed;
}
