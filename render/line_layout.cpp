#include "render/line_layout.h"

#include "render/text_bits.h"

#include <algorithm>

namespace mr {

namespace {

constexpr float kVertexZ = 0.9f;
constexpr float kVertexRhw = 1.0f;

int32_t ClampInt(int32_t v, int32_t lo, int32_t hi) { return std::clamp(v, lo, hi); }

}  // namespace

LayoutSettings LayoutSettingsFromPreset(const DisplayPreset& p) {
    LayoutSettings s;
    s.lines = ClampInt(p.DisplayLine, kPresetDisplayLineMin, kPresetDisplayLineMax);
    s.scroll = p.Scroll != 0;
    s.antiAliased = p.AntiAliased != 0;
    s.outline = p.Outline != 0;
    s.vAlign = ClampInt(p.TextVAlignFlag, 0, kPresetAlignFlagMax);
    s.vOffset = ClampInt(p.TextVAlignOffset, 0, kPresetOffsetMax);
    s.hAlign = ClampInt(p.TextHAlignFlag, 0, kPresetAlignFlagMax);
    s.hOffset = ClampInt(p.TextHAlignOffset, 0, kPresetOffsetMax);
    s.hAlignOdd = ClampInt(p.TextHAlignFlag_, 0, kPresetAlignFlagMax);
    s.hOffsetOdd = ClampInt(p.TextHAlignOffset_, 0, kPresetOffsetMax);
    s.outlineColor[0] = p.ColorOutline_0 & 0xFFFFFFu;
    s.outlineColor[1] = p.ColorOutline_1 & 0xFFFFFFu;
    s.textColor[0] = p.ColorTop_0 & 0xFFFFFFu;
    s.textColor[1] = p.ColorTop_1 & 0xFFFFFFu;
    return s;
}

int SlotCountFor(int32_t lines, bool scroll) {
    const int n = ClampInt(lines, 1, kMaxRows - 1);
    return scroll && n > 2 ? n + 1 : n;
}

SlotTextures ChooseSlotTextures(int slotCount, int32_t lineHeight, int32_t maxTextureHeight) {
    const int64_t rows = int64_t{slotCount} * 2 * lineHeight;
    return rows <= maxTextureHeight ? SlotTextures::kShared : SlotTextures::kPerSlot;
}

int32_t HorizontalPlacement(const LayoutSettings& s, uint32_t line, int32_t width, int32_t areaWidth) {
    const int32_t scale = s.antiAliased ? 4 : 1;
    const bool odd = s.lines == 2 && s.hAlignOdd != kAlignHCenter && (line & 1u) != 0;
    const int32_t flag = odd ? s.hAlignOdd : s.hAlign;
    const int64_t offset = int64_t{odd ? s.hOffsetOdd : s.hOffset} * scale;
    const int64_t area = int64_t{areaWidth} * scale;
    int64_t x;
    switch (flag) {
    case kAlignLeft:
        x = offset;
        break;
    case kAlignRight:
        x = area - offset - width;
        break;
    default:
        x = (area - width) / 2;
        break;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN / 2, INT32_MAX / 2));
}

void ArrangeRows(uint32_t current, uint32_t lineCount, int32_t lines, bool scroll, RowArrangement* out) {
    const int64_t l = current;
    const int64_t count = lineCount;
    const int32_t n = ClampInt(lines, 1, kMaxRows - 1);
    out->count = 0;
    auto add = [out](int64_t line, int32_t row) {
        RowRecord& r = out->rows[out->count++];
        r = RowRecord{};
        r.line = static_cast<int32_t>(line);
        r.row = row;
    };
    if (scroll && n == 1) {
        add(l, 0);
    } else if (scroll && n == 2) {
        add(l, static_cast<int32_t>(l % 2));
        if (l % 2 == 0) {
            if (l + 1 < count) {
                add(l + 1, 1);
            }
        } else if (l + 1 < count) {
            add(l + 1, 0);
        } else {
            add(l - 1, 0);
        }
    } else if (scroll) {
        const int32_t h = n / 2;
        add(l, h);
        for (int32_t k = h; k >= 1; --k) {
            if (l - k >= 0) {
                add(l - k, h - k);
            }
        }
        for (int32_t k = 1; k <= h && l + k < count; ++k) {
            add(l + k, h + k);
        }
    } else {
        const int32_t row = static_cast<int32_t>(l % n);
        const int64_t pageStart = l - row;
        add(l, row);
        for (int32_t r = row + 1; r < n && pageStart + r < count; ++r) {
            add(pageStart + r, r);
        }
        for (int32_t r = 0; r < row; ++r) {
            add(pageStart + r, r);
        }
    }
    int32_t lo = out->rows[0].line;
    int32_t hi = lo;
    for (int i = 1; i < out->count; ++i) {
        lo = std::min(lo, out->rows[i].line);
        hi = std::max(hi, out->rows[i].line);
    }
    out->firstLine = lo;
    out->lastLine = hi;
}

