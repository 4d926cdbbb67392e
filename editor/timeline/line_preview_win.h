#pragma once
// LinePreview: the lyrics preview inside the timeline window. Below y = 167,
// once the window is taller than that, it draws the document's current line
// at the play position with the display engine's text rasteriser, wipe and
// preview layout, in flat sung and unsung colours for the text and its
// outline. Windows layer; the tables the layout reads come from the portable
// PreviewTables.
//
// Threads: DrawPreview and ReleaseDeviceResources run under the document
// lock (the timeline draws under it, on whichever thread draws); SetStyle
// takes the same lock, so it may be called from the UI thread at any time.
// The line is rasterised again only when its text or the style changes;
// a steady line costs the table walk, the wipe and two draw calls.
//
// Resources: a GDI memory context with the font and the text bitmap, and one
// A8 texture in the managed pool (it survives a device reset). Both are made
// again for a new device, a new window width or a new style. Destroy the
// timeline window (or SetPreview(nullptr)) before destroying the preview.

#include <windows.h>

#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string>

#include "editor/timeline/preview_tables.h"
#include "editor/timeline/timeline_device_win.h"
#include "render/gdi_text_win.h"
#include "render/line_layout.h"
#include "render/text_rasteriser.h"

namespace mr {
class SyncDocument;
}

namespace mr::timeline {

// The preview's font and colours, from the editor settings ("LyricsFaceName",
// "LyricsPoint", "LyricsBold", "LyricsItalic", "LyricsCharSet", "AntiAliased",
// "PreviewTextColor0/1", "PreviewTextOutlineColor0/1"). Colours are COLORREF;
// index 0 is the unsung part (right of the highlight), 1 the sung part.
struct PreviewStyle {
    std::u16string face = u"Impact";
    int32_t tenthsOfPoint = 240;
    int32_t weight = 400;
    bool italic = false;
    bool antiAliased = true;
    uint32_t textColor[2] = {0xFFFFFF, 0x109000};
    uint32_t outlineColor[2] = {0xC0C0C0, 0xE0E0E0};
    uint8_t charSet = 0;
};

class LinePreview final : public TimelinePreview {
public:
    // Borrows `doc` for its lifetime.
    explicit LinePreview(SyncDocument& doc);
    ~LinePreview();
    LinePreview(const LinePreview&) = delete;
    LinePreview& operator=(const LinePreview&) = delete;

    // New font and colours; the next frame rasterises the line with them.
    void SetStyle(const PreviewStyle& style);

    // The timeline's frame: draws the current line at state.position (ticks)
    // into `device` inside its scene. Nothing while the window is 167 pixels
    // high or less, or while the audio is being decoded.
    void DrawPreview(IDirect3DDevice9* device, const TimelineState& state) override;
    // The device is about to be released: drop the texture made on it.
    void ReleaseDeviceResources() override;

    // Lines rasterised and frames that drew text, since construction (tests
    // and benchmarks).
    int Rasterised() const { return rasterised_; }
    int DrawnFrames() const { return drawnFrames_; }
    // The pixel height of one line in the current style (0 before a frame).
    int32_t LineHeight() const { return surface_.Geometry().lineHeight; }

private:
    class Slot final : public SlotTarget {
    public:
        explicit Slot(LinePreview& owner) : owner_(owner) {}
        bool LockSlot(int slot, uint8_t** bits, ptrdiff_t* pitch) override;
        void UnlockSlot(int slot) override;

    private:
        LinePreview& owner_;
    };

    bool Build(IDirect3DDevice9* device, int32_t width, int32_t height);
    void Drop();

    SyncDocument& doc_;
    PreviewTables tables_;
    SyncCursor cursor_;
    TextLayout layout_;
    LayoutSettings settings_;
    GdiTextSurface surface_;
    Slot slot_{*this};
    std::unique_ptr<TextRasteriser> rasteriser_;
    PreviewStyle style_;
    bool styleChanged_ = true;
    // The device the texture was made on (not owned) and the size it fits.
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DTexture9* texture_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool ready_ = false;
    int32_t slotRows_ = 0;
    ColorVertex vertices_[24] = {};
    int rasterised_ = 0;
    int drawnFrames_ = 0;
};

}  // namespace mr::timeline
