#pragma once
// PictureScheduler: the drawing thread's side of the slide show. Each frame it
// decides which pictures are on screen at display time t, swaps in what the
// loader delivered, asks the loader for what comes next, and writes the
// picture quads. Pictures change at their windows' ends, the next one fading
// in over the last 2,560 ms of the current one.
//
// Everything here runs on the drawing thread; the only things shared with the
// loader are the PictureSlot and the request callback.

#include <cstdint>

#include "render/slides/picture.h"
#include "render/slides/picture_placement.h"

namespace mr {

// Where the scheduler sends its requests (the loader's request time and wake).
class PictureRequests {
public:
    virtual void Request(int32_t t) = 0;

protected:
    ~PictureRequests() = default;
};

// The drawing area and how pictures are placed in it.
struct PictureArea {
    int32_t width;
    int32_t height;
    int32_t placement;   // ImagePosFlag, 0-4
    uint32_t colorBack;  // background COLORREF, for the fade's bands
};

// What one frame draws, in buffer order from the first vertex written:
// the current picture's triangles (textured with currentTexture, opaque),
// then the next picture's (nextTexture, fading in), then the bands (no
// texture) over what the next picture leaves uncovered. Counts are triangles
// of a triangle list; a texture is null when its count is 0.
struct PictureFrame {
    void* currentTexture = nullptr;
    void* nextTexture = nullptr;
    uint32_t currentTriangles = 0;
    uint32_t nextTriangles = 0;
    uint32_t bandTriangles = 0;
    uint32_t vertices = 0;  // vertices written in all
    uint32_t fadeAlpha = 0; // 0-255 while fading, else 0
};

class PictureScheduler {
public:
    // Quads reserved for the bands at the end of the vertices a frame may use.
    static constexpr uint32_t kBandQuads = 4;

    PictureScheduler(PictureSlot& slot, PictureRequests& requests) : slot_(slot), requests_(requests) {}
    // Releases the pictures it holds.
    ~PictureScheduler() { ReleasePictures(); }
    PictureScheduler(const PictureScheduler&) = delete;
    PictureScheduler& operator=(const PictureScheduler&) = delete;

    // One frame at display time t (ms): updates the current and next
    // pictures, sends at most one request, and writes the quads into out,
    // using at most `capacity` vertices (a tiled small picture may need more;
    // the tiles that do not fit are left out, the current and the next
    // picture sharing the room). No allocation.
    PictureFrame Schedule(int32_t t, const PictureArea& area, PictureVertex* out, uint32_t capacity);

    // Releases the current and the next picture (before their textures'
    // device goes, or when the picture source changes).
    void ReleasePictures();

    // The pictures held now (null when none), for the frame composer's checks.
    const Picture* Current() const { return current_; }
    const Picture* Next() const { return next_; }

private:
    uint32_t WritePicture(const Picture& picture, const PictureArea& area, uint32_t alpha, PictureVertex* out,
                          uint32_t maxQuads, PlacedQuad* bounds);

    PictureSlot& slot_;
    PictureRequests& requests_;
    Picture* current_ = nullptr;
    Picture* next_ = nullptr;
};

}  // namespace mr
