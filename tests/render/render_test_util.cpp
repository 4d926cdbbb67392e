#include "tests/render/render_test_util.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace mr::test {

void BuildDocument(LyricsDocument& doc, const std::vector<LineSpec>& lines, int64_t timeLimit) {
    uint32_t times = 0;
    for (size_t l = 0; l < lines.size(); ++l) {
        uint32_t textIndex = 0;
        doc.AppendText(lines[l].text, &textIndex);
        doc.AddLine(textIndex, doc.GetSyncCount());
        for (size_t s = 0; s < lines[l].segments.size(); ++s) {
            const SegmentSpec& seg = lines[l].segments[s];
            doc.AddSyncPoint(s == 0 ? LineStartMarker(static_cast<uint32_t>(l)) : seg.offset);
            if (timeLimit < 0 || times < timeLimit) {
                doc.AddSyncTime(seg.start, seg.end);
                ++times;
            }
        }
    }
}

std::vector<LineSpec> EvenLines(int count, int32_t start0, int32_t step, int32_t length) {
    std::vector<LineSpec> lines;
    for (int k = 0; k < count; ++k) {
        std::u16string text = u"line ";
        for (char c : std::to_string(k)) {
            text.push_back(static_cast<char16_t>(c));
        }
        lines.push_back({text, {{0, start0 + k * step, start0 + k * step + length}}});
    }
    return lines;
}

bool FixedWidthMetrics::PartialExtents(std::u16string_view text, int32_t* partial) {
    ++calls;
    for (size_t i = 0; i < text.size(); ++i) {
        partial[i] = static_cast<int32_t>(i + 1) * advance_;
    }
    return true;
}

bool FixedWidthMetrics::CharWidths(char16_t unit, AbcWidth* widths) {
    ++calls;
    if (unit == u' ' || overhang_ == 0) {
        *widths = AbcWidth{0, advance_, 0};
    } else {
        *widths = AbcWidth{0, advance_ + overhang_, -overhang_};
    }
    return true;
}

BoxGlyphSurface::BoxGlyphSurface(int32_t spaceHeight, int32_t areaWidth, bool antiAliased, int32_t advance)
    : metrics_(advance), advance_(advance), spaceHeight_(spaceHeight) {
    ComputeCellGeometry(spaceHeight, areaWidth, antiAliased, &geometry_);
    bits_.assign(size_t(geometry_.stride) * size_t(geometry_.bitmapRows), 0);
}

void BoxGlyphSurface::DrawText(std::u16string_view text, int32_t x, int32_t y) {
    const TextCellGeometry& g = geometry_;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u' ') {
            continue;
        }
        const int32_t left = x + static_cast<int32_t>(i) * advance_ + 1;
        for (int32_t yy = y; yy < y + spaceHeight_ && yy < g.cellHeight; ++yy) {
            for (int32_t xx = std::max(left, 0); xx < left + advance_ - 2 && xx < g.bitmapWidth; ++xx) {
                SetBit(bits_.data(), g.stride, xx, yy);
            }
        }
    }
}

MemorySlotTarget::MemorySlotTarget(int slots, int32_t width, int32_t lineHeight)
    : width_(width), texels_(size_t(slots), std::vector<uint8_t>(size_t(width) * size_t(2 * lineHeight), 0xAB)) {}

bool MemorySlotTarget::LockSlot(int slot, uint8_t** bits, ptrdiff_t* pitch) {
    ++locks;
    if (failLocks > 0) {
        --failLocks;
        return false;
    }
    *bits = texels_[size_t(slot)].data();
    *pitch = width_;
    return true;
}

void MemorySlotTarget::UnlockSlot(int) { ++unlocks; }

bool RecordingRasteriser::RasteriseLine(RowRecord& row, int slot) {
    calls.emplace_back(row.line, slot);
    if (failNext > 0) {
        --failNext;
        return false;
    }
    std::vector<int32_t> partial(row.text.size());
    metrics_.PartialExtents(row.text, partial.data());
    row.width = partial.empty() ? 0 : partial.back();
    row.xOffset = 0;
    return true;
}

void PlainDilateOutline(uint8_t* bits, int32_t stride, int32_t c, bool aa) {
    static const int kAA[9] = {8, 8, 8, 7, 7, 6, 5, 4, 2};
    static const int kPlain[3] = {2, 2, 1};
    const int reach = aa ? 8 : 2;
    const int* half = aa ? kAA : kPlain;
    const int32_t width = stride * 8;
    for (int32_t y = reach; y < c - reach; ++y) {
        for (int32_t x = 32; x < width - 32; ++x) {
            if (!BitAt(bits, stride, x, y)) {
                continue;
            }
            for (int dy = -reach; dy <= reach; ++dy) {
                const int hw = half[dy < 0 ? -dy : dy];
                for (int dx = -hw; dx <= hw; ++dx) {
                    SetBit(bits, stride, x + dx, y + dy + c);
                }
            }
        }
    }
}

void PlainReduceToCoverage(const uint8_t* bits, int32_t stride, int32_t c, bool aa, int32_t width,
                           uint8_t* out, ptrdiff_t pitch) {
    if (aa) {
        for (int32_t y = 0; y < 2 * c / 4; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                int k = 0;
                for (int r = 0; r < 4; ++r) {
                    for (int q = 0; q < 4; ++q) {
                        k += BitAt(bits, stride, 32 + 4 * x + q, 4 * y + r);
                    }
                }
                out[y * pitch + x] = static_cast<uint8_t>(k == 16 ? 255 : 16 * k);
            }
        }
    } else {
        for (int32_t y = 0; y < 2 * c; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                out[y * pitch + x] = BitAt(bits, stride, 32 + x, y) ? 255 : 0;
            }
        }
    }
}

std::vector<uint8_t> RandomGlyphBitmap(const TextCellGeometry& g, int percent, uint32_t seed) {
    std::vector<uint8_t> bits(size_t(g.stride) * size_t(g.bitmapRows), 0);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, 99);
    for (int32_t y = 0; y < g.cellHeight; ++y) {
        for (int32_t x = 0; x < g.bitmapWidth; ++x) {
            if (d(rng) < percent) {
                SetBit(bits.data(), g.stride, x, y);
            }
        }
    }
    return bits;
}

}  // namespace mr::test
