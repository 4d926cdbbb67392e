#pragma once
// Where a picture goes in the drawing area, and the vertices that draw it.
// Screen positions are pixels of the area (0, 0 top left), texture positions
// are texels of the picture; every rectangle is half-open, [x0, x1) × [y0, y1).

#include <cstdint>

namespace mr {

// How a picture fills the area (the preset's ImagePosFlag).
enum PicturePlacement : int32_t {
    kPlaceFill = 0,     // cover the area, cropping the picture to its aspect ratio, centred
    kPlaceFit = 1,      // the whole picture with its aspect ratio, centred, bands beside it
    kPlaceStretch = 2,  // the whole picture onto the whole area
    kPlaceTile = 3,     // tiles at the picture's size, the grid centred
    kPlaceCenter = 4,   // the picture at its own size, centred, cropped where larger
};

// One quad: the screen rectangle [x0, x1) × [y0, y1) shows the texels
// [tx0, tx1) × [ty0, ty1) of the picture.
struct PlacedQuad {
    int32_t x0, y0, x1, y1;
    int32_t tx0, ty0, tx1, ty1;
    bool operator==(const PlacedQuad&) const = default;
};

// The quads that show a tw × th picture in a w × h area by `placement`
// (values outside 0-4 are taken as Fill). Writes at most maxQuads into out and
// returns how many it wrote; *needed (optional) receives how many the
// placement has in all (only Tile has more than one, and a small picture on a
// large area may need more than fit). Nothing for an empty picture or area.
uint32_t PlacePicture(int32_t placement, uint32_t tw, uint32_t th, int32_t w, int32_t h, PlacedQuad* out,
                      uint32_t maxQuads, uint32_t* needed = nullptr);

// The vertex of the picture/outline buffer: position with rhw, ARGB colour
// (the alpha is the picture's opacity), texture coordinates. 28 bytes, the
// layout the frame composer declares (XYZRHW | DIFFUSE | TEX1).
struct PictureVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(PictureVertex) == 28, "the picture buffer's vertices are 28 bytes");

inline constexpr uint32_t kVerticesPerQuad = 6;  // two triangles of a triangle list

// Writes a quad as two triangles (6 vertices) at z 0.9, rhw 1, in `color`.
// The texture coordinates address texel centres, u = (texel x + 0.5) / tw and
// v = (texel y + 0.5) / th (tw × th: the texture's extent), so that each
// pixel samples exactly one texel when the quad is drawn at the picture's
// size. tw or th 0 gives coordinates 0 (an untextured band).
void WriteQuad(const PlacedQuad& quad, uint32_t tw, uint32_t th, uint32_t color, PictureVertex* out);

// Writes the quads of PlacePicture straight into vertices (6 per quad), at
// most maxQuads of them, and returns how many quads it wrote. *bounds
// (optional) receives the screen rectangle they cover together (all zero
// when none was written). A picture in a larger texture (its top-left
// corner; `textureWidth` × `textureHeight`, 0 meaning the picture's own
// size) is addressed inside that texture.
uint32_t WritePlacedPicture(int32_t placement, uint32_t tw, uint32_t th, int32_t w, int32_t h, uint32_t color,
                            PictureVertex* out, uint32_t maxQuads, PlacedQuad* bounds, uint32_t textureWidth = 0,
                            uint32_t textureHeight = 0);

// Texture capability bits (D3DCAPS9::TextureCaps) that decide texture sizes.
inline constexpr uint32_t kTextureCapsPow2 = 0x00000002;                // D3DPTEXTURECAPS_POW2
inline constexpr uint32_t kTextureCapsNonPow2Conditional = 0x00000100;  // D3DPTEXTURECAPS_NONPOW2CONDITIONAL

// Whether a device with these texture capabilities needs power-of-two sizes
// for this system's textures (one level, clamped addressing, no compressed
// formats: what the conditional support allows).
inline constexpr bool NeedsPowerOfTwo(uint32_t textureCaps) {
    return (textureCaps & kTextureCapsPow2) != 0 && (textureCaps & kTextureCapsNonPow2Conditional) == 0;
}

// The extent of a texture that holds `size` texels: size itself, or with
// `powerOfTwo` the smallest power of two not below it. 0 for 0, and for a
// size no power of two of 32 bits holds.
uint32_t TextureExtent(uint32_t size, bool powerOfTwo);

// The opacity (0-255) of the next picture while it fades in over the current
// one, whose window ends at `end`; t is the display time (ms). The fade lasts
// the last kFadeMs of the current picture.
inline constexpr int64_t kFadeMs = 2560;
uint32_t FadeAlpha(int64_t t, int64_t end);

// A COLORREF (0x00BBGGRR) as an ARGB vertex colour with the given alpha.
inline constexpr uint32_t ArgbFromColorref(uint32_t colorref, uint32_t alpha) {
    return (alpha << 24) | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
}

// The fallback picture shown for a timed slide that cannot be decoded: seven
// vertical colour bars on 320 × 240 pixels.
inline constexpr uint32_t kColourBarsWidth = 320;
inline constexpr uint32_t kColourBarsHeight = 240;
// The bars' colour (COLORREF) at column x of the fallback picture.
uint32_t ColourBarAt(uint32_t x);
// Fills width × height ARGB pixels (rows of `width`, alpha 255) with the bars
// at the fallback picture's column positions (columns past 319 repeat the
// last bar).
void FillColourBars(uint32_t* pixels, uint32_t width, uint32_t height);

}  // namespace mr
