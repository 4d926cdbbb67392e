#pragma once
// Line layout: once per frame, which lines are on screen and in which row,
// the cache of rasterised lines in the text texture's slots, the highlight
// position of each row, and the textured quads that draw them (outline pass,
// then glyph pass, each split at the highlight into a sung part on the left
// and an unsung part on the right), written into vertex arrays the caller
// provides (the presenter's locked vertex buffers).
//
// The same code runs the editor's preview (one slot, the current line only,
// flat colours, times in ticks): LayoutPreview.
//
// No allocation per frame; the only calls out are to the LineRasteriser, at
// most twice per frame.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "presets/display_preset.h"
#include "render/position_lookup.h"
#include "render/wipe.h"

namespace mr {

inline constexpr int kMaxRows = 9;                 // n + 1 rows of an 8-line scrolling display
inline constexpr int kMaxRasterisedPerFrame = 2;   // a page turn spreads over frames
inline constexpr int32_t kPreviewTop = 167;        // the preview uses the timeline window below this y

// One row on screen, and one slot of the cache (line -1: empty slot).
struct RowRecord {
    int32_t line = -1;     // line ordinal in the document
    int32_t row = 0;       // 0-based row inside the line block
    int32_t width = 0;     // rasterised text width, rasteriser pixels (4 × screen when anti-aliased)
    int32_t xOffset = 0;   // text's left edge from the area's left edge, rasteriser pixels
    std::u16string_view text;
};

// The display settings the layout and the rasteriser read.
struct LayoutSettings {
    int32_t lines = 1;          // n, 1 to 8
    bool scroll = false;
    bool antiAliased = false;
    bool outline = false;
    int32_t vAlign = kAlignVCenter;
    int32_t vOffset = 0;        // screen pixels
    int32_t hAlign = kAlignHCenter;
    int32_t hOffset = 0;        // screen pixels
    int32_t hAlignOdd = kAlignHCenter;  // second-line pair: odd lines of a two-line display
    int32_t hOffsetOdd = 0;
    uint32_t outlineColor[2] = {0xFFFFFF, 0xFFFFFF};  // COLORREF: [0] unsung, [1] sung
    uint32_t textColor[2] = {0xFFFFFF, 0xFFFFFF};     // flat text colours (preview only)
};

// The layout's view of a preset (values clamped to their accepted ranges).
LayoutSettings LayoutSettingsFromPreset(const DisplayPreset& preset);

// Slots in the cache: n + 1 when scrolling with more than two lines, else n.
int SlotCountFor(int32_t lines, bool scroll);

// Left edge (rasteriser pixels) of a text `width` wide for line `line` in an
// area `areaWidth` screen pixels wide.
int32_t HorizontalPlacement(const LayoutSettings& settings, uint32_t line, int32_t width,
                            int32_t areaWidth);

// The rows of one frame. rows[0] is always the current line.
struct RowArrangement {
    RowRecord rows[kMaxRows];
    int count = 0;
    int32_t firstLine = 0;  // lowest and highest ordinal on screen
    int32_t lastLine = 0;
};

// Row arrangement for current line `current` of `lineCount` (texts left
// empty): scrolling with n = 1, n = 2 (alternating rows) and n >= 3 (current
// line in row n / 2), or paged.
void ArrangeRows(uint32_t current, uint32_t lineCount, int32_t lines, bool scroll,
                 RowArrangement* out);

// Fills one slot of the text texture with a line (the rasteriser).
class LineRasteriser {
public:
    virtual ~LineRasteriser() = default;
    // Draws row.text into slot `slot` and sets row.width and row.xOffset.
    // False when the slot could not be written (its texture would not lock):
    // the slot is then left empty and the line tried again on a later frame.
    virtual bool RasteriseLine(RowRecord& row, int slot) = 0;
    // Metrics in the font the lines are drawn with, for the wipe.
    virtual TextMetrics& Metrics() = 0;
};

// Vertices as the presenter draws them: pre-transformed, z 0.9, rhw 1.
// Outline (and preview) vertices: position, ARGB colour, one texture pair.
struct ColorVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
// Glyph vertices: position, the text texture's pair (stage 0) and the
// gradient texture's pair (stage 1).
struct GlyphVertex {
    float x, y, z, rhw;
    float u0, v0;
    float u1, v1;
};
static_assert(sizeof(ColorVertex) == 28 && sizeof(GlyphVertex) == 32);

// How the slots map to textures: one texture of slotCount × 2M rows, or,
// where the device cannot make one that tall, one texture of 2M rows per slot
// (the presenter then binds the slot's texture for each row's quads).
enum class SlotTextures { kShared, kPerSlot };

// The shared texture when the device can make one slotCount × 2M rows tall
// (maxTextureHeight, from the device's capabilities), else one per slot, so
// that a tall display falls back instead of showing no text.
SlotTextures ChooseSlotTextures(int slotCount, int32_t lineHeight, int32_t maxTextureHeight);

// Where one drawn row's quads are, for a presenter that binds a texture per slot.
struct RowDraw {
    int32_t slot = 0;
    uint32_t outlineFirst = 0;  // first vertex in the outline array (triangle list)
    uint32_t outlineVertices = 0;
    uint32_t glyphFirst = 0;    // first vertex in the glyph array (colour array in the preview)
    uint32_t glyphVertices = 0;
};

struct LayoutResult {
    uint32_t outlineTriangles = 0;  // two per outline quad
    uint32_t glyphVertices = 0;     // six per glyph quad (the preview: colour vertices of the text pass)
    int rasterised = 0;             // RasteriseLine calls this frame
    int drawCount = 0;
    RowDraw draws[kMaxRows];
};

// Geometry of the drawing area and the text cell.
struct LayoutArea {
    int32_t width = 1;       // W, pixels
    int32_t height = 1;      // H, pixels
    int32_t lineHeight = 1;  // M, pixels (the rasteriser's cell)
    SlotTextures textures = SlotTextures::kShared;
    // Texture extents where the textures are larger than what they hold
    // (devices that make only power-of-two textures); 0: the size held.
    int32_t textureWidth = 0;   // of the text textures (holding W columns)
    int32_t textureRows = 0;    // of one text texture (holding its slots' 2M rows each)
    int32_t gradientRows = 0;   // of the gradient texture (holding 2M rows)
};

class TextLayout {
public:
    TextLayout();