TextLayout::TextLayout() { EmptySlots(); }

void TextLayout::Configure(const LayoutSettings& settings, const LayoutArea& area) {
    settings_ = settings;
    settings_.lines = ClampInt(settings.lines, 1, kMaxRows - 1);
    area_ = area;
    area_.width = std::max(area.width, 1);
    area_.height = std::max(area.height, 1);
    area_.lineHeight = std::max(area.lineHeight, 1);
    slotCount_ = SlotCountFor(settings_.lines, settings_.scroll);
    EmptySlots();
}

void TextLayout::EmptySlots() {
    for (RowRecord& s : slots_) {
        s = RowRecord{};
    }
    measure_.Clear();
    measuredLine_ = -1;
    previewValid_ = false;
}

float TextLayout::SlotV(int slot, int32_t texelRow) const {
    const int32_t slotRows = 2 * area_.lineHeight;
    const bool perSlot = area_.textures == SlotTextures::kPerSlot;
    const float height = static_cast<float>(area_.textureRows > 0 ? area_.textureRows
                                                                  : perSlot ? slotRows : slotRows * slotCount_);
    const int32_t base = perSlot ? 0 : slot * slotRows;
    return (static_cast<float>(base + texelRow) + 0.5f) / height;
}

int32_t TextLayout::CurrentLineHighlight(const LineLocation& loc, const RowRecord& row,
                                         LineRasteriser& rasteriser) {
    if (measuredLine_ != row.line || !measure_.Valid() || measure_.TextData() != row.text.data() ||
        measure_.Length() != row.text.size()) {
        measuredLine_ = row.line;
        if (!measure_.Measure(rasteriser.Metrics(), row.text)) {
            measuredLine_ = -1;
            return 0;
        }
    }
    const WipePosition w = MeasureWipe(measure_, loc.spanStart, loc.spanEnd, loc.elapsed, loc.duration);
    if (w.wholeLine) {
        return area_.width;
    }
    if (w.x <= 0) {
        return 0;
    }
    const int64_t k = (int64_t{w.x} + row.xOffset) / (settings_.antiAliased ? 4 : 1);
    return static_cast<int32_t>(std::clamp<int64_t>(k, 0, area_.width));
}

namespace {

// Writes one quad (two triangles) as six vertices.
template <typename V, typename Fill>
void Quad(V* v, float x0, float x1, float y0, float y1, Fill fill) {
    const float xs[6] = {x0, x1, x0, x1, x1, x0};
    const float ys[6] = {y0, y0, y1, y0, y1, y1};
    for (int i = 0; i < 6; ++i) {
        v[i].x = xs[i];
        v[i].y = ys[i];
        v[i].z = kVertexZ;
        v[i].rhw = kVertexRhw;
        fill(v[i], ys[i] == y0);
    }
}

struct RowRect {
    int32_t top;
    int32_t bottom;
    int32_t texelTop;  // first texel row of the row's window inside its half
};

// Emits the outline pass of one row: sung part [0, K) and unsung part [K, W).
// Returns the vertices written.
uint32_t EmitColorPass(ColorVertex* out, size_t room, const RowRect& r, int32_t k, int32_t width,
                       uint32_t sungArgb, uint32_t unsungArgb, float vTop, float vBottom, float texWidth) {
    uint32_t written = 0;
    const int32_t xs[3] = {0, k, width};
    const uint32_t colours[2] = {sungArgb, unsungArgb};
    for (int part = 0; part < 2; ++part) {
        if (xs[part + 1] <= xs[part] || room - written < 6) {
            continue;
        }
        const float x0 = static_cast<float>(xs[part]);
        const float x1 = static_cast<float>(xs[part + 1]);
        const uint32_t colour = colours[part];
        Quad(out + written, x0, x1, static_cast<float>(r.top), static_cast<float>(r.bottom),
             [&](ColorVertex& v, bool top) {
                 v.color = colour;
                 v.u = (v.x + 0.5f) / texWidth;
                 v.v = top ? vTop : vBottom;
             });
        written += 6;
    }
    return written;
}

}  // namespace

