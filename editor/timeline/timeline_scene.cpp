#include "editor/timeline/timeline_scene.h"

#include <algorithm>

#include "editor/store/sync_document.h"
#include "editor/timeline/timeline_sprites.h"

namespace mr::timeline {

namespace {

// Room for a 4000-pixel-wide window without a reallocation.
constexpr size_t kReserveLines = 4100;
constexpr size_t kReserveQuads = 600;
constexpr uint32_t kTrack = 0xFFC0C0C0;

}  // namespace

// --- Entry colours.

void EntryColourWalk::Load(int32_t i) {
    index_ = i;
    if (i >= count_) return;
    if (view_ == kPictureView) {
        start_ = doc_.PictureStartTime(i);
        end_ = doc_.PictureStartTime(i + 1);
    } else {
        int32_t st = 0, en = 0;
        doc_.GetTiming(i, &st, &en);
        start_ = st;
        end_ = en;
    }
}

uint32_t EntryColourWalk::At(int64_t t) {
    inside_ = false;
    if (view_ != kLyricsView && view_ != kPictureView) return c_.gap;
    if (!started_) {
        started_ = true;
        int32_t t32 = static_cast<int32_t>(std::clamp<int64_t>(t, 0, kLastTick));
        int32_t i = -1;
        if (view_ == kPictureView) {
            count_ = doc_.PictureCount();
            i = doc_.FindPictureAt(t32);
            if (i < 0) i = t32 < 0 ? 0 : count_;
        } else {
            count_ = doc_.TimingCount();
            doc_.FindTiming(t32, &i);
            if (i < 0) i = count_;
        }
        Load(i);
    }
    while (index_ < count_ && t >= end_) Load(index_ + 1);
    inside_ = index_ < count_ && t >= start_ && t < end_;
    if (!inside_) return c_.gap;
    if (view_ == kLyricsView && index_ >= suggestedFirst_ && index_ < suggestedEnd_) return c_.suggested;
    return (index_ & 1) ? c_.entryOdd : c_.entryEven;
}

// --- Scene.

TimelineScene::TimelineScene() {
    lines_.reserve(kReserveLines * 2);
    sprites_.reserve(kReserveQuads * 6);
}

void TimelineScene::Line(float x0, float y0, float x1, float y1, uint32_t color) {
    lines_.push_back({x0, y0, 0.0f, 1.0f, color});
    lines_.push_back({x1, y1, 0.0f, 1.0f, color});
}

void TimelineScene::Quad(float x, float y, float w, float h, const SpriteRect& r, uint32_t color) {
    // Pre-transformed pixels sit half a pixel off the texel centres.
    const float x0 = x - 0.5f, y0 = y - 0.5f, x1 = x + w - 0.5f, y1 = y + h - 0.5f;
    const float inv = 1.0f / kAtlasSize;
    const float u0 = r.x * inv, v0 = r.y * inv, u1 = (r.x + r.w) * inv, v1 = (r.y + r.h) * inv;
    const SpriteVertex a{x0, y0, 0, 1, color, u0, v0}, b{x1, y0, 0, 1, color, u1, v0};
    const SpriteVertex c{x0, y1, 0, 1, color, u0, v1}, d{x1, y1, 0, 1, color, u1, v1};
    sprites_.insert(sprites_.end(), {a, b, c, b, d, c});
}

void TimelineScene::Bar(int64_t x0, int64_t x1, int32_t y, int32_t h, uint32_t color, int32_t width) {
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, width);
    if (x1 <= x0) return;
    SpriteRect inner{2, 2, 4, 4};  // inside the swatch: no filtering from its edge
    Quad(static_cast<float>(x0), static_cast<float>(y), static_cast<float>(x1 - x0), static_cast<float>(h), inner,
         color);
}

