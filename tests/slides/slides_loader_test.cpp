// The loader's decisions, one request at a time: folder pictures in random
// order, the single picture, the document's timed slides (embedded and
// external), failures, and what it does with the hand-over slot.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "lyrics/lyrics_document.h"
#include "render/slides/slide_loader.h"
#include "tests/slides/slides_fakes.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using test::AsFake;
using test::LivePictures;

class SlidesLoader : public ::testing::Test {
protected:
    void SetUp() override {
        live0_ = LivePictures().load();
        loader_.SetDecoder(&decoder_);
    }
    void TearDown() override {
        slot_.Drain();
        EXPECT_EQ(LivePictures().load(), live0_) << "pictures leaked";
    }
    // A folder list: empty entry 0 (or a single file), then the names.
    void Fill(std::initializer_list<const char16_t*> files, const char16_t* entry0 = u"") {
        list_.Clear();
        list_.Append(entry0);
        for (const char16_t* f : files) list_.Append(f);
    }
    void Inputs(LyricsDocument* doc, bool random) {
        loader_.SetInputs(doc, random);
        loader_.TakeInputs();
    }
    // Serves t and takes what was delivered (null when nothing).
    Picture* ServeAndTake(int32_t t) {
        loader_.Serve(t, nullptr);
        return slot_.Take();
    }

    PictureList list_;
    PictureSlot slot_;
    test::FakeDecoder decoder_;
    test::CountingRandom random_;
    SlideLoader loader_{list_, slot_, &random_};
    int live0_ = 0;
};

TEST_F(SlidesLoader, random_folder_pictures_every_ten_seconds) {
    Fill({u"p1.jpg", u"p2.jpg", u"notes.txt", u"p3.jpg", u"p4.jpg", u"p5.jpg"});
    decoder_.SetOutcome(u"notes.txt", DecodeResult::kUnusable);
    Inputs(nullptr, true);
    std::u16string previous;
    std::set<std::u16string> seen;
    for (int32_t i = 0; i < 60; ++i) {
        const int32_t t = i * 10000 + 20;
        Picture* p = ServeAndTake(t);
        ASSERT_NE(p, nullptr) << t;
        EXPECT_EQ(p->Window(), (TimeWindow{i * 10000LL, i * 10000LL + 10000})) << t;
        const std::u16string name = AsFake(p).Source();
        EXPECT_NE(name, previous) << "the same picture twice in a row at " << t;
        EXPECT_NE(name, u"notes.txt");
        previous = name;
        seen.insert(name);
        delete p;
    }
    EXPECT_EQ(seen.size(), 5u);
    // The text file was tried once and then dropped from the list.
    int textTries = 0;
    for (const auto& d : decoder_.Decoded()) textTries += d == u"notes.txt";
    EXPECT_EQ(textTries, 1);
    EXPECT_EQ(list_.Count(), 6u);
}

TEST_F(SlidesLoader, the_named_picture_is_not_among_the_random_picks) {
    Fill({u"C:\\p\\a.jpg", u"C:\\p\\b.jpg"}, u"C:\\p\\named.jpg");
    Inputs(nullptr, true);
    for (int32_t i = 0; i < 40; ++i) delete ServeAndTake(i * 10000);
    EXPECT_EQ(decoder_.decodes.load(), 40);
    for (const auto& d : decoder_.Decoded()) EXPECT_NE(d, u"C:\\p\\named.jpg");
    // With only entry 0 in the list nothing is picked at all.
    Fill({}, u"C:\\p\\named.jpg");
    EXPECT_EQ(ServeAndTake(5), nullptr);
    EXPECT_EQ(decoder_.decodes.load(), 40);
}

TEST_F(SlidesLoader, the_single_picture_is_reloaded_for_each_window) {
    Fill({u"other.jpg"}, u"one.jpg");
    Inputs(nullptr, false);
    for (int32_t i = 0; i < 3; ++i) {
        Picture* p = ServeAndTake(i * 10000 + 5);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(AsFake(p).Source(), u"one.jpg");
        EXPECT_EQ(p->Window().start, i * 10000);
        delete p;
    }
    // An unusable single picture is not tried again until the next listing.
    Fill({}, u"broken.jpg");
    decoder_.SetOutcome(u"broken.jpg", DecodeResult::kUnusable);
    EXPECT_EQ(ServeAndTake(40000), nullptr);
    EXPECT_EQ(ServeAndTake(50000), nullptr);
    int tries = 0;
    for (const auto& d : decoder_.Decoded()) tries += d == u"broken.jpg";
    EXPECT_EQ(tries, 1);
    // A folder without a single picture shows nothing when not random.
    Fill({u"a.jpg"});
    EXPECT_EQ(ServeAndTake(60000), nullptr);
}