LayoutResult TextLayout::LayoutText(const SyncTables& tables, SyncCursor& cursor, int32_t t,
                                    LineRasteriser& rasteriser, ColorVertex* outline,
                                    size_t outlineCapacity, GlyphVertex* glyph, size_t glyphCapacity) {
    LayoutResult result;
    const int32_t n = settings_.lines;
    const int32_t W = area_.width;
    const int32_t M = area_.lineHeight;
    const DisplayShape shape{n, settings_.scroll, M};
    LineLocation loc;
    if (!cursor.LocateLine(tables, t, shape, kPlayerRules, &loc)) {
        return result;
    }

    int32_t y0;
    switch (settings_.vAlign) {
    case kAlignTop:
        y0 = settings_.vOffset;
        break;
    case kAlignBottom:
        y0 = area_.height - M * n - settings_.vOffset;
        break;
    default:
        y0 = (area_.height - M * n) / 2;
        break;
    }
    const int32_t blockBottom = y0 + M * n;
    const int32_t s = settings_.scroll && n > 2 ? loc.scroll : 0;

    RowArrangement arr;
    ArrangeRows(loc.line, tables.lineCount, n, settings_.scroll, &arr);

    const float texWidth = static_cast<float>(area_.textureWidth > 0 ? area_.textureWidth : W);
    const float gradientHeight = static_cast<float>(area_.gradientRows > 0 ? area_.gradientRows : 2 * M);
    uint32_t ov = 0;
    uint32_t gv = 0;
    for (int i = 0; i < arr.count; ++i) {
        RowRecord& row = arr.rows[i];
        row.text = tables.texts && row.line >= 0 ? tables.texts->LineText(static_cast<uint32_t>(row.line))
                                                 : std::u16string_view();
        if (row.text.empty()) {
            continue;
        }
        int slot = -1;
        for (int u = 0; u < slotCount_; ++u) {
            if (slots_[u].line == row.line) {
                slot = u;
                break;
            }
        }
        if (slot >= 0) {
            row.width = slots_[slot].width;
            row.xOffset = slots_[slot].xOffset;
        } else {
            if (result.rasterised >= kMaxRasterisedPerFrame) {
                continue;  // drawn on a later frame
            }
            for (int u = 0; u < slotCount_; ++u) {
                if (slots_[u].line < arr.firstLine || slots_[u].line > arr.lastLine) {
                    slot = u;
                    break;
                }
            }
            if (slot < 0) {
                continue;
            }
            ++result.rasterised;
            slots_[slot] = RowRecord{};
            if (row.line == measuredLine_) {
                measuredLine_ = -1;
            }
            if (!rasteriser.RasteriseLine(row, slot)) {
                continue;  // the slot stays empty; tried again next frame
            }
            slots_[slot] = row;
        }

        const int32_t k = i == 0 ? CurrentLineHighlight(loc, row, rasteriser)
                                 : (row.line < static_cast<int32_t>(loc.line) ? W : 0);

        // Every row is clipped to the line block, its texture windows moved
        // down by what the clip took off its top: the row scrolling out at
        // the top and the row scrolling in at the bottom show only their part
        // inside the block, and near the start of a song, where the current
        // line is the first on screen, it is not cut.
        RowRect r{y0 + M * row.row - s, 0, 0};
        r.bottom = r.top + M;
        if (r.top < y0) {
            r.texelTop = y0 - r.top;
            r.top = y0;
        }
        r.bottom = std::min(r.bottom, blockBottom);
        if (r.bottom <= r.top) {
            continue;
        }
        const int32_t h = r.bottom - r.top;

        RowDraw& draw = result.draws[result.drawCount++];
        draw.slot = slot;
        draw.outlineFirst = ov;
        draw.glyphFirst = gv;
        if (outline) {
            ov += EmitColorPass(outline + ov, outlineCapacity - ov, r, k, W,
                                OpaqueArgb(settings_.outlineColor[1]), OpaqueArgb(settings_.outlineColor[0]),
                                SlotV(slot, M + r.texelTop), SlotV(slot, M + r.texelTop + h), texWidth);
        }
        // Glyph pass: text texture's glyph half on stage 0, the sung
        // (rows M .. 2M - 1) or unsung (rows 0 .. M - 1) gradient on stage 1.
        if (glyph) {
            const int32_t xs[3] = {0, k, W};
            for (int part = 0; part < 2; ++part) {
                if (xs[part + 1] <= xs[part] || glyphCapacity - gv < 6) {
                    continue;
                }
                const int32_t gradientBase = part == 0 ? M : 0;
                const float v0Top = SlotV(slot, r.texelTop);
                const float v0Bottom = SlotV(slot, r.texelTop + h);
                const float v1Top = (static_cast<float>(gradientBase + r.texelTop) + 0.5f) / gradientHeight;
                const float v1Bottom = (static_cast<float>(gradientBase + r.texelTop + h) + 0.5f) / gradientHeight;
                Quad(glyph + gv, static_cast<float>(xs[part]), static_cast<float>(xs[part + 1]),
                     static_cast<float>(r.top), static_cast<float>(r.bottom), [&](GlyphVertex& v, bool top) {
                         v.u0 = (v.x + 0.5f) / texWidth;
                         v.v0 = top ? v0Top : v0Bottom;
                         v.u1 = 0.5f;
                         v.v1 = top ? v1Top : v1Bottom;
                     });
                gv += 6;
            }
        }
        draw.outlineVertices = ov - draw.outlineFirst;
        draw.glyphVertices = gv - draw.glyphFirst;
    }
    result.outlineTriangles = ov / 3;
    result.glyphVertices = gv;
    return result;
}

