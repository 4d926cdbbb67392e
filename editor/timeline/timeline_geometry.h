#pragma once
// Timeline geometry: the time mapping, the regions and tool bands of the
// timeline window, the top strip's hit areas, and the arithmetic of the
// slider, the step buttons, the wheel and the time displays.
//
// Units: x and y are client pixels; times are ticks of 10 ms (one tick is one
// pixel column); media times are 100-ns units, always 64-bit (a tick times
// 100000 passes 32 bits after 214.7 s). No zoom: the play position is drawn
// at x = kPlayX, so time(x) = position + x − kPlayX.

#include <cstdint>

namespace mr::timeline {

inline constexpr int32_t kPlayX = 250;
inline constexpr int64_t kMediaUnitsPerTick = 100000;

// Rows: the top strip is y 0 … 15, the editing area y 16 … 166.
inline constexpr int32_t kTopStripEnd = 16;
inline constexpr int32_t kEditTop = 16;
inline constexpr int32_t kEditEnd = 167;
inline bool InTopStrip(int32_t y) { return y >= 0 && y < kTopStripEnd; }
inline bool InEditingArea(int32_t y) { return y >= kEditTop && y < kEditEnd; }

// View modes of the window: the lyrics and the picture view edit; any other
// value shows a plain waveform.
inline constexpr int kLyricsView = 0;
inline constexpr int kPictureView = 1;

// Graph modes and play states as the command layer and the graph set them.
inline constexpr int kGraphNone = 0;
inline constexpr int kGraphDecoding = 1;
inline constexpr int kGraphDecoded = 2;
inline constexpr int kGraphReady = 3;
inline constexpr int kStateStopped = 1;
inline constexpr int kStatePaused = 2;
inline constexpr int kStatePlaying = 4;
inline constexpr int kStateSegmentEnded = 8;

// The time under column x; 64-bit so that no position overflows it.
inline int64_t TimeAt(int32_t position, int32_t x) { return int64_t{position} + x - kPlayX; }
// The column of time t.
inline int64_t ColumnOf(int32_t position, int64_t t) { return t - position + kPlayX; }

// The visible times [first, last): max(position − 250, 0) ≤ t <
// min(duration, width + position − 250). Empty (first ≥ last) when nothing
// of the waveform shows.
struct TimeSpan {
    int64_t first;
    int64_t last;
};
TimeSpan VisibleTimes(int32_t position, int32_t duration, int32_t width);
bool IsTimeVisible(int64_t t, int32_t position, int32_t duration, int32_t width);

// t within 0 … duration − 1; 0 when the duration is 0 (no waveform), so a
// position never becomes negative.
int32_t ClampToDuration(int64_t t, int32_t duration);
// Whether t is a time of the waveform (0 ≤ t < duration).
inline bool InDuration(int64_t t, int32_t duration) { return t >= 0 && t < duration; }

// Media time (100 ns) to ticks, toward zero, limited to the tick range of
// the store (0 … 2147483645); and back.
int32_t MediaToTicks(int64_t media);
inline int64_t TicksToMedia(int64_t ticks) { return ticks * kMediaUnitsPerTick; }

// --- Tool bands of the editing area.

enum class Band : int {
    Outside,  // not in the editing area
    Blank,    // y 16 … 20: no tool
    Remove,
    Move,
    Adjust,
    InsertSplit,
    MoveFollowing,
    Combine,
    JumpHere,
};
Band BandAt(int32_t y);
// The first row of the band that offers `tool` (one TimelineTool bit), where
// its label is drawn; −1 for a tool no band offers.
int32_t BandTopOfTool(uint32_t tool);
inline constexpr int32_t kBandRows = 21;

// The tool the band selects from `mask` (the tools that apply at the mouse):
// the band's tool when it is in the mask, else 0. The picture view acts only
// in the Adjust and Jump here bands.
uint32_t ToolOfBand(Band band, uint32_t mask, int viewMode);

// --- Top strip.

enum class Hover : int {
    None = 0,
    OverSlider = 1,
    DraggingSlider = 2,
    OverBack = 3,
    BackPressed = 4,
    OverForward = 5,
    ForwardPressed = 6,
};
// The hover state of (x, y) over the top strip of a window `width` wide.
Hover TopStripHover(int32_t x, int32_t y, int32_t width);

struct Columns {
    int32_t left;
    int32_t right;  // inclusive
};
Columns StepBackColumns(int32_t width);
Columns StepForwardColumns(int32_t width);
Columns SliderHitColumns(int32_t width);
// The slider's 0 … 200 track starts here.
inline int32_t SliderOrigin(int32_t width) { return width - 292; }
inline constexpr int32_t kSliderMax = 200;
// The slider value at column x: x − (width − 292) clamped to 0 … 200.
int32_t SliderValueAt(int32_t x, int32_t width);
// The tick a slider value stands for: duration × value / 200 rounded up,
// capped at duration − 1 (0 for no waveform).
int32_t SliderTime(int32_t value, int32_t duration);
// The slider value that shows `position` (0 … 200; 0 for no waveform).
int32_t SliderValueOf(int32_t position, int32_t duration);
// Columns of the texts and the caption in the top strip.
inline int32_t CaptionX(int32_t width) { return width - 518; }
inline int32_t MouseTimeX(int32_t width) { return width - 418; }
inline int32_t PlayTimeX(int32_t width) { return width - 70; }

// --- Step buttons: the sequence of nudge steps in ticks. The first step is
// 1, then every 30 ms a step that grows by 1 from 2 up to 8.
class NudgeSteps {
public:
    int32_t Next() {
        int32_t s = next_;
        if (next_ < kLargest) ++next_;
        return s;
    }
    static constexpr int32_t kLargest = 8;
    static constexpr int32_t kIntervalMs = 30;

private:
    int32_t next_ = 1;
};
// One nudge from position by `step` ticks in `direction` (−1, +1), kept
// within 0 … duration − 1.
int32_t NudgePosition(int32_t position, int32_t direction, int32_t step, int32_t duration);

// --- Wheel: deltas accumulate; every whole 120 is one notch, the
// remainder stays.
class WheelAccumulator {
public:
    // Adds a wheel delta; returns the whole notches taken out (positive:
    // wheel up, away from the user; negative: down).
    int32_t Add(int32_t delta);
    void Reset() { rest_ = 0; }
    int32_t Rest() const { return rest_; }
    static constexpr int32_t kNotch = 120;

private:
    int32_t rest_ = 0;
};

// --- Time displays: "hh:mm:ss.cc". hours = ticks / 360000, minutes = ticks
// mod 360000 / 6000, seconds = ticks mod 6000 / 100, hundredths = ticks mod
// 100. Negative times show as 0; times of 100 hours and more show as
// 99:59:59.99, so every character is a glyph of the sprite row.
inline constexpr int kTimeTextLength = 11;
// Writes the 11 characters and a NUL into text[12].
void FormatTime(int64_t ticks, char16_t (&text)[kTimeTextLength + 1]);
// The same as indices into the glyph row "0123456789:.%": 0 … 9 digits, 10
// ':', 11 '.'.
inline constexpr int kGlyphColon = 10;
inline constexpr int kGlyphPoint = 11;
inline constexpr int kGlyphPercent = 12;
inline constexpr int kGlyphCount = 13;
void TimeGlyphs(int64_t ticks, uint8_t (&glyphs)[kTimeTextLength]);

// Colours: a COLORREF (0x00BBGGRR) as opaque ARGB (0xFFRRGGBB).
inline uint32_t OpaqueArgb(uint32_t colorref) {
    return 0xFF000000u | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
}

}  // namespace mr::timeline