void TimelineScene::Build(SyncDocument& doc, const TimelineState& s, const SceneColors& c) {
    lines_.clear();
    sprites_.clear();
    const bool playing = s.Playing();
    if (s.Ready() && s.focus && s.MouseInEditingArea() && !playing &&
        InDuration(TimeAt(s.position, s.mouseX), s.duration)) {
        float x = static_cast<float>(s.mouseX);
        Line(x, 17, x, 152, c.cursor);
    }
    Waveform(doc, s, c);
    const float top = s.focus ? 53.0f : 73.0f, bottom = s.focus ? 115.0f : 95.0f;
    Line(kPlayX, top, kPlayX, bottom, c.cursor);
    Line(245, kZeroRow, 257, kZeroRow, c.cursor);

    Strips(doc, s, c);
    TopStrip(s, c);
    Labels(s);
}

void TimelineScene::Waveform(SyncDocument& doc, const TimelineState& s, const SceneColors& c) {
    if (!s.peaks || s.duration <= 0 || s.graphMode == kGraphDecoding) return;
    TimeSpan span = VisibleTimes(s.position, s.duration, s.width);
    EntryColourWalk walk(doc, s.viewMode, c, s.suggestedFirst, s.suggestedEnd);
    for (int64_t t = span.first; t < span.last; ++t) {
        const int8_t hi = s.peaks[2 * t], lo = s.peaks[2 * t + 1];
        if (hi == 0 && lo == 0) continue;
        const float x = static_cast<float>(ColumnOf(s.position, t));
        Line(x, static_cast<float>(kZeroRow - hi), x, static_cast<float>(kZeroRow + 1 - lo), walk.At(t));
    }
}

void TimelineScene::Strips(SyncDocument& doc, const TimelineState& s, const SceneColors& c) {
    if (s.graphMode != kGraphReady) return;
    const bool pictureView = s.viewMode == kPictureView;
    const int32_t timingRow = pictureView ? kStripLowerRow : kStripUpperRow;
    const int32_t pictureRow = pictureView ? kStripUpperRow : kStripLowerRow;
    const int64_t first = std::max<int64_t>(int64_t{s.position} - kPlayX, 0);
    const int64_t last = int64_t{s.position} - kPlayX + s.width;
    if (last <= first) return;

    // Timing entries overlapping the window, from the one at (or after) its
    // first time.
    int32_t count = doc.TimingCount();
    int32_t i = -1;
    doc.FindTiming(static_cast<int32_t>(std::min<int64_t>(first, kLastTick)), &i);
    for (; i >= 0 && i < count; ++i) {
        int32_t st = 0, en = 0;
        doc.GetTiming(i, &st, &en);
        if (st >= last) break;
        Bar(ColumnOf(s.position, std::max<int64_t>(st, first)), ColumnOf(s.position, std::min<int64_t>(en, last)),
            timingRow, kStripRows,
            (i >= s.suggestedFirst && i < s.suggestedEnd) ? c.suggested : (i & 1) ? c.entryOdd : c.entryEven,
            s.width);
    }
    // Picture spans, which follow each other from 0.
    int32_t pictures = doc.PictureCount();
    int32_t p = doc.FindPictureAt(static_cast<int32_t>(std::min<int64_t>(first, kLastTick)));
    for (; p >= 0 && p < pictures; ++p) {
        int64_t st = doc.PictureStartTime(p), en = doc.PictureStartTime(p + 1);
        if (st >= last) break;
        Bar(ColumnOf(s.position, std::max(st, first)), ColumnOf(s.position, std::min(en, last)), pictureRow,
            kStripRows, (p & 1) ? c.entryOdd : c.entryEven, s.width);
    }
}

int TimelineScene::Time(int32_t x, int64_t ticks, uint32_t color) {
    uint8_t g[kTimeTextLength];
    TimeGlyphs(ticks, g);
    for (uint8_t glyph : g) {
        SpriteRect r = Glyph(glyph);
        Quad(static_cast<float>(x), 0, r.w, r.h, r, color);
        x += GlyphAdvance(glyph);
    }
    return x;
}

