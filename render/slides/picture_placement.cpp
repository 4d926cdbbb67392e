#include "render/slides/picture_placement.h"

#include <algorithm>

namespace mr {
namespace {

// Clips a picture drawn with its top-left texel at screen (x, y), texel for
// pixel, to the area; false when nothing of it lies inside.
bool ClipOneToOne(int64_t x, int64_t y, int64_t tw, int64_t th, int64_t w, int64_t h, PlacedQuad* q) {
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(x + tw, w), y1 = std::min<int64_t>(y + th, h);
    if (x0 >= x1 || y0 >= y1) return false;
    *q = PlacedQuad{static_cast<int32_t>(x0),     static_cast<int32_t>(y0),     static_cast<int32_t>(x1),
                    static_cast<int32_t>(y1),     static_cast<int32_t>(x0 - x), static_cast<int32_t>(y0 - y),
                    static_cast<int32_t>(x1 - x), static_cast<int32_t>(y1 - y)};
    return true;
}

// Grid origin of one axis for tiling: the centred tile's start moved left
// (up) by whole tiles until it is at or before the area's edge.
int64_t TileOrigin(int64_t area, int64_t tile) {
    int64_t first = (area - tile) / 2;
    if (first > 0) first -= (first + tile - 1) / tile * tile;
    return first;
}

// Calls emit(quad) for each quad of the placement, in rows from the top,
// until emit returns false; returns the number of quads the placement has.
template <typename Emit>
uint64_t ForEachQuad(int32_t placement, uint32_t twu, uint32_t thu, int32_t wi, int32_t hi, Emit emit) {
    if (twu == 0 || thu == 0 || wi <= 0 || hi <= 0) return 0;
    const int64_t tw = twu, th = thu, w = wi, h = hi;
    PlacedQuad q{};
    switch (placement) {
    case kPlaceFit:
        if (th * 10000 / h < tw * 10000 / w) {
            // Relatively wider: the full width, bands above and below.
            const int64_t height = w * th / tw;
            const int64_t y0 = (h - height) / 2;
            q = {0, static_cast<int32_t>(y0), wi, static_cast<int32_t>(y0 + height), 0, 0, static_cast<int32_t>(tw),
                 static_cast<int32_t>(th)};
        } else {
            const int64_t width = h * tw / th;
            const int64_t x0 = (w - width) / 2;
            q = {static_cast<int32_t>(x0), 0, static_cast<int32_t>(x0 + width), hi, 0, 0, static_cast<int32_t>(tw),
                 static_cast<int32_t>(th)};
        }
        if (q.x0 >= q.x1 || q.y0 >= q.y1) return 0;  // a sliver thinner than a pixel
        break;
    case kPlaceStretch:
        q = {0, 0, wi, hi, 0, 0, static_cast<int32_t>(tw), static_cast<int32_t>(th)};
        break;
    case kPlaceTile: {
        const int64_t ox = TileOrigin(w, tw), oy = TileOrigin(h, th);
        const int64_t columns = (w - ox + tw - 1) / tw, rows = (h - oy + th - 1) / th;
        bool more = true;
        for (int64_t r = 0; r < rows && more; ++r) {
            for (int64_t c = 0; c < columns && more; ++c) {
                if (ClipOneToOne(ox + c * tw, oy + r * th, tw, th, w, h, &q)) more = emit(q);
            }
        }
        return static_cast<uint64_t>(columns * rows);
    }
    case kPlaceCenter:
        if (!ClipOneToOne((w - tw) / 2, (h - th) / 2, tw, th, w, h, &q)) return 0;
        break;
    default:  // Fill
        if (tw * 10000 / w < th * 10000 / h) {
            // Relatively taller: the full width, the centred rows.
            const int64_t rows = tw * h / w;
            const int64_t ty0 = (th - rows) / 2;
            q = {0, 0, wi, hi, 0, static_cast<int32_t>(ty0), static_cast<int32_t>(tw), static_cast<int32_t>(ty0 + rows)};
        } else {
            const int64_t columns = th * w / h;
            const int64_t tx0 = (tw - columns) / 2;
            q = {0, 0, wi, hi, static_cast<int32_t>(tx0), 0, static_cast<int32_t>(tx0 + columns),
                 static_cast<int32_t>(th)};
        }
        break;
    }
    emit(q);
    return 1;
}

}  // namespace

uint32_t PlacePicture(int32_t placement, uint32_t tw, uint32_t th, int32_t w, int32_t h, PlacedQuad* out,
                      uint32_t maxQuads, uint32_t* needed) {
    uint32_t written = 0;
    const uint64_t total = ForEachQuad(placement, tw, th, w, h, [&](const PlacedQuad& q) {
        if (written == maxQuads) return false;
        out[written++] = q;
        return written < maxQuads;
    });
    if (needed) *needed = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
    return written;
}

uint32_t WritePlacedPicture(int32_t placement, uint32_t tw, uint32_t th, int32_t w, int32_t h, uint32_t color,
                            PictureVertex* out, uint32_t maxQuads, PlacedQuad* bounds, uint32_t textureWidth,
                            uint32_t textureHeight) {
    const uint32_t uw = textureWidth ? textureWidth : tw;
    const uint32_t vh = textureHeight ? textureHeight : th;
    uint32_t written = 0;
    PlacedQuad box{0, 0, 0, 0, 0, 0, 0, 0};
    ForEachQuad(placement, tw, th, w, h, [&](const PlacedQuad& q) {
        if (written == maxQuads) return false;
        if (written == 0) {
            box = q;
        } else {
            box.x0 = std::min(box.x0, q.x0);
            box.y0 = std::min(box.y0, q.y0);
            box.x1 = std::max(box.x1, q.x1);
            box.y1 = std::max(box.y1, q.y1);
        }
        WriteQuad(q, uw, vh, color, out + static_cast<size_t>(written) * kVerticesPerQuad);
        ++written;
        return written < maxQuads;
    });
    if (bounds) *bounds = box;
    return written;
}

uint32_t TextureExtent(uint32_t size, bool powerOfTwo) {
    if (!powerOfTwo || size == 0) return size;
    if (size > 0x80000000u) return 0;
    uint32_t extent = 1;
    while (extent < size) extent <<= 1;
    return extent;
}

void WriteQuad(const PlacedQuad& q, uint32_t tw, uint32_t th, uint32_t color, PictureVertex* out) {
    const float x0 = static_cast<float>(q.x0), x1 = static_cast<float>(q.x1);
    const float y0 = static_cast<float>(q.y0), y1 = static_cast<float>(q.y1);
    float u0 = 0, u1 = 0, v0 = 0, v1 = 0;
    if (tw && th) {
        u0 = (static_cast<float>(q.tx0) + 0.5f) / static_cast<float>(tw);
        u1 = (static_cast<float>(q.tx1) + 0.5f) / static_cast<float>(tw);
        v0 = (static_cast<float>(q.ty0) + 0.5f) / static_cast<float>(th);
        v1 = (static_cast<float>(q.ty1) + 0.5f) / static_cast<float>(th);
    }
    const PictureVertex tl{x0, y0, 0.9f, 1.0f, color, u0, v0};
    const PictureVertex tr{x1, y0, 0.9f, 1.0f, color, u1, v0};
    const PictureVertex bl{x0, y1, 0.9f, 1.0f, color, u0, v1};
    const PictureVertex br{x1, y1, 0.9f, 1.0f, color, u1, v1};
    out[0] = tl;
    out[1] = tr;
    out[2] = bl;
    out[3] = bl;
    out[4] = tr;
    out[5] = br;
}

uint32_t FadeAlpha(int64_t t, int64_t end) {
    const int64_t a = (t + kFadeMs - end) / 10;
    return static_cast<uint32_t>(std::clamp<int64_t>(a, 0, 255));
}

uint32_t ColourBarAt(uint32_t x) {
    // Right edges (exclusive) of the bars and their colours.
    static constexpr uint32_t kEnds[7] = {45, 91, 137, 183, 229, 275, 320};
    static constexpr uint32_t kColours[7] = {0x0000FF, 0x8080FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF};
    for (int i = 0; i < 7; ++i) {
        if (x < kEnds[i]) return kColours[i];
    }
    return kColours[6];
}

void FillColourBars(uint32_t* pixels, uint32_t width, uint32_t height) {
    for (uint32_t x = 0; x < width; ++x) pixels[x] = ArgbFromColorref(ColourBarAt(x), 255);
    for (uint32_t y = 1; y < height; ++y) {
        std::copy(pixels, pixels + width, pixels + static_cast<size_t>(y) * width);
    }
}

}  // namespace mr