    // New settings or area (text resources rebuilt): empties every slot.
    void Configure(const LayoutSettings& settings, const LayoutArea& area);
    // Forgets every rasterised line (new document, text resources released).
    void EmptySlots();

    const LayoutSettings& Settings() const { return settings_; }
    const LayoutArea& Area() const { return area_; }
    int SlotCount() const { return slotCount_; }
    const RowRecord& Slot(int i) const { return slots_[i]; }

    // One frame of the players: the position lookup at display time `t`
    // (ms), the rows, at most two rasterisations, and the quads. Outline
    // vertices go to outline[0 .. outlineCapacity), glyph vertices to
    // glyph[0 .. glyphCapacity); quads that do not fit are dropped. Nothing is
    // laid out (all counts 0) when the tables hold no sync points or times.
    LayoutResult LayoutText(const SyncTables& tables, SyncCursor& cursor, int32_t t,
                            LineRasteriser& rasteriser, ColorVertex* outline,
                            size_t outlineCapacity, GlyphVertex* glyph, size_t glyphCapacity);

    // One frame of the editor's preview at `ticks`: the current line only, in
    // slot 0, re-rasterised whenever its text differs from the one last
    // rasterised, centred vertically below y = 167 (from y = 167 when that part
    // is not taller than a line), coloured with the settings' flat colours.
    // Writes the outline pass then the text pass (four quads at most) into
    // vertices; result.outlineTriangles and result.glyphVertices count them.
    // Nothing is drawn unless the area is more than 167 pixels high.
    LayoutResult LayoutPreview(const SyncTables& tables, SyncCursor& cursor, int32_t ticks,
                               LineRasteriser& rasteriser, ColorVertex* vertices,
                               size_t capacity);

private:
    // Highlight position K (screen pixels) for the current line's row.
    int32_t CurrentLineHighlight(const LineLocation& loc, const RowRecord& row,
                                 LineRasteriser& rasteriser);
    // The vertical texture coordinate of texel row `texelRow` of slot `slot`.
    float SlotV(int slot, int32_t texelRow) const;

    LayoutSettings settings_;
    LayoutArea area_;
    int slotCount_ = 1;
    RowRecord slots_[kMaxRows];
    LineMeasure measure_;
    int32_t measuredLine_ = -1;
    std::u16string previewText_;  // the text last rasterised by the preview
    bool previewValid_ = false;
};

}  // namespace mr
