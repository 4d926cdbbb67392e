// The drawing thread's picture scheduling: swaps, requests, the fade and its
// quads, seeks, stale deliveries and the vertex budget.
#include <gtest/gtest.h>

#include <vector>

#include "render/slides/picture_scheduler.h"
#include "tests/slides/slides_fakes.h"

namespace mr {
namespace {

using test::AsFake;
using test::FakePicture;
using test::LivePictures;

class RecordedRequests final : public PictureRequests {
public:
    void Request(int32_t t) override { times.push_back(t); }
    // The requests since the last call.
    std::vector<int32_t> Take() {
        std::vector<int32_t> r;
        r.swap(times);
        return r;
    }
    std::vector<int32_t> times;
};

Picture* MakePicture(const char16_t* name, int64_t start, int64_t end, uint32_t w = 100, uint32_t h = 50) {
    auto* p = new FakePicture(w, h, name);
    p->SetWindow({start, end});
    return p;
}

class SlidesSchedule : public ::testing::Test {
protected:
    void SetUp() override { live0_ = LivePictures().load(); }
    void TearDown() override {
        scheduler_.ReleasePictures();
        slot_.Drain();
        EXPECT_EQ(LivePictures().load(), live0_) << "pictures leaked";
    }
    PictureFrame Frame(int32_t t, PictureArea area = {500, 500, kPlaceFill, 0x00102030}) {
        return scheduler_.Schedule(t, area, vertices_.data(), static_cast<uint32_t>(vertices_.size()));
    }
    const char16_t* CurrentName() const { return scheduler_.Current() ? AsFake(scheduler_.Current()).Source().c_str() : u""; }

