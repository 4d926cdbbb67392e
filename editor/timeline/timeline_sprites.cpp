#include "editor/timeline/timeline_sprites.h"

#include "editor/store/timing_list.h"
#include "editor/timeline/timeline_geometry.h"

namespace mr::timeline {

const ToolName kToolNames[kToolCount] = {
    {kToolInsert, u"Insert"}, {kToolRemove, u"Remove"},         {kToolCombine, u"Combine"},
    {kToolSplit, u"Split"},   {kToolAdjust, u"Adjust"},         {kToolMove, u"Move"},
    {kToolMoveFollowing, u"Move ++"}, {kToolDuplicate, u"Duplicate"}, {kToolJumpHere, u"Jump here"},
};

namespace {

int ToolSlot(uint32_t tool) {
    for (int i = 0; i < kToolCount; ++i)
        if (kToolNames[i].tool == tool) return i;
    return -1;
}

// Captions: three rows of three 85 × 16 cells from y 32; labels: three rows
// of three 85 × 21 cells from y 80, the highlighted forms from y 143.
constexpr int kCaptionTop = 32;
constexpr int kCaptionHeight = 16;
constexpr int kLabelTop = 80;
constexpr int kLabelHighTop = kLabelTop + 3 * kLabelHeight;

}  // namespace

SpriteRect StepIcon(bool forward, bool highlighted) {
    int16_t x = static_cast<int16_t>(16 + (forward ? 32 : 0) + (highlighted ? 16 : 0));
    return {x, 0, 16, 16};
}

SpriteRect Glyph(int g) {
    if (g >= 0 && g <= 9) return {static_cast<int16_t>(g * 8), 16, 7, 16};
    if (g == kGlyphColon) return {80, 16, 4, 16};
    if (g == kGlyphPoint) return {84, 16, 4, 16};
    if (g == kGlyphPercent) return {88, 16, 9, 16};
    return {0, 0, 0, 0};
}

int GlyphAdvance(int g) {
    if (g == kGlyphColon || g == kGlyphPoint) return 4;
    if (g == kGlyphPercent) return 9;
    return 7;
}

SpriteRect Caption(uint32_t tool) {
    int k = ToolSlot(tool);
    if (k < 0) return {0, 0, 0, 0};
    return {static_cast<int16_t>(k % 3 * kLabelWidth), static_cast<int16_t>(kCaptionTop + k / 3 * kCaptionHeight),
            kLabelWidth, kCaptionHeight};
}

SpriteRect Label(uint32_t tool, bool highlighted) {
    int k = ToolSlot(tool);
    if (k < 0) return {0, 0, 0, 0};
    int top = highlighted ? kLabelHighTop : kLabelTop;
    return {static_cast<int16_t>(k % 3 * kLabelWidth), static_cast<int16_t>(top + k / 3 * kLabelHeight),
            kLabelWidth, kLabelHeight};
}

}  // namespace mr::timeline
