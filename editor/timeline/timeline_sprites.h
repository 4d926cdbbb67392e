#pragma once
// Where each picture of the timeline's sprite texture lies: the colour
// swatch, the step-button icons, the glyphs of the time displays, the
// top-strip captions and the tool labels. The window layer draws the texture
// by this table; the scene builder maps its quads through it. Pixels of a
// kAtlasSize square texture.

#include <cstdint>

namespace mr::timeline {

inline constexpr int kAtlasSize = 256;
// Above this row the pictures are ink masks (white, coverage in alpha),
// tinted by the vertex colour; the labels below it are opaque pictures.
inline constexpr int kOpaqueTop = 80;

struct SpriteRect {
    int16_t x;
    int16_t y;
    int16_t w;
    int16_t h;
};

// A white block: modulated by the vertex colour it paints strips and bars.
inline constexpr SpriteRect kSwatch{0, 0, 8, 8};
// The step buttons' icons, 16 × 16, normal and highlighted.
SpriteRect StepIcon(bool forward, bool highlighted);
// Glyph `g` of the row "0123456789:.%" (see TimeGlyphs), and its advance in
// pixels (7 for digits, narrower separators).
SpriteRect Glyph(int g);
int GlyphAdvance(int g);
// "Creating waveform..." as one picture.
inline constexpr SpriteRect kCreatingCaption{100, 16, 130, 16};
// The caption of a tool (one TimelineTool bit) shown in the top strip, and
// its label beside the mouse (85 × 21), normal or highlighted. {0,0,0,0} for
// a value that is not one of the nine tools.
SpriteRect Caption(uint32_t tool);
SpriteRect Label(uint32_t tool, bool highlighted);
inline constexpr int kLabelWidth = 85;
inline constexpr int kLabelHeight = 21;

// The nine tools in the order of the label grid, with their names.
inline constexpr int kToolCount = 9;
struct ToolName {
    uint32_t tool;
    const char16_t* name;
};
extern const ToolName kToolNames[kToolCount];

}  // namespace mr::timeline
