#include "hosts/winamp/vis_rules.h"

namespace mr::winamp {

bool SavedFrameUsable(const ScreenRect& r, const ScreenRect& screen) {
    // 64-bit: saved values are arbitrary registry numbers.
    const int64_t width = int64_t(r.right) - r.left, height = int64_t(r.bottom) - r.top;
    const int64_t screenWidth = int64_t(screen.right) - screen.left;
    const int64_t screenHeight = int64_t(screen.bottom) - screen.top;
    return int64_t(r.left) < int64_t(screen.right) - 10 && int64_t(r.right) > int64_t(screen.left) + 10 &&
           int64_t(r.top) < int64_t(screen.bottom) - 10 && int64_t(r.bottom) > int64_t(screen.top) + 10 &&
           width >= kMinFrameSide && width <= screenWidth && height >= kMinFrameSide && height <= screenHeight;
}

CommandEffect PresetCommand(unsigned id, unsigned highWord, int current, bool random) {
    constexpr int kPresets = 6;
    CommandEffect e;
    e.handled = true;
    if (id >= 2000 && id <= 2005) {
        const int index = int(id - 2000);
        if (index != current) {
            e.select = true;
            e.selectIndex = index;
        }
    } else if (id == 2010) {
        if (!random) e.reportRandom = e.setRandom = 1;
        e.select = true;
        e.selectIndex = -1;
    } else if (id == 40382) {
        e.select = true;
        e.selectIndex = current < 0 || current >= kPresets - 1 ? 0 : current + 1;
    } else if (id == 40383) {
        e.select = true;
        e.selectIndex = current <= 0 || current >= kPresets ? kPresets - 1 : current - 1;
    } else if (id == 40384) {
        if (highWord == 0xFFFF) {
            // Winamp asks the module to turn random on, without a new preset.
            if (!random) e.reportRandom = e.setRandom = 1;
        } else {
            const bool wanted = highWord != 0;
            if (wanted != random) {
                e.setRandom = wanted ? 1 : 0;
                e.select = true;  // a random draw; nothing when random is now off
                e.selectIndex = -1;
            }
        }
    } else if (id == 40389) {
        e.fullScreen = true;
    } else if (id == 40390) {
        e.options = true;
    } else if (id == 40391) {
        e.menu = true;
    } else {
        e.handled = false;
    }
    return e;
}

}  // namespace mr::winamp
