#pragma once
// TimelineScene: one frame of the timeline as vertices, ready for the device:
// a line list (the mouse cursor line, one column per visible peak pair in the
// colour of the entry at its time, the play cursor) and textured triangles
// mapped through the sprite table (the timing and picture strips, the top
// strip, the tool labels beside the mouse). Built under the document lock;
// the buffers are reserved once and reused by every frame.

#include <cstdint>
#include <vector>

#include "editor/timeline/timeline_input.h"

namespace mr {
class SyncDocument;
}

namespace mr::timeline {

// Pre-transformed coloured vertex (20 bytes) and textured one (28 bytes), in
// the layouts of the device's vertex formats. Colours are ARGB.
struct LineVertex {
    float x, y, z, rhw;
    uint32_t color;
};
struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(LineVertex) == 20);
static_assert(sizeof(SpriteVertex) == 28);

// The four colours of the editor settings, as opaque ARGB (OpaqueArgb).
struct SceneColors {
    uint32_t entryEven = 0xFF0000FF;  // waveform inside entries of even index
    uint32_t entryOdd = 0xFF00A000;   // inside entries of odd index
    uint32_t gap = 0xFF808080;        // in gaps, past the last entry, other views
    uint32_t cursor = 0xFFFF0000;     // play cursor and mouse line
    uint32_t suggested = 0xFFFF9020;  // entries proposed by Suggest Timing, not yet touched
};

// Rows of the strips in the lyrics view; the picture view swaps them.
inline constexpr int32_t kStripUpperRow = 157;
inline constexpr int32_t kStripLowerRow = 163;
inline constexpr int32_t kStripRows = 4;
// The waveform's zero line: a column spans y 83 − maximum … 84 − minimum.
inline constexpr int32_t kZeroRow = 83;
// Labels are drawn translucent.
inline constexpr uint32_t kLabelAlpha = 192;

class TimelineScene {
public:
    TimelineScene();

    // Builds the frame of `state` over `doc` (the caller holds the document
    // lock). Replaces the previous frame's vertices.
    void Build(SyncDocument& doc, const TimelineState& state, const SceneColors& colors);

    const std::vector<LineVertex>& Lines() const { return lines_; }
    const std::vector<SpriteVertex>& Sprites() const { return sprites_; }
    int LineCount() const { return static_cast<int>(lines_.size() / 2); }
    int TriangleCount() const { return static_cast<int>(sprites_.size() / 3); }

private:
    void Line(float x0, float y0, float x1, float y1, uint32_t color);
    void Quad(float x, float y, float w, float h, const struct SpriteRect& r, uint32_t color);
    void Bar(int64_t x0, int64_t x1, int32_t y, int32_t h, uint32_t color, int32_t width);
    void Waveform(SyncDocument& doc, const TimelineState& s, const SceneColors& c);
    void Strips(SyncDocument& doc, const TimelineState& s, const SceneColors& c);
    void TopStrip(const TimelineState& s, const SceneColors& c);
    void Labels(const TimelineState& s);
    int Time(int32_t x, int64_t ticks, uint32_t color);

    std::vector<LineVertex> lines_;
    std::vector<SpriteVertex> sprites_;
};

// The colour of time t in `doc` for the view: walks forward from the entry
// of the previous call, so a frame's columns cost one step each. Reset it for
// every frame (times must then increase).
class EntryColourWalk {
public:
    // Lyrics-view entries [suggestedFirst, suggestedEnd) take the suggested
    // colour.
    EntryColourWalk(SyncDocument& doc, int viewMode, const SceneColors& colors, int32_t suggestedFirst = 0,
                    int32_t suggestedEnd = 0) :
        doc_(doc), view_(viewMode), c_(colors), suggestedFirst_(suggestedFirst), suggestedEnd_(suggestedEnd) {}
    uint32_t At(int64_t t);
    // The index of the entry (picture) holding the last t asked, or −1.
    int32_t Index() const { return inside_ ? index_ : -1; }

private:
    void Load(int32_t i);
    SyncDocument& doc_;
    int view_;
    SceneColors c_;
    int32_t suggestedFirst_;
    int32_t suggestedEnd_;
    bool started_ = false;
    bool inside_ = false;
    int32_t index_ = -1;
    int32_t count_ = 0;
    int64_t start_ = 0;
    int64_t end_ = 0;
};

}  // namespace mr::timeline