LayoutResult TextLayout::LayoutPreview(const SyncTables& tables, SyncCursor& cursor, int32_t ticks,
                                       LineRasteriser& rasteriser, ColorVertex* vertices, size_t capacity) {
    LayoutResult result;
    const int32_t W = area_.width;
    const int32_t M = area_.lineHeight;
    if (area_.height <= kPreviewTop) {
        return result;
    }
    LineLocation loc;
    if (!cursor.LocateLine(tables, ticks, DisplayShape{1, false, M}, kPreviewRules, &loc)) {
        return result;
    }
    const std::u16string_view text =
        tables.texts ? tables.texts->LineText(loc.line) : std::u16string_view();
    if (text.empty()) {
        return result;
    }
    if (!previewValid_ || std::u16string_view(previewText_) != text) {
        previewValid_ = false;
        slots_[0] = RowRecord{};
        measuredLine_ = -1;
        previewText_.assign(text);
        RowRecord row;
        row.line = static_cast<int32_t>(loc.line);
        row.text = previewText_;
        result.rasterised = 1;
        if (!rasteriser.RasteriseLine(row, 0)) {
            return result;  // tried again next frame
        }
        slots_[0] = row;
        previewValid_ = true;
    }
    RowRecord& row = slots_[0];
    row.line = static_cast<int32_t>(loc.line);
    const int32_t k = CurrentLineHighlight(loc, row, rasteriser);

    const int32_t below = area_.height - kPreviewTop;
    RowRect r{below > M ? kPreviewTop + (below - M) / 2 : kPreviewTop, 0, 0};
    r.bottom = r.top + M;
    const float texWidth = static_cast<float>(area_.textureWidth > 0 ? area_.textureWidth : W);
    uint32_t written = 0;
    if (vertices) {
        written = EmitColorPass(vertices, capacity, r, k, W, OpaqueArgb(settings_.outlineColor[1]),
                                OpaqueArgb(settings_.outlineColor[0]), SlotV(0, M), SlotV(0, 2 * M),
                                texWidth);
        result.outlineTriangles = written / 3;
        const uint32_t text0 = written;
        written += EmitColorPass(vertices + written, capacity - written, r, k, W,
                                 OpaqueArgb(settings_.textColor[1]), OpaqueArgb(settings_.textColor[0]),
                                 SlotV(0, 0), SlotV(0, M), texWidth);
        result.glyphVertices = written - text0;
        result.drawCount = 1;
        result.draws[0] = RowDraw{0, 0, text0, text0, written - text0};
    }
    return result;
}

}  // namespace mr
