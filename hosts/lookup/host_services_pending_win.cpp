// The plug-ins' renderer and preset services until the renderer and the
// preset store are linked in: no renderer can be made (every frame fails
// cleanly with E_FAIL), no preset name can be read and no dialog is shown.
#include "hosts/lookup/host_renderer.h"

namespace mr::hosts {

std::unique_ptr<HostRenderer> CreateHostRenderer() {
    return nullptr;
}

bool PresetName(int, std::u16string*) {
    return false;
}

int ShowPluginOptions(HWND) {
    return 0;
}

}  // namespace mr::hosts
