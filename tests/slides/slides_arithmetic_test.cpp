// Picture placement, vertices, the fade, the colour bars, the slide timing,
// the random picks and the scanner's listing rules.
#include <gtest/gtest.h>

#include <vector>

#include "lyrics/lyrics_document.h"
#include "render/slides/picture_placement.h"
#include "render/slides/picture_scanner.h"
#include "render/slides/slide_timeline.h"
#include "tests/slides/slides_fakes.h"

namespace mr {

void PrintTo(const PlacedQuad& q, std::ostream* os) {
    *os << "screen [" << q.x0 << "," << q.x1 << ")x[" << q.y0 << "," << q.y1 << ") texels [" << q.tx0 << "," << q.tx1
        << ")x[" << q.ty0 << "," << q.ty1 << ")";
}
void PrintTo(const TimeWindow& w, std::ostream* os) { *os << "[" << w.start << ", " << w.end << ")"; }

namespace {

TEST(slides_placement, single_quad_placements) {
    struct Case {
        const char* name;
        int32_t placement;
        uint32_t tw, th;
        int32_t w, h;
        PlacedQuad want;
    };
    const Case cases[] = {
        {"fill wide picture crops columns 250..750", kPlaceFill, 1000, 500, 500, 500, {0, 0, 500, 500, 250, 0, 750, 500}},
        {"fill tall picture crops rows", kPlaceFill, 500, 1000, 500, 500, {0, 0, 500, 500, 0, 250, 500, 750}},
        {"fill same aspect uses all texels", kPlaceFill, 320, 240, 640, 480, {0, 0, 640, 480, 0, 0, 320, 240}},
        {"fill into a wide area", kPlaceFill, 400, 400, 800, 200, {0, 0, 800, 200, 0, 150, 400, 250}},
        {"unknown flag is fill", 9, 1000, 500, 500, 500, {0, 0, 500, 500, 250, 0, 750, 500}},
        {"fit wide picture leaves bands above and below", kPlaceFit, 1000, 500, 500, 500,
         {0, 125, 500, 375, 0, 0, 1000, 500}},
        {"fit tall picture leaves bands left and right", kPlaceFit, 500, 1000, 500, 500,
         {125, 0, 375, 500, 0, 0, 500, 1000}},
        {"fit same aspect fills the area", kPlaceFit, 320, 240, 640, 480, {0, 0, 640, 480, 0, 0, 320, 240}},
        {"stretch", kPlaceStretch, 1000, 500, 500, 500, {0, 0, 500, 500, 0, 0, 1000, 500}},
        {"center smaller picture", kPlaceCenter, 100, 50, 500, 500, {200, 225, 300, 275, 0, 0, 100, 50}},
        {"center larger picture shows its middle", kPlaceCenter, 1000, 500, 500, 400,
         {0, 0, 500, 400, 250, 50, 750, 450}},
        {"center wider only", kPlaceCenter, 1000, 100, 500, 500, {0, 200, 500, 300, 250, 0, 750, 100}},
    };
    for (const Case& c : cases) {
        PlacedQuad got[4];
        uint32_t needed = 0;
        ASSERT_EQ(PlacePicture(c.placement, c.tw, c.th, c.w, c.h, got, 4, &needed), 1u) << c.name;
        EXPECT_EQ(needed, 1u) << c.name;
        EXPECT_EQ(got[0], c.want) << c.name;
    }
}

TEST(slides_placement, tiles_start_left_of_the_edge_and_are_clipped) {
    PlacedQuad q[16];
    uint32_t needed = 0;
    // 100 × 100 in 250 × 250: the centred tile at 75, so columns at -25, 75, 175.
    ASSERT_EQ(PlacePicture(kPlaceTile, 100, 100, 250, 250, q, 16, &needed), 9u);
    EXPECT_EQ(needed, 9u);
    EXPECT_EQ(q[0], (PlacedQuad{0, 0, 75, 75, 25, 25, 100, 100}));
    EXPECT_EQ(q[1], (PlacedQuad{75, 0, 175, 75, 0, 25, 100, 100}));
    EXPECT_EQ(q[2], (PlacedQuad{175, 0, 250, 75, 0, 25, 75, 100}));
    EXPECT_EQ(q[4], (PlacedQuad{75, 75, 175, 175, 0, 0, 100, 100}));
    EXPECT_EQ(q[8], (PlacedQuad{175, 175, 250, 250, 0, 0, 75, 75}));

    // A grid that starts exactly at the edge, and a picture larger than the area.
    ASSERT_EQ(PlacePicture(kPlaceTile, 100, 100, 300, 100, q, 16), 3u);
    EXPECT_EQ(q[0], (PlacedQuad{0, 0, 100, 100, 0, 0, 100, 100}));
    ASSERT_EQ(PlacePicture(kPlaceTile, 400, 400, 200, 100, q, 16), 1u);
    EXPECT_EQ(q[0], (PlacedQuad{0, 0, 200, 100, 100, 150, 300, 250}));

    // More tiles than room: the ones that fit, and the count they would need.
    ASSERT_EQ(PlacePicture(kPlaceTile, 1, 1, 1920, 1080, q, 16, &needed), 16u);
    EXPECT_EQ(needed, 1920u * 1080u);
    EXPECT_EQ(q[15], (PlacedQuad{15, 0, 16, 1, 0, 0, 1, 1}));
}

TEST(slides_placement, empty_pictures_and_areas_place_nothing) {
    PlacedQuad q[2];
    for (int32_t placement = 0; placement <= 4; ++placement) {
        EXPECT_EQ(PlacePicture(placement, 0, 10, 100, 100, q, 2), 0u);
        EXPECT_EQ(PlacePicture(placement, 10, 0, 100, 100, q, 2), 0u);
        EXPECT_EQ(PlacePicture(placement, 10, 10, 0, 100, q, 2), 0u);
        EXPECT_EQ(PlacePicture(placement, 10, 10, 100, -5, q, 2), 0u);
        EXPECT_EQ(PlacePicture(placement, 10, 10, 100, 100, q, 0), 0u);
    }
    // A picture so wide that Fit leaves less than a pixel of height.
    EXPECT_EQ(PlacePicture(kPlaceFit, 100000, 1, 100, 100, q, 2), 0u);
}

TEST(slides_placement, vertices_address_texel_centres) {
    PictureVertex v[6];
    uint32_t needed = 0;
    PlacedQuad bounds;
    ASSERT_EQ(WritePlacedPicture(kPlaceFill, 1000, 500, 500, 500, 0x80FFFFFF, v, 1, &bounds), 1u);
    (void)needed;
    EXPECT_EQ(bounds, (PlacedQuad{0, 0, 500, 500, 250, 0, 750, 500}));
    // Two triangles, top-left / top-right / bottom-left, bottom-left / top-right / bottom-right.
    const float xs[6] = {0, 500, 0, 0, 500, 500}, ys[6] = {0, 0, 500, 500, 0, 500};
    const float us[6] = {250.5f / 1000, 750.5f / 1000, 250.5f / 1000, 250.5f / 1000, 750.5f / 1000, 750.5f / 1000};
    const float vs[6] = {0.5f / 500, 0.5f / 500, 500.5f / 500, 500.5f / 500, 0.5f / 500, 500.5f / 500};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(v[i].x, xs[i]) << i;
        EXPECT_EQ(v[i].y, ys[i]) << i;
        EXPECT_FLOAT_EQ(v[i].z, 0.9f);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].color, 0x80FFFFFFu);
        EXPECT_FLOAT_EQ(v[i].u, us[i]) << i;
        EXPECT_FLOAT_EQ(v[i].v, vs[i]) << i;
    }
    // An untextured band has coordinates 0.
    WriteQuad(PlacedQuad{0, 0, 10, 10, 0, 0, 0, 0}, 0, 0, 0xFF000000, v);
    EXPECT_EQ(v[5].u, 0.0f);
    EXPECT_EQ(v[5].v, 0.0f);
}

