#include "render/slides/picture_scheduler.h"

#include <algorithm>

namespace mr {
namespace {

int32_t ClampTime(int64_t t) { return static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX)); }

// Time after t asked for when nothing fits: the loader then decodes for a
// time the next frames will reach.
constexpr int64_t kAheadMs = 20;

}  // namespace

void PictureScheduler::ReleasePictures() {
    delete current_;
    delete next_;
    current_ = nullptr;
    next_ = nullptr;
}

PictureFrame PictureScheduler::Schedule(int32_t t32, const PictureArea& area, PictureVertex* out,
                                        uint32_t capacity) {
    const int64_t t = t32;
    bool requested = false;
    int64_t request = 0;
    auto ask = [&](int64_t at) {
        requested = true;
        request = at;
    };

    if (current_ && !current_->Window().Contains(t)) {
        delete current_;
        current_ = nullptr;
    }
    if (!current_) {
        if (next_ && next_->Window().Contains(t)) {
            current_ = next_;
            next_ = nullptr;
        } else if (Picture* delivered = slot_.Take()) {
            if (delivered->Window().Contains(t)) {
                current_ = delivered;
                ask(current_->Window().end);
            } else {
                delete delivered;  // decoded for another time (a seek, a slow decode)
                ask(t + kAheadMs);
            }
        } else {
            ask(t + kAheadMs);
        }
    }

    PictureFrame frame;
    bool fading = false;
    if (current_ && t + kFadeMs >= current_->Window().end) {
        fading = true;
        const int64_t end = current_->Window().end;
        if (next_ && next_->Window().start != end) {
            delete next_;
            next_ = nullptr;
        }
        frame.fadeAlpha = FadeAlpha(t, end);
        if (!next_) {
            if (Picture* delivered = slot_.Take()) {
                if (delivered->Window().start == end) {
                    next_ = delivered;
                    ask(next_->Window().end);
                } else {
                    delete delivered;
                    ask(end);
                }
            } else {
                ask(end);
            }
        }
    }
    if (requested) requests_.Request(ClampTime(request));

    // Quads: nothing without a current picture, nothing while fading towards
    // a picture that is not there yet (the background shows until it is).
    if (!current_ || (fading && !next_)) return frame;
    const uint32_t quads = capacity / kVerticesPerQuad;
    const uint32_t bandRoom = std::min(quads, kBandQuads);
    const uint32_t pictureRoom = fading ? (quads - bandRoom) / 2 : quads;
    PlacedQuad bounds;
    const uint32_t currentQuads = WritePicture(*current_, area, 255, out, pictureRoom, &bounds);
    frame.currentTexture = currentQuads ? current_->Texture() : nullptr;
    frame.currentTriangles = currentQuads * 2;
    uint32_t used = currentQuads;
    if (fading) {
        const uint32_t nextQuads =
            WritePicture(*next_, area, frame.fadeAlpha, out + used * kVerticesPerQuad, pictureRoom, &bounds);
        frame.nextTexture = nextQuads ? next_->Texture() : nullptr;
        frame.nextTriangles = nextQuads * 2;
        used += nextQuads;
        // The current picture fades out where the next one does not cover it.
        PlacedQuad bands[kBandQuads];
        uint32_t bandCount = 0;
        if (nextQuads == 0) bounds = PlacedQuad{0, 0, 0, 0, 0, 0, 0, 0};
        const int32_t w = area.width, h = area.height;
        if (nextQuads == 0 || bounds.x0 >= bounds.x1 || bounds.y0 >= bounds.y1) {
            bands[bandCount++] = PlacedQuad{0, 0, w, h, 0, 0, 0, 0};
        } else {
            if (bounds.y0 > 0) bands[bandCount++] = PlacedQuad{0, 0, w, bounds.y0, 0, 0, 0, 0};
            if (bounds.y1 < h) bands[bandCount++] = PlacedQuad{0, bounds.y1, w, h, 0, 0, 0, 0};
            if (bounds.x0 > 0) bands[bandCount++] = PlacedQuad{0, bounds.y0, bounds.x0, bounds.y1, 0, 0, 0, 0};
            if (bounds.x1 < w) bands[bandCount++] = PlacedQuad{bounds.x1, bounds.y0, w, bounds.y1, 0, 0, 0, 0};
        }
        bandCount = std::min(bandCount, bandRoom);
        const uint32_t color = ArgbFromColorref(area.colorBack, frame.fadeAlpha);
        for (uint32_t i = 0; i < bandCount; ++i) WriteQuad(bands[i], 0, 0, color, out + (used + i) * kVerticesPerQuad);
        frame.bandTriangles = bandCount * 2;
        used += bandCount;
    }
    frame.vertices = used * kVerticesPerQuad;
    return frame;
}

uint32_t PictureScheduler::WritePicture(const Picture& picture, const PictureArea& area, uint32_t alpha,
                                        PictureVertex* out, uint32_t maxQuads, PlacedQuad* bounds) {
    const uint32_t color = (alpha << 24) | 0xFFFFFFu;
    return WritePlacedPicture(area.placement, picture.Width(), picture.Height(), area.width, area.height, color, out,
                              maxQuads, bounds, picture.TextureWidth(), picture.TextureHeight());
}

}  // namespace mr
