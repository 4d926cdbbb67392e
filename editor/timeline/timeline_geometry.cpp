#include "editor/timeline/timeline_geometry.h"

#include <algorithm>

#include "editor/store/timing_list.h"

namespace mr::timeline {

TimeSpan VisibleTimes(int32_t position, int32_t duration, int32_t width) {
    TimeSpan s;
    s.first = std::max<int64_t>(int64_t{position} - kPlayX, 0);
    s.last = std::min<int64_t>(duration, int64_t{width} + position - kPlayX);
    return s;
}

bool IsTimeVisible(int64_t t, int32_t position, int32_t duration, int32_t width) {
    TimeSpan s = VisibleTimes(position, duration, width);
    return t >= s.first && t < s.last;
}

int32_t ClampToDuration(int64_t t, int32_t duration) {
    if (duration <= 0 || t <= 0) return 0;
    if (t >= duration) return duration - 1;
    return static_cast<int32_t>(t);
}

int32_t MediaToTicks(int64_t media) {
    if (media <= 0) return 0;
    int64_t ticks = media / kMediaUnitsPerTick;
    return static_cast<int32_t>(std::min<int64_t>(ticks, kLastTick - 1));
}

Band BandAt(int32_t y) {
    if (!InEditingArea(y)) return Band::Outside;
    if (y <= 20) return Band::Blank;
    if (y <= 41) return Band::Remove;
    if (y <= 62) return Band::Move;
    if (y <= 83) return Band::Adjust;
    if (y <= 104) return Band::InsertSplit;
    if (y <= 125) return Band::MoveFollowing;
    if (y <= 146) return Band::Combine;
    return Band::JumpHere;
}

int32_t BandTopOfTool(uint32_t tool) {
    switch (tool) {
    case kToolRemove: return 21;
    case kToolMove: return 42;
    case kToolAdjust: return 63;
    case kToolInsert:
    case kToolSplit: return 84;
    case kToolMoveFollowing: return 105;
    case kToolCombine: return 126;
    case kToolJumpHere: return 147;
    default: return -1;
    }
}

uint32_t ToolOfBand(Band band, uint32_t mask, int viewMode) {
    uint32_t tool = 0;
    switch (band) {
    case Band::Remove: tool = kToolRemove; break;
    case Band::Move: tool = kToolMove; break;
    case Band::Adjust: tool = kToolAdjust; break;
    case Band::InsertSplit: tool = (mask & kToolInsert) ? kToolInsert : kToolSplit; break;
    case Band::MoveFollowing: tool = kToolMoveFollowing; break;
    case Band::Combine: tool = kToolCombine; break;
    case Band::JumpHere: tool = kToolJumpHere; break;
    default: return 0;
    }
    if (viewMode == kPictureView && tool != kToolAdjust && tool != kToolJumpHere) return 0;
    return (mask & tool) ? tool : 0;
}

Columns StepBackColumns(int32_t width) { return {width - 330, width - 315}; }
Columns StepForwardColumns(int32_t width) { return {width - 312, width - 297}; }
Columns SliderHitColumns(int32_t width) { return {width - 294, width - 91}; }

static bool Within(int32_t x, Columns c) { return x >= c.left && x <= c.right; }

Hover TopStripHover(int32_t x, int32_t y, int32_t width) {
    if (!InTopStrip(y)) return Hover::None;
    if (Within(x, StepBackColumns(width))) return Hover::OverBack;
    if (Within(x, StepForwardColumns(width))) return Hover::OverForward;
    if (Within(x, SliderHitColumns(width))) return Hover::OverSlider;
    return Hover::None;
}

int32_t SliderValueAt(int32_t x, int32_t width) {
    int64_t v = int64_t{x} - SliderOrigin(width);
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kSliderMax));
}

int32_t SliderTime(int32_t value, int32_t duration) {
    if (duration <= 0) return 0;
    value = std::clamp(value, 0, kSliderMax);
    int64_t t = (int64_t{duration} * value + kSliderMax - 1) / kSliderMax;
    return ClampToDuration(t, duration);
}

int32_t SliderValueOf(int32_t position, int32_t duration) {
    if (duration <= 0 || position <= 0) return 0;
    int64_t v = int64_t{position} * kSliderMax / duration;
    return static_cast<int32_t>(std::min<int64_t>(v, kSliderMax));
}

int32_t NudgePosition(int32_t position, int32_t direction, int32_t step, int32_t duration) {
    return ClampToDuration(int64_t{position} + int64_t{direction} * step, duration);
}

int32_t WheelAccumulator::Add(int32_t delta) {
    // A wheel delta is a 16-bit value; the sum stays far inside 32 bits.
    int64_t sum = int64_t{rest_} + delta;
    int64_t notches = sum / kNotch;  // toward zero: the remainder keeps its sign
    rest_ = static_cast<int32_t>(sum - notches * kNotch);
    return static_cast<int32_t>(notches);
}

void TimeGlyphs(int64_t ticks, uint8_t (&glyphs)[kTimeTextLength]) {
    constexpr int64_t kMaxShown = 100 * 360000 - 1;  // 99:59:59.99
    ticks = std::clamp<int64_t>(ticks, 0, kMaxShown);
    int64_t fields[4] = {ticks / 360000, ticks % 360000 / 6000, ticks % 6000 / 100, ticks % 100};
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) glyphs[n++] = static_cast<uint8_t>(i == 3 ? kGlyphPoint : kGlyphColon);
        glyphs[n++] = static_cast<uint8_t>(fields[i] / 10);
        glyphs[n++] = static_cast<uint8_t>(fields[i] % 10);
    }
}

void FormatTime(int64_t ticks, char16_t (&text)[kTimeTextLength + 1]) {
    uint8_t g[kTimeTextLength];
    TimeGlyphs(ticks, g);
    for (int i = 0; i < kTimeTextLength; ++i)
        text[i] = g[i] == kGlyphColon ? u':' : g[i] == kGlyphPoint ? u'.' : static_cast<char16_t>(u'0' + g[i]);
    text[kTimeTextLength] = 0;
}

}  // namespace mr::timeline
