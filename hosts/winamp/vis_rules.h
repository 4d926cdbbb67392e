#pragma once
// The Winamp module's decisions that need no window: whether a saved frame
// rectangle can be used, and what each preset command does. Portable, so the
// rules are tested natively; the module's window procedure carries them out.

#include <cstdint>

namespace mr::winamp {

struct ScreenRect {
    int32_t left, top, right, bottom;
    bool operator==(const ScreenRect&) const = default;
};

// The frame's rectangle when nothing usable was saved.
inline constexpr ScreenRect kDefaultFrameRect{0, 0, 275, 116};
inline constexpr int32_t kMinFrameSide = 32;

// A saved frame rectangle is used only when at least 10 pixels of it reach
// into the screen area and its size lies between 32 pixels and the screen's
// size on each side. screen: the whole virtual screen (all monitors), so that
// a frame left on a secondary monitor stays there.
bool SavedFrameUsable(const ScreenRect& saved, const ScreenRect& screen);

// What a command sent to the visualisation window asks of the module.
struct CommandEffect {
    bool handled = false;
    int reportRandom = -1;  // tell Winamp the random state (1 or 0); -1: no report
    int setRandom = -1;     // SetRandomPreset with 1 or 0; -1: unchanged
    bool select = false;    // SelectPreset(selectIndex) after the random change
    int selectIndex = 0;    // 0..5, or -1 for a random one
    bool fullScreen = false;
    bool options = false;
    bool menu = false;
};

// id: the command; highWord: the high word of its wParam; current: the
// current preset (0..5, -1 before one is chosen); random: the random-preset
// flag now.
CommandEffect PresetCommand(unsigned id, unsigned highWord, int current, bool random);

}  // namespace mr::winamp