void TimelineScene::TopStrip(const TimelineState& s, const SceneColors& c) {
    const int32_t w = s.width;
    const uint32_t ink = 0xFF000000;
    const bool decoding = s.graphMode == kGraphDecoding;
    int32_t x = CaptionX(w);
    if (decoding) {
        Quad(static_cast<float>(x), 0, kCreatingCaption.w, kCreatingCaption.h, kCreatingCaption, ink);
        x += kCreatingCaption.w + 2;
        int32_t percent = std::clamp(s.position, 0, 100);
        char digits[4];
        int n = 0;
        if (percent >= 100) digits[n++] = 1;
        if (percent >= 10) digits[n++] = static_cast<char>(percent / 10 % 10);
        digits[n++] = static_cast<char>(percent % 10);
        for (int k = 0; k < n; ++k) {
            SpriteRect r = Glyph(digits[k]);
            Quad(static_cast<float>(x), 0, r.w, r.h, r, ink);
            x += GlyphAdvance(digits[k]);
        }
        SpriteRect r = Glyph(kGlyphPercent);
        Quad(static_cast<float>(x), 0, r.w, r.h, r, ink);
    } else if (s.tool != 0) {
        SpriteRect r = Caption(s.tool);
        Quad(static_cast<float>(x), 0, r.w, r.h, r, ink);
    }

    if (s.Ready()) {
        Columns back = StepBackColumns(w), fwd = StepForwardColumns(w);
        bool backHi = s.hover == Hover::OverBack || s.hover == Hover::BackPressed;
        bool fwdHi = s.hover == Hover::OverForward || s.hover == Hover::ForwardPressed;
        SpriteRect rb = StepIcon(false, backHi), rf = StepIcon(true, fwdHi);
        Quad(static_cast<float>(back.left), 0, rb.w, rb.h, rb, backHi ? c.cursor : ink);
        Quad(static_cast<float>(fwd.left), 0, rf.w, rf.h, rf, fwdHi ? c.cursor : ink);
    }
    // The slider's track, with its thumb; while decoding a progress bar.
    const int32_t origin = SliderOrigin(w);
    Bar(origin, origin + kSliderMax, 7, 2, kTrack, w);
    if (decoding) {
        Bar(origin, origin + 2 * std::clamp(s.position, 0, 100) * kSliderMax / 200, 4, 8, c.cursor, w);
    } else if (s.Ready()) {
        int32_t value = s.hover == Hover::DraggingSlider && s.sliderValue >= 0
                            ? s.sliderValue
                            : SliderValueOf(s.position, s.duration);
        uint32_t thumb = s.hover == Hover::OverSlider || s.hover == Hover::DraggingSlider ? c.cursor : ink;
        Bar(origin + value - 2, origin + value + 3, 2, 12, thumb, w);
    }
    if (s.Ready()) {
        if (s.mouseX >= 0) Time(MouseTimeX(w), TimeAt(s.position, s.mouseX), ink);
        Time(PlayTimeX(w), s.playState == kStateStopped ? s.duration : s.position, ink);
    }
}

void TimelineScene::Labels(const TimelineState& s) {
    if (!s.focus || s.captureMode != kCaptureNone || s.toolMask == 0 || s.mouseX < 0) return;
    const int32_t column = s.mouseX >= 90 ? s.mouseX - 90 : s.mouseX + 5;
    const uint32_t color = (kLabelAlpha << 24) | 0x00FFFFFF;
    for (const ToolName& tn : kToolNames) {
        if (!(s.toolMask & tn.tool)) continue;
        int32_t row = BandTopOfTool(tn.tool);
        if (row < 0) continue;
        SpriteRect r = Label(tn.tool, tn.tool == s.tool);
        Quad(static_cast<float>(column), static_cast<float>(row), r.w, r.h, r, color);
    }
}

}  // namespace mr::timeline