// Devices that make only power-of-two textures: the extents, and a picture in
// the corner of a larger texture addressed by that texture's size.
TEST(slides_placement, power_of_two_textures) {
    EXPECT_FALSE(NeedsPowerOfTwo(0));
    EXPECT_TRUE(NeedsPowerOfTwo(kTextureCapsPow2));
    EXPECT_FALSE(NeedsPowerOfTwo(kTextureCapsPow2 | kTextureCapsNonPow2Conditional));
    struct Case {
        uint32_t size, extent;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {320, 512}, {1024, 1024}, {1025, 2048},
                 {0x80000000u, 0x80000000u}, {0x80000001u, 0}, {0xFFFFFFFFu, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(TextureExtent(c.size, true), c.extent) << c.size;
        EXPECT_EQ(TextureExtent(c.size, false), c.size) << c.size;
    }
    PictureVertex v[6];
    PlacedQuad bounds;
    ASSERT_EQ(WritePlacedPicture(kPlaceFill, 1000, 500, 500, 500, 0xFFFFFFFF, v, 1, &bounds, 1024, 512), 1u);
    EXPECT_EQ(bounds, (PlacedQuad{0, 0, 500, 500, 250, 0, 750, 500}));
    EXPECT_FLOAT_EQ(v[0].u, 250.5f / 1024);
    EXPECT_FLOAT_EQ(v[1].u, 750.5f / 1024);
    EXPECT_FLOAT_EQ(v[2].v, 500.5f / 512);
}

TEST(slides_fade, alpha_over_the_last_2560_ms) {
    struct Case {
        int64_t t, end;
        uint32_t alpha;
    };
    const Case cases[] = {
        {7439, 10000, 0},   {7440, 10000, 0},   {7450, 10000, 1},   {8720, 10000, 128},
        {9990, 10000, 255}, {9999, 10000, 255}, {10000, 10000, 255}, {20000, 10000, 255},
        {-2560, 0, 0},      {-1280, 0, 128},    {0, 0x7FFFFFFFLL * 2, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(FadeAlpha(c.t, c.end), c.alpha) << c.t << " before " << c.end;
}

TEST(slides_colours, colour_bars_and_vertex_colours) {
    EXPECT_EQ(ArgbFromColorref(0x00332211, 0x80), 0x80112233u);
    EXPECT_EQ(ArgbFromColorref(0x0000FF, 255), 0xFFFF0000u);  // COLORREF red
    struct Bar {
        uint32_t x, colorref;
    };
    const Bar bars[] = {{0, 0x0000FF},   {44, 0x0000FF},  {45, 0x8080FF},  {90, 0x8080FF},  {91, 0x00FFFF},
                        {136, 0x00FFFF}, {137, 0x00FF00}, {182, 0x00FF00}, {183, 0xFFFF00}, {228, 0xFFFF00},
                        {229, 0xFF0000}, {274, 0xFF0000}, {275, 0xFF00FF}, {319, 0xFF00FF}};
    std::vector<uint32_t> pixels(kColourBarsWidth * kColourBarsHeight, 0);
    FillColourBars(pixels.data(), kColourBarsWidth, kColourBarsHeight);
    for (const Bar& b : bars) {
        EXPECT_EQ(ColourBarAt(b.x), b.colorref) << b.x;
        EXPECT_EQ(pixels[b.x], ArgbFromColorref(b.colorref, 255)) << b.x;
        EXPECT_EQ(pixels[239 * kColourBarsWidth + b.x], ArgbFromColorref(b.colorref, 255)) << b.x;
    }
}

TEST(slides_timing, folder_windows_are_whole_ten_seconds) {
    struct Case {
        int64_t t, start;
    };
    const Case cases[] = {{0, 0},          {9999, 0},       {10000, 10000}, {26500, 20000},
                          {-1, -10000},    {-10000, -10000}, {-10001, -20000}, {2147483647LL, 2147480000LL}};
    for (const Case& c : cases) {
        EXPECT_EQ(FolderWindow(c.t), (TimeWindow{c.start, c.start + 10000})) << c.t;
    }
}

TEST(slides_timing, timed_slides_in_order_and_repeated) {
    const SlideImage slides[] = {{0, 0, 5000, 0}, {0, 1, 3000, 1}, {0, 2, 2000, 2}};
    SlideTimeline timeline;
    timeline.Reset(slides, 3);
    ASSERT_TRUE(timeline.HasSlides());
    struct Step {
        int64_t t;
        uint32_t index;
        TimeWindow window;
    };
    // Forward through cycles, a seek back, and times before zero (a Delay).
    const Step steps[] = {
        {0, 0, {0, 5000}},          {4999, 0, {0, 5000}},       {5000, 1, {5000, 8000}},
        {26500, 1, {25000, 28000}}, {28000, 2, {28000, 30000}}, {30500, 0, {30000, 35000}},
        {39999, 2, {38000, 40000}}, {7999, 1, {5000, 8000}},    {1000, 0, {0, 5000}},
        {-1, 2, {-2000, 0}},        {-2500, 1, {-5000, -2000}}, {-10000, 0, {-10000, -5000}},
    };
    for (const Step& s : steps) {
        TimeWindow w;
        EXPECT_EQ(timeline.Locate(s.t, &w), s.index) << s.t;
        EXPECT_EQ(w, s.window) << s.t;
    }
}

TEST(slides_timing, zero_durations_and_large_sums) {
    SlideTimeline timeline;
    // Durations summing to 0: no timed show (nothing to divide by).
    const SlideImage zeros[] = {{0, 0, 0, 0}, {0, 1, 0, 1}};
    timeline.Reset(zeros, 2);
    EXPECT_FALSE(timeline.HasSlides());
    timeline.Reset(nullptr, 5);
    EXPECT_FALSE(timeline.HasSlides());

    // Zero-length slides between others are never shown.
    const SlideImage gaps[] = {{0, 0, 0, 0}, {0, 1, 1000, 1}, {0, 2, 0, 2}, {0, 3, 1000, 3}, {0, 4, 0, 4}};
    timeline.Reset(gaps, 5);
    TimeWindow w;
    EXPECT_EQ(timeline.Locate(0, &w), 1u);
    EXPECT_EQ(timeline.Locate(1000, &w), 3u);
    EXPECT_EQ(w, (TimeWindow{1000, 2000}));
    EXPECT_EQ(timeline.Locate(2500, &w), 1u);

    // Durations whose sum passes 32 bits.
    const SlideImage big[] = {{0, 0, 0xFFFFFFFFu, 0}, {0, 1, 0xFFFFFFFFu, 1}};
    timeline.Reset(big, 2);
    EXPECT_EQ(timeline.Total(), 2ull * 0xFFFFFFFFu);
    EXPECT_EQ(timeline.Locate(2147483647, &w), 0u);
    EXPECT_EQ(w, (TimeWindow{0, 0xFFFFFFFFLL}));
    EXPECT_EQ(timeline.Locate(-1, &w), 1u);
    EXPECT_EQ(w, (TimeWindow{-0xFFFFFFFFLL, 0}));
}

TEST(slides_timing, documents_with_timed_slides) {
    LyricsDocument doc;
    EXPECT_FALSE(HasTimedSlides(doc));
    ASSERT_TRUE(doc.AddSlideImage(0, 0, 0, 0));
    EXPECT_FALSE(HasTimedSlides(doc));  // a show of zero length
    ASSERT_TRUE(doc.AddSlideImage(0, 1, 2000, 1));
    EXPECT_TRUE(HasTimedSlides(doc));
}

TEST(slides_random, picks_avoid_the_previous_one) {
    struct Case {
        const char* name;
        std::vector<uint32_t> values;
        int32_t previous, n, want;
    };
    const Case cases[] = {
        {"value mod n", {17}, -1, 6, 5},
        {"equal to previous moves on", {14}, 2, 6, 3},
        {"moving past the end wraps", {11}, 5, 6, 0},
        {"different from previous stays", {13}, 2, 6, 1},
        {"no source first pick", {}, -1, 6, 0},
        {"no source runs sequentially", {}, 3, 6, 4},
        {"no source wraps", {}, 5, 6, 0},
        {"one choice", {7}, 0, 1, 0},
        {"previous beyond a shrunk list", {}, 9, 4, 0},
        {"no choices", {3}, -1, 0, 0},
        {"full 32-bit value", {0xFFFFFFFFu}, -1, 7, 3},
    };
    for (const Case& c : cases) {
        test::ScriptedRandom random(c.values);
        EXPECT_EQ(PickRandom(&random, c.previous, c.n), c.want) << c.name;
    }
    EXPECT_EQ(PickRandom(nullptr, 1, 6), 2);
    // Over many draws: always in range, never the previous one when n > 1.
    test::CountingRandom random;
    int32_t previous = -1;
    for (int i = 0; i < 2000; ++i) {
        const int32_t k = PickRandom(&random, previous, 5);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 5);
        ASSERT_NE(k, previous);
        previous = k;
    }
}

TEST(slides_scan_plan, entry_zero_pattern_and_prefix) {
    using Kind = FolderProbe::Kind;
    const std::u16string longFolder = u"C:\\" + std::u16string(255, u'a');  // 258 units
    struct Case {
        const char* name;
        std::u16string path;
        Kind kind;
        bool listed;
        std::u16string entry0, prefix, pattern;
    };
    const Case cases[] = {
        {"folder", u"C:\\Pics", Kind::kFolder, true, u"", u"C:\\Pics\\", u"C:\\Pics\\*"},
        {"folder with backslash", u"C:\\Pics\\", Kind::kFolder, true, u"", u"C:\\Pics\\", u"C:\\Pics\\*"},
        {"file", u"C:\\Pics\\a.jpg", Kind::kFile, true, u"C:\\Pics\\a.jpg", u"C:\\Pics\\", u"C:\\Pics\\*"},
        {"file on a drive root", u"D:a.png", Kind::kFile, true, u"D:a.png", u"D:", u"D:*"},
        {"missing", u"C:\\Nope", Kind::kMissing, false, u"", u"", u""},
        {"empty", u"", Kind::kFolder, false, u"", u"", u""},
        {"pattern too long", longFolder, Kind::kFolder, true, u"", longFolder + u"\\", u""},
    };
    for (const Case& c : cases) {
        ScanPlan plan;
        EXPECT_EQ(PlanScan(c.path, c.kind, &plan), c.listed) << c.name;
        EXPECT_EQ(plan.entry0, c.entry0) << c.name;
        EXPECT_EQ(plan.prefix, c.prefix) << c.name;
        EXPECT_EQ(plan.pattern, c.pattern) << c.name;
    }
}

TEST(slides_scanner, lists_files_only_within_the_length_limit) {
    test::FakeFolders folders;
    folders.AddFolder(u"C:\\Pics");
    folders.AddFile(u"C:\\Pics", u"a.jpg");
    folders.AddFile(u"C:\\Pics", u"sub", true);
    folders.AddFile(u"C:\\Pics", u"notes.txt");
    folders.AddFile(u"C:\\Pics", std::u16string(250, u'n'));  // full path 258 units: kept
    folders.AddFile(u"C:\\Pics", std::u16string(252, u'm'));  // full path 260 units: skipped
    PictureList list;
    PictureScanner scanner(list, folders);
    std::u16string path;
    uint32_t generation = 0;

    scanner.SetImagePath(u"C:\\Pics");
    scanner.Scan(nullptr);
    ASSERT_EQ(list.Count(), 4u);
    EXPECT_FALSE(list.Copy(0, &path, &generation));  // a folder's entry 0 is empty
    ASSERT_TRUE(list.Copy(1, &path, &generation));
    EXPECT_EQ(path, u"C:\\Pics\\a.jpg");
    ASSERT_TRUE(list.Copy(2, &path, &generation));
    EXPECT_EQ(path, u"C:\\Pics\\notes.txt");
    ASSERT_TRUE(list.Copy(3, &path, &generation));
    EXPECT_EQ(path.size(), 258u);

    list.Clear();
    scanner.SetImagePath(u"C:\\Pics\\a.jpg");
    scanner.Scan(nullptr);
    ASSERT_EQ(list.Count(), 4u);
    ASSERT_TRUE(list.Copy(0, &path, &generation));
    EXPECT_EQ(path, u"C:\\Pics\\a.jpg");
    EXPECT_EQ(folders.patterns.back(), u"C:\\Pics\\*");

    list.Clear();
    scanner.SetImagePath(u"C:\\Missing");
    scanner.Scan(nullptr);
    EXPECT_EQ(list.Count(), 0u);
}

TEST(slides_picture_list, drops_only_what_was_copied) {
    PictureList list;
    ASSERT_TRUE(list.Append(u"C:\\one.png"));
    ASSERT_TRUE(list.Append(u"C:\\two.png"));
    ASSERT_TRUE(list.Append(u"C:\\three.png"));
    std::u16string path;
    uint32_t generation = 0, stale = 0;
    ASSERT_TRUE(list.Copy(1, &path, &stale));
    ASSERT_TRUE(list.Copy(2, &path, &generation));
    list.Drop(2, generation);
    ASSERT_EQ(list.Count(), 2u);
    list.Drop(1, stale);  // the list changed since: nothing is dropped
    ASSERT_EQ(list.Count(), 2u);
    ASSERT_TRUE(list.Copy(1, &path, &generation));
    EXPECT_EQ(path, u"C:\\two.png");
    ASSERT_TRUE(list.Copy(0, &path, &generation));
    list.Drop(0, generation);  // entry 0 is emptied, the others keep their places
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_FALSE(list.Copy(0, &path, &generation));
    EXPECT_FALSE(list.Copy(7, &path, &generation));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace mr