TEST_F(SlidesLoader, failing_files_cost_a_bounded_number_of_tries) {
    struct Case {
        const char* name;
        DecodeResult outcome;
        uint32_t files;
        int maxDecodes;      // per request
        uint32_t countAfter; // list entries after one request
    };
    const Case cases[] = {
        // Undecodable files are dropped, at most kMaxTriesPerRequest per request.
        {"unusable", DecodeResult::kUnusable, 20, int(SlideLoader::kMaxTriesPerRequest),
         21 - SlideLoader::kMaxTriesPerRequest},
        // A device failure ends the request at once and drops nothing.
        {"device failure", DecodeResult::kFailed, 20, 1, 21},
        {"all unusable, fewer than the bound", DecodeResult::kUnusable, 3, 3, 1},
    };
    for (const Case& c : cases) {
        list_.Clear();
        list_.Append(u"");
        for (uint32_t i = 0; i < c.files; ++i) {
            const std::u16string name = u"f" + std::u16string(1, char16_t(u'a' + i)) + u".jpg";
            list_.Append(name);
            decoder_.SetOutcome(name, c.outcome);
        }
        Inputs(nullptr, true);
        const int before = decoder_.decodes.load();
        EXPECT_EQ(ServeAndTake(0), nullptr) << c.name;
        EXPECT_EQ(decoder_.decodes.load() - before, c.maxDecodes) << c.name;
        EXPECT_EQ(list_.Count(), c.countAfter) << c.name;
    }
}

TEST_F(SlidesLoader, the_slot_keeps_one_picture_and_releases_stale_ones) {
    Fill({u"a.jpg", u"b.jpg"});
    Inputs(nullptr, true);
    loader_.Serve(100, nullptr);
    ASSERT_TRUE(slot_.Occupied());
    const int decodes = decoder_.decodes.load();
    const int live = LivePictures().load();
    // The same window is asked for again (every frame does): not decoded again.
    loader_.Serve(200, nullptr);
    EXPECT_EQ(decoder_.decodes.load(), decodes);
    // Another window while the first still waits: the new one replaces it and
    // the old one is released, not lost.
    loader_.Serve(10100, nullptr);
    EXPECT_EQ(decoder_.decodes.load(), decodes + 1);
    EXPECT_EQ(LivePictures().load(), live);
    Picture* p = slot_.Take();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Window().start, 10000);
    delete p;
    // Parking drops what waits: it was decoded for the old inputs.
    loader_.Serve(20100, nullptr);
    loader_.OnPark();
    EXPECT_FALSE(slot_.Occupied());
}

TEST_F(SlidesLoader, timed_slides_from_the_document) {
    test::ScopedTempDir dir;
    const std::u16string source = dir.Path(u"song.mr");
    // Embedded pictures at known offsets: a good one, one that does not decode.
    const std::string bytes = "HEADERPICfirst-GARBAGE!";
    ASSERT_TRUE(test::WriteFileBytes(source, bytes));
    const std::u16string external = dir.Path(u"second.png");

    LyricsDocument doc;
    ASSERT_TRUE(doc.SourceFile().OpenRead(source));
    ASSERT_TRUE(doc.AddImageData(6, 9));    // "PICfirst-"
    ASSERT_TRUE(doc.AddImageData(15, 8));   // "GARBAGE!"
    uint32_t pathOffset = 0;
    ASSERT_TRUE(doc.AddPoolText(external, &pathOffset));
    ASSERT_TRUE(doc.AddSlideImage(0, 0, 5000, 0));
    ASSERT_TRUE(doc.AddSlideImage(kSlideExternal, 1, 3000, pathOffset));
    ASSERT_TRUE(doc.AddSlideImage(0, 2, 2000, 1));
    Inputs(&doc, true);  // timed slides win over the random folder

    struct Step {
        int32_t t;
        const char16_t* source;
        TimeWindow window;
    };
    const Step steps[] = {
        {100, u"PICfirst-", {0, 5000}},
        {26500, external.c_str(), {25000, 28000}},
        {29000, u"bars", {28000, 30000}},  // the undecodable slide shows the colour bars
        {30500, u"PICfirst-", {30000, 35000}},
        {-500, u"bars", {-2000, 0}},
    };
    for (const Step& s : steps) {
        Picture* p = ServeAndTake(s.t);
        ASSERT_NE(p, nullptr) << s.t;
        EXPECT_EQ(AsFake(p).Source(), std::u16string(s.source)) << s.t;
        EXPECT_EQ(p->Window(), s.window) << s.t;
        delete p;
    }
    EXPECT_EQ(decoder_.bars.load(), 2);

    // A device that cannot make textures delivers nothing (no bars either).
    decoder_.failBytesOnDevice = true;
    EXPECT_EQ(ServeAndTake(29000), nullptr);
    EXPECT_EQ(decoder_.bars.load(), 2);
    decoder_.failBytesOnDevice = false;

    // Bytes beyond the file and a bad image index give the bars too.
    LyricsDocument bad;
    ASSERT_TRUE(bad.SourceFile().OpenRead(source));
    ASSERT_TRUE(bad.AddImageData(20, 100));
    ASSERT_TRUE(bad.AddSlideImage(0, 0, 1000, 0));
    ASSERT_TRUE(bad.AddSlideImage(0, 1, 1000, 7));
    Inputs(&bad, false);
    for (int32_t t : {0, 1000}) {
        Picture* p = ServeAndTake(t);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(AsFake(p).Source(), u"bars");
        delete p;
    }
}

TEST_F(SlidesLoader, slides_of_zero_length_fall_back_to_the_folder) {
    LyricsDocument doc;
    ASSERT_TRUE(doc.AddSlideImage(0, 0, 0, 0));
    ASSERT_TRUE(doc.AddSlideImage(0, 1, 0, 0));
    Fill({u"a.jpg"}, u"single.jpg");
    Inputs(&doc, false);
    Picture* p = ServeAndTake(12345);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(AsFake(p).Source(), u"single.jpg");
    EXPECT_EQ(p->Window(), (TimeWindow{10000, 20000}));
    delete p;
}

}  // namespace
}  // namespace mr
