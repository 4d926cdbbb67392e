#pragma once
// The main frame's arithmetic, apart from the windows it moves: where the
// panes go for a client size, where the pane border can be grabbed and
// dragged, how a change seen in the text pane becomes one replacement in the
// document store, and how pasted text becomes the store's line breaks.
// Pixels are client coordinates of the main window; text positions are
// UTF-16 units of the text pane, which equal cells of the store.

#include <cstdint>
#include <string>
#include <string_view>

namespace mr {

struct PaneRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PaneRect&) const = default;
};

inline constexpr int32_t kDefaultPaneBorder = 266;
inline constexpr int32_t kStatusParts = 6;

struct FrameLayoutInput {
    int32_t width = 0;         // client area
    int32_t height = 0;
    int32_t statusHeight = 0;  // the status bar's own height
    int32_t rebarHeight = 0;   // the rebar's height at full width
    int32_t border = kDefaultPaneBorder;  // y of the border between the panes
    int32_t tabWidth = 0;      // the tab control's own size
    int32_t tabHeight = 0;
};

struct FrameLayout {
    int32_t statusRight[kStatusParts] = {};  // right edges; the last is −1 (to the end)
    int32_t height = 0;   // client height above the status bar
    int32_t border = 0;   // the border after clamping
    PaneRect timeline;
    PaneRect lower;       // the text pane or the picture list
    PaneRect tab;         // the tab control, in the main window's client
    PaneRect tabHolder;   // its container window
};

// The status bar takes its height off the bottom, the rebar T off the top;
// the border stays at most 26 pixels above the status bar; the timeline
// fills T + 3 … B − 3, the lower pane B + 3 … H − 3, both 3 pixels in from
// the sides; the tab strip's bottom edge lies at B + 1.
FrameLayout LayOutFrame(const FrameLayoutInput& in);

// True where the pane border can be grabbed: within 3 pixels of the border,
// not above the rebar, at least 3 pixels from either side.
bool OnPaneBorder(int32_t x, int32_t y, int32_t width, int32_t rebarHeight, int32_t border);
// The ghost bar's y during a drag: T + 28 … H − 24 (H above the status bar).
int32_t ClampGhostBar(int32_t y, int32_t rebarHeight, int32_t height);

// One replacement: deleteCount units at deletePos of the old text, then
// insertCount units at insertPos of the text after the deletion.
struct TextChange {
    int32_t deletePos = 0;
    int32_t deleteCount = 0;
    int32_t insertPos = 0;
    int32_t insertCount = 0;
    bool operator==(const TextChange&) const = default;
};

// What an edit replaced, from the selection just before it [selStart,
// selEnd), the caret just after it and the lengths before and after: the
// edit began at the smaller of the selection start and the new caret and
// inserted up to the new caret. False when these do not describe a single
// replacement of the old text (the caller then compares the texts).
bool ChangeFromSelection(int32_t oldLength, int32_t newLength, int32_t selStart, int32_t selEnd, int32_t caret,
                         TextChange* change);
// The smallest replacement turning `before` into `after`: common prefix and
// suffix kept.
TextChange DiffTexts(std::u16string_view before, std::u16string_view after);

// Clipboard text as the store takes it: up to the first NUL; every CR
// stays, an LF right after a CR is dropped, and so is an LF right after such
// a dropped LF; any other LF becomes a CR.
std::u16string PasteText(const char16_t* text, size_t units);

}  // namespace mr