    PictureSlot slot_;
    RecordedRequests requests_;
    PictureScheduler scheduler_{slot_, requests_};
    std::vector<PictureVertex> vertices_ = std::vector<PictureVertex>(6 * 64);
    int live0_ = 0;
};

TEST_F(SlidesSchedule, folder_pictures_change_every_ten_seconds_with_a_fade) {
    struct Step {
        int32_t t;
        const char16_t* deliver;  // delivered before the frame (window from `from`, `to`)
        int64_t from, to;
        std::vector<int32_t> requests;
        const char16_t* current;
        uint32_t currentTris, nextTris, alpha;
    };
    const Step steps[] = {
        {0, nullptr, 0, 0, {20}, u"", 0, 0, 0},                       // nothing yet: ask a little ahead
        {16, u"A", 0, 10000, {10000}, u"A", 2, 0, 0},                 // A on screen, the next one asked for
        {5000, nullptr, 0, 0, {}, u"A", 2, 0, 0},                     // steady: no requests
        {7440, nullptr, 0, 0, {10000}, u"A", 0, 0, 0},                // fading, B not there: background only
        {8720, u"B", 10000, 20000, {20000}, u"A", 2, 2, 128},         // B fades in over A
        {9990, nullptr, 0, 0, {}, u"A", 2, 2, 255},
        {10000, nullptr, 0, 0, {}, u"B", 2, 0, 0},                    // B current at its window's start
        {17440, u"C", 20000, 30000, {30000}, u"B", 2, 2, 0},          // C waits from the fade's first frame
        {20005, nullptr, 0, 0, {}, u"C", 2, 0, 0},
    };
    for (const Step& s : steps) {
        if (s.deliver) slot_.Publish(MakePicture(s.deliver, s.from, s.to));
        const PictureFrame f = Frame(s.t);
        EXPECT_EQ(requests_.Take(), s.requests) << "t=" << s.t;
        EXPECT_EQ(std::u16string(CurrentName()), std::u16string(s.current)) << "t=" << s.t;
        EXPECT_EQ(f.currentTriangles, s.currentTris) << "t=" << s.t;
        EXPECT_EQ(f.nextTriangles, s.nextTris) << "t=" << s.t;
        EXPECT_EQ(f.bandTriangles, 0u) << "t=" << s.t;  // Fill covers the area
        EXPECT_EQ(f.vertices, (f.currentTriangles + f.nextTriangles) * 3) << "t=" << s.t;
        if (f.nextTriangles) {
            EXPECT_EQ(f.fadeAlpha, s.alpha) << "t=" << s.t;
            EXPECT_EQ(vertices_[6].color >> 24, s.alpha) << "t=" << s.t;  // the next picture's opacity
            EXPECT_NE(f.nextTexture, f.currentTexture);
        }
        if (f.currentTriangles) {
            EXPECT_EQ(f.currentTexture, scheduler_.Current()->Texture());
            EXPECT_EQ(vertices_[0].color, 0xFFFFFFFFu);
        }
    }
}

TEST_F(SlidesSchedule, seeks_and_stale_deliveries) {
    slot_.Publish(MakePicture(u"A", 10000, 20000));
    Frame(15000);
    ASSERT_EQ(std::u16string(CurrentName()), u"A");
    requests_.Take();

    // A seek back by a minute: A goes, t + 20 is asked for.
    PictureFrame f = Frame(-45000);
    EXPECT_EQ(scheduler_.Current(), nullptr);
    EXPECT_EQ(f.vertices, 0u);
    EXPECT_EQ(requests_.Take(), std::vector<int32_t>{-44980});

    // Deliveries for windows already past or not yet begun are discarded.
    slot_.Publish(MakePicture(u"late", -60000, -50000));
    Frame(-44900);
    EXPECT_EQ(scheduler_.Current(), nullptr);
    EXPECT_EQ(requests_.Take(), std::vector<int32_t>{-44880});
    slot_.Publish(MakePicture(u"early", -40000, -30000));
    Frame(-44800);
    EXPECT_EQ(scheduler_.Current(), nullptr);
    EXPECT_EQ(requests_.Take(), std::vector<int32_t>{-44780});

    // The right one is shown once it arrives.
    slot_.Publish(MakePicture(u"B", -50000, -40000));
    f = Frame(-44700);
    ASSERT_NE(scheduler_.Current(), nullptr);
    EXPECT_EQ(AsFake(scheduler_.Current()).Source(), u"B");
    EXPECT_EQ(requests_.Take(), std::vector<int32_t>{-40000});

    // While fading, a delivery for another window is discarded and the end asked again.
    slot_.Publish(MakePicture(u"wrong", -30000, -20000));
    f = Frame(-42000);
    EXPECT_EQ(scheduler_.Next(), nullptr);
    EXPECT_EQ(requests_.Take(), std::vector<int32_t>{-40000});
    EXPECT_FALSE(slot_.Occupied());
}

TEST_F(SlidesSchedule, a_next_picture_that_cannot_follow_is_dropped_when_the_fade_starts) {
    slot_.Publish(MakePicture(u"A", 0, 10000));
    Frame(100);
    slot_.Publish(MakePicture(u"B", 10000, 20000));
    Frame(9000);
    ASSERT_NE(scheduler_.Next(), nullptr);
    // A seek past B's window: A goes, B stays next but does not fit the time.
    slot_.Publish(MakePicture(u"C", 30000, 40000));
    Frame(30000);
    EXPECT_EQ(std::u16string(CurrentName()), u"C");
    ASSERT_NE(scheduler_.Next(), nullptr);
    requests_.Take();
    // C's fade begins: B does not start at C's end, so it goes and 40000 is asked for.
    const PictureFrame f = Frame(37440);
    EXPECT_EQ(scheduler_.Next(), nullptr);
    EXPECT_EQ(f.vertices, 0u);
    EXPECT_EQ(requests_.Take(), std::vector<int32_t>{40000});
}

TEST_F(SlidesSchedule, bands_cover_what_a_fitted_next_picture_leaves) {
    const PictureArea fit{500, 500, kPlaceFit, 0x00332211};
    slot_.Publish(MakePicture(u"A", 0, 10000, 500, 500));
    scheduler_.Schedule(10, fit, vertices_.data(), 6 * 64);
    slot_.Publish(MakePicture(u"B", 10000, 20000, 1000, 500));  // Fit: rows 125..375
    const PictureFrame f = scheduler_.Schedule(8720, fit, vertices_.data(), 6 * 64);
    ASSERT_EQ(f.currentTriangles, 2u);
    ASSERT_EQ(f.nextTriangles, 2u);
    ASSERT_EQ(f.bandTriangles, 4u);
    EXPECT_EQ(f.vertices, 24u);
    const uint32_t band = ArgbFromColorref(0x00332211, 128);
    // Bands above (0..125) and below (375..500), full width.
    const PictureVertex* top = &vertices_[12];
    const PictureVertex* bottom = &vertices_[18];
    EXPECT_EQ(top[0].color, band);
    EXPECT_EQ(top[0].y, 0.0f);
    EXPECT_EQ(top[5].y, 125.0f);
    EXPECT_EQ(top[5].x, 500.0f);
    EXPECT_EQ(bottom[0].y, 375.0f);
    EXPECT_EQ(bottom[5].y, 500.0f);
    EXPECT_EQ(bottom[5].color, band);

    // A centred small picture leaves four bands.
    const PictureArea center{500, 500, kPlaceCenter, 0};
    scheduler_.ReleasePictures();
    slot_.Publish(MakePicture(u"C", 0, 10000));
    scheduler_.Schedule(10, center, vertices_.data(), 6 * 64);
    slot_.Publish(MakePicture(u"D", 10000, 20000));
    EXPECT_EQ(scheduler_.Schedule(9000, center, vertices_.data(), 6 * 64).bandTriangles, 8u);
}

TEST_F(SlidesSchedule, tiles_stay_within_the_vertex_budget) {
    const PictureArea tile{200, 100, kPlaceTile, 0};
    const uint32_t capacity = 6 * 50 + 3;  // 50 whole quads
    slot_.Publish(MakePicture(u"A", 0, 10000, 1, 1));
    PictureFrame f = scheduler_.Schedule(10, tile, vertices_.data(), capacity);
    EXPECT_EQ(f.currentTriangles, 100u);
    EXPECT_EQ(f.vertices, 300u);
    slot_.Publish(MakePicture(u"B", 10000, 20000, 1, 1));
    f = scheduler_.Schedule(9000, tile, vertices_.data(), capacity);
    EXPECT_EQ(f.currentTriangles, 46u);  // (50 - 4 band quads) / 2 each
    EXPECT_EQ(f.nextTriangles, 46u);
    EXPECT_LE(f.vertices, capacity);
    // The tiles drawn cover only part of the area: the rest gets bands.
    EXPECT_GT(f.bandTriangles, 0u);
    EXPECT_EQ(f.vertices, (f.currentTriangles + f.nextTriangles + f.bandTriangles) * 3);
    // No room at all: nothing written, nothing lost.
    f = scheduler_.Schedule(9100, tile, vertices_.data(), 0);
    EXPECT_EQ(f.vertices, 0u);
    EXPECT_NE(scheduler_.Next(), nullptr);
}

}  // namespace
}  // namespace mr
