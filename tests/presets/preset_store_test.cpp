#include "presets/preset_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/presets/preset_test_support.h"

#if !defined(_WIN32)
#include <atomic>
#include <thread>
#endif

namespace mr {
namespace {

using test::FixedPresetEnvironment;
using test::GlobalsKey;
using test::kPresetTestRoot;
using test::PresetKey;

class preset_store : public ::testing::Test {
protected:
    void SetUp() override { SettingsKey::Delete(u"Software\\MireltoTest"); }
    void TearDown() override { SettingsKey::Delete(u"Software\\MireltoTest"); }

    std::unique_ptr<PresetStore> NewStore() { return std::make_unique<PresetStore>(env, kPresetTestRoot); }
    DisplayPreset Load(int index) {
        DisplayPreset p{};
        auto store = NewStore();
        EXPECT_TRUE(store->CopyPreset(index, &p));
        return p;
    }

    FixedPresetEnvironment env;
};

std::u16string Text(const char16_t* field, size_t units) { return std::u16string(PresetText(field, units)); }

TEST_F(preset_store, without_keys_the_six_defaults_load) {
    struct Row {
        int antiAliased, outline, scroll, slideShow, displayLine, textPoint, textHAlignOffset_;
        int textHAlignFlag, textHAlignFlag_, textVAlignFlag;
        uint32_t colorBottom0, colorBottom1;
        const char16_t* face;
        int weight, italic, height;
    };
    const Row rows[kPresetCount] = {
        {1, 1, 1, 1, 2, 240, 120, 1, 1, 2, 0x708170, 0x0000FF, u"Impact", 400, 0, -32},
        {1, 1, 1, 0, 6, 240, 60, 0, 1, 0, 0x708170, 0xFF6000, u"Impact", 400, 0, -32},
        {1, 1, 0, 0, 1, 240, 60, 1, 1, 2, 0x708170, 0xFF0080, u"Impact", 400, 1, -32},
        {1, 0, 1, 0, 8, 160, 60, 1, 1, 2, 0xFFFFFF, 0xFF6000, u"Tahoma", 400, 0, -21},
        {1, 0, 0, 0, 6, 160, 60, 1, 1, 2, 0xFFFFFF, 0xFF80FF, u"Tahoma", 400, 0, -21},
        {1, 0, 1, 1, 6, 240, 60, 0, 0, 0, 0xFFFFFF, 0xFF8000, u"Times New Roman", 700, 1, -32},
    };
    auto store = NewStore();
    for (int i = 0; i < kPresetCount; ++i) {
        SCOPED_TRACE(i);
        const Row& r = rows[i];
        DisplayPreset p;
        ASSERT_TRUE(store->CopyPreset(i, &p));
        EXPECT_EQ(p.AntiAliased, r.antiAliased);
        EXPECT_EQ(p.Outline, r.outline);
        EXPECT_EQ(p.Scroll, r.scroll);
        EXPECT_EQ(p.SlideShow, r.slideShow);
        EXPECT_EQ(p.DisplayLine, r.displayLine);
        EXPECT_EQ(p.TextPoint, r.textPoint);
        EXPECT_EQ(p.TextHAlignOffset_, r.textHAlignOffset_);
        EXPECT_EQ(p.TextHAlignFlag, r.textHAlignFlag);
        EXPECT_EQ(p.TextHAlignFlag_, r.textHAlignFlag_);
        EXPECT_EQ(p.TextVAlignFlag, r.textVAlignFlag);
        EXPECT_EQ(p.ColorBottom_0, r.colorBottom0);
        EXPECT_EQ(p.ColorBottom_1, r.colorBottom1);
        EXPECT_EQ(Text(p.Font.lfFaceName, kPresetFaceUnits), r.face);
        EXPECT_EQ(p.Font.lfWeight, r.weight);
        EXPECT_EQ(p.Font.lfItalic, r.italic);
        EXPECT_EQ(p.Font.lfHeight, r.height);  // 160 tenths at 96 dpi: -21.33 rounds to -21
        EXPECT_EQ(p.Font.lfCharSet, 0);
        // Shared by all six.
        EXPECT_EQ(p.Delay, 0);
        EXPECT_EQ(p.Revision, 1);
        EXPECT_EQ(p.GradientTop_0 | p.GradientTop_1 | p.GradientBottom_0 | p.GradientBottom_1, 0);
        EXPECT_EQ(p.TextHAlignOffset, 60);
        EXPECT_EQ(p.TextVAlignOffset, 60);
        EXPECT_EQ(p.ImageHAlignOffset | p.ImageVAlignOffset | p.ImageHAlignFlag | p.ImageVAlignFlag | p.ImagePosFlag,
                  0);
        EXPECT_EQ(p.ColorTop_0, 0xFFFFFFu);
        EXPECT_EQ(p.ColorTop_1, 0xFFFFFFu);
        EXPECT_EQ(p.ColorOutline_0, 0xFFFFFFu);
        EXPECT_EQ(p.ColorOutline_1, 0xFFFFFFu);
        EXPECT_EQ(p.ColorBack, 0u);
        EXPECT_EQ(Text(p.LyricsPath, kPresetPathUnits), u"");
        EXPECT_EQ(Text(p.ImagePath, kPresetPathUnits), u"");
        EXPECT_EQ(Text(p.PresetName, kPresetNameUnits), u"Preset #" + std::u16string(1, char16_t(u'1' + i)));
        std::u16string name;
        EXPECT_TRUE(store->GetPresetName(i, &name));
        EXPECT_EQ(name, Text(p.PresetName, kPresetNameUnits));
    }
    std::u16string name;
    EXPECT_FALSE(store->GetPresetName(6, &name));
    EXPECT_FALSE(store->GetPresetName(-1, &name));
    DisplayPreset p;
    EXPECT_FALSE(store->CopyPreset(6, &p));
    EXPECT_FALSE(store->SetStoreCurrentPreset(6));
}

// How a row stores its value.
enum class Kind { Dword, String, Binary, LongString };

struct BadValue {
    const char* why;
    int preset;  // -1: the global key
    const char16_t* name;
    Kind kind;
    uint32_t dword;
    std::u16string text;  // string values; LongString: repeated to `dword` units without a terminator
};

// Reads a field of the record by the value name that fills it.
std::u16string FieldOf(const DisplayPreset& p, std::u16string_view name) {
    auto n = [](int64_t v) {
        std::string s = std::to_string(v);
        return std::u16string(s.begin(), s.end());
    };
    if (name == u"LyricsPath") return Text(p.LyricsPath, kPresetPathUnits);
    if (name == u"ImagePath") return Text(p.ImagePath, kPresetPathUnits);
    if (name == u"PresetName") return Text(p.PresetName, kPresetNameUnits);
    if (name == u"FaceName") return Text(p.Font.lfFaceName, kPresetFaceUnits);
    if (name == u"CharSet") return n(p.Font.lfCharSet);
    if (name == u"Italic") return n(p.Font.lfItalic);
    if (name == u"Bold") return n(p.Font.lfWeight);
    if (name == u"TextPoint") return n(p.TextPoint) + u"/" + n(p.Font.lfHeight);
    const std::pair<const char16_t*, int64_t> ints[] = {
        {u"AntiAliased", p.AntiAliased},         {u"Outline", p.Outline},
        {u"Scroll", p.Scroll},                   {u"SlideShow", p.SlideShow},
        {u"DisplayLine", p.DisplayLine},         {u"Delay", p.Delay},
        {u"GradientTop_0", p.GradientTop_0},     {u"GradientTop_1", p.GradientTop_1},
        {u"GradientBottom_0", p.GradientBottom_0}, {u"GradientBottom_1", p.GradientBottom_1},
        {u"TextHAlignOffset", p.TextHAlignOffset}, {u"TextHAlignOffset_", p.TextHAlignOffset_},
        {u"TextVAlignOffset", p.TextVAlignOffset}, {u"ImageHAlignOffset", p.ImageHAlignOffset},
        {u"ImageVAlignOffset", p.ImageVAlignOffset}, {u"TextHAlignFlag", p.TextHAlignFlag},
        {u"TextHAlignFlag_", p.TextHAlignFlag_}, {u"TextVAlignFlag", p.TextVAlignFlag},
        {u"ImageHAlignFlag", p.ImageHAlignFlag}, {u"ImageVAlignFlag", p.ImageVAlignFlag},
        {u"ImagePosFlag", p.ImagePosFlag},       {u"ColorTop_0", p.ColorTop_0},
        {u"ColorTop_1", p.ColorTop_1},           {u"ColorBottom_0", p.ColorBottom_0},
        {u"ColorBottom_1", p.ColorBottom_1},     {u"ColorOutline_0", p.ColorOutline_0},
        {u"ColorOutline_1", p.ColorOutline_1},   {u"ColorBack", p.ColorBack},
    };
    for (auto& [k, v] : ints)
        if (name == k) return n(v);
    ADD_FAILURE() << "no field for a value name";
    return {};
}

void Store(SettingsKey& key, const BadValue& row) {
    switch (row.kind) {
        case Kind::Dword: ASSERT_TRUE(key.WriteDword(row.name, row.dword)); break;
        case Kind::String: ASSERT_TRUE(key.WriteString(row.name, row.text)); break;
        case Kind::Binary: ASSERT_TRUE(key.WriteBinary(row.name, &row.dword, 4)); break;
        case Kind::LongString: {
            // `dword` units: with the terminator one unit more than the
            // record's field holds. (The Windows tests also store such a value
            // without its terminator, which only the registry allows.)
            std::u16string s;
            while (s.size() < row.dword) s += row.text;
            s.resize(row.dword);
            ASSERT_TRUE(key.WriteString(row.name, s));
            break;
        }
    }
}

TEST_F(preset_store, a_value_out_of_range_or_of_the_wrong_type_keeps_its_default) {
    env.paths = {u"/lyrics", u"/pictures"};
    const std::vector<BadValue> rows = {
        {"display line above 8", 0, u"DisplayLine", Kind::Dword, 9, {}},
        {"display line 0", 0, u"DisplayLine", Kind::Dword, 0, {}},
        {"display line as a string", 0, u"DisplayLine", Kind::String, 0, u"4"},
        {"display line as binary", 0, u"DisplayLine", Kind::Binary, 4, {}},
        {"anti-aliased 2", 1, u"AntiAliased", Kind::Dword, 2, {}},
        {"outline 4", 1, u"Outline", Kind::Dword, 4, {}},
        {"scroll 2", 2, u"Scroll", Kind::Dword, 2, {}},
        {"slide show -1", 0, u"SlideShow", Kind::Dword, 0xFFFFFFFF, {}},
        {"text point 59", 3, u"TextPoint", Kind::Dword, 59, {}},
        {"text point 1441", 3, u"TextPoint", Kind::Dword, 1441, {}},
        {"gradient 51", 4, u"GradientTop_0", Kind::Dword, 51, {}},
        {"gradient negative", 4, u"GradientBottom_1", Kind::Dword, 0xFFFFFFFF, {}},
        {"offset 501", 5, u"TextHAlignOffset", Kind::Dword, 501, {}},
        {"offset negative", 5, u"TextVAlignOffset", Kind::Dword, 0x80000000, {}},
        {"image offset 501", 5, u"ImageVAlignOffset", Kind::Dword, 501, {}},
        {"alignment 3", 0, u"TextHAlignFlag_", Kind::Dword, 3, {}},
        {"vertical alignment 3", 0, u"TextVAlignFlag", Kind::Dword, 3, {}},
        {"image flag 3", 0, u"ImageHAlignFlag", Kind::Dword, 3, {}},
        {"placement 5", 0, u"ImagePosFlag", Kind::Dword, 5, {}},
        {"colour with a high byte", 1, u"ColorTop_1", Kind::Dword, 0x1000000, {}},
        {"colour all ones", 1, u"ColorBack", Kind::Dword, 0xFFFFFFFF, {}},
        {"colour as a string", 1, u"ColorOutline_0", Kind::String, 0, u"255"},
        {"character set 256", 2, u"CharSet", Kind::Dword, 256, {}},
        {"italic as a string", 0, u"Italic", Kind::String, 0, u"1"},
        {"bold as binary", 5, u"Bold", Kind::Binary, 400, {}},
        {"face as a DWORD", 0, u"FaceName", Kind::Dword, 1, {}},
        {"face of a bitmap font", 0, u"FaceName", Kind::String, 0, u"Fixedsys"},
        {"face filling its field", 0, u"FaceName", Kind::LongString, 32, u"Arial"},
        {"name empty", 2, u"PresetName", Kind::String, 0, u""},
        {"name filling its field", 2, u"PresetName", Kind::LongString, 64, u"ab"},
        {"name as a DWORD", 2, u"PresetName", Kind::Dword, 7, {}},
        {"picture path that does not exist", 3, u"ImagePath", Kind::String, 0, u"/nowhere"},
        {"picture path filling its field", 3, u"ImagePath", Kind::LongString, 260, u"/pictures"},
        {"delay 6000", -1, u"Delay", Kind::Dword, 6000, {}},
        {"delay -5001", -1, u"Delay", Kind::Dword, static_cast<uint32_t>(-5001), {}},
        {"delay as a string", -1, u"Delay", Kind::String, 0, u"100"},
        {"lyrics folder that does not exist", -1, u"LyricsPath", Kind::String, 0, u"/gone"},
        {"lyrics folder filling its field", -1, u"LyricsPath", Kind::LongString, 260, u"/lyrics"},
        {"lyrics folder as binary", -1, u"LyricsPath", Kind::Binary, 0x2f, {}},
    };
    const int preset_of_global = 4;  // any record shows the global values
    for (const BadValue& row : rows) {
        SCOPED_TRACE(row.why);
        SettingsKey::Delete(u"Software\\MireltoTest");
        const int index = row.preset < 0 ? preset_of_global : row.preset;
        const DisplayPreset before = Load(index);
        {
            auto key = row.preset < 0 ? GlobalsKey() : PresetKey(row.preset);
            ASSERT_NE(key, nullptr);
            Store(*key, row);
        }
        const DisplayPreset after = Load(index);
        EXPECT_EQ(FieldOf(after, row.name), FieldOf(before, row.name));
        EXPECT_TRUE(SamePresetSettings(after, before));
    }
}

TEST_F(preset_store, values_at_the_edges_of_their_ranges_are_taken) {
    env.paths = {u"/lyrics", u"/pictures/one.png"};
    const std::vector<BadValue> rows = {
        {"display line 8", 0, u"DisplayLine", Kind::Dword, 8, u"8"},
        {"display line 1", 1, u"DisplayLine", Kind::Dword, 1, u"1"},
        {"outline 3", 3, u"Outline", Kind::Dword, 3, u"3"},
        {"text point 60", 0, u"TextPoint", Kind::Dword, 60, u"60/-8"},
        {"text point 1440", 0, u"TextPoint", Kind::Dword, 1440, u"1440/-192"},
        {"gradient 50", 2, u"GradientBottom_0", Kind::Dword, 50, u"50"},
        {"offset 500", 2, u"ImageHAlignOffset", Kind::Dword, 500, u"500"},
        {"offset 0", 0, u"TextHAlignOffset_", Kind::Dword, 0, u"0"},
        {"placement 4", 4, u"ImagePosFlag", Kind::Dword, 4, u"4"},
        {"colour 0xFFFFFF", 4, u"ColorBack", Kind::Dword, 0xFFFFFF, u"16777215"},
        {"character set 255", 4, u"CharSet", Kind::Dword, 255, u"255"},
        {"italic 5", 0, u"Italic", Kind::Dword, 5, u"1"},
        {"italic 0 on an italic preset", 5, u"Italic", Kind::Dword, 0, u"0"},
        {"bold 700 on a regular preset", 0, u"Bold", Kind::Dword, 700, u"700"},
        {"bold 900 reads as bold", 0, u"Bold", Kind::Dword, 900, u"700"},
        {"bold 400 on the bold preset", 5, u"Bold", Kind::Dword, 400, u"400"},
        {"face installed", 1, u"FaceName", Kind::String, 0, u"Courier New"},
        {"name of 63 units", 1, u"PresetName", Kind::String, 0, std::u16string(63, u'n')},
        {"picture path", 1, u"ImagePath", Kind::String, 0, u"/pictures/one.png"},
        {"delay -5000", -1, u"Delay", Kind::Dword, static_cast<uint32_t>(-5000), u"-5000"},
        {"delay 5000", -1, u"Delay", Kind::Dword, 5000, u"5000"},
        {"lyrics folder", -1, u"LyricsPath", Kind::String, 0, u"/lyrics"},
    };
    for (const BadValue& row : rows) {
        SCOPED_TRACE(row.why);
        SettingsKey::Delete(u"Software\\MireltoTest");
        {
            auto key = row.preset < 0 ? GlobalsKey() : PresetKey(row.preset);
            ASSERT_NE(key, nullptr);
            Store(*key, row);
        }
        auto store = NewStore();
        for (int i = 0; i < kPresetCount; ++i) {
            if (row.preset >= 0 && i != row.preset) continue;
            DisplayPreset p;
            ASSERT_TRUE(store->CopyPreset(i, &p));
            EXPECT_EQ(FieldOf(p, row.name), row.text) << "preset " << i;
        }
    }
}

TEST_F(preset_store, faces_fall_back_to_the_default_then_to_arial_and_heights_follow_the_screen) {
    struct Row {
        const char* why;
        const char16_t* stored;
        uint32_t charSet;
        bool impactInstalled;
        int dpi;
        uint32_t textPoint;
        const char16_t* face;
        int expectCharSet;
        int height;
    };
    const Row rows[] = {
        {"installed face", u"Tahoma", 0, true, 96, 120, u"Tahoma", 0, -16},
        {"bitmap face, default installed", u"Fixedsys", 0, true, 96, 240, u"Impact", 0, -32},
        {"unknown face keeps the character set", u"Nonesuch", 161, true, 120, 120, u"Impact", 161, -20},
        {"unknown face, default missing", u"Nonesuch", 161, false, 144, 125, u"Arial", 0, -25},
        {"no face stored, default missing", nullptr, 0, false, 96, 120, u"Impact", 0, -16},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        SettingsKey::Delete(u"Software\\MireltoTest");
        env.dpi = r.dpi;
        if (r.impactInstalled)
            env.faces.insert(u"Impact");
        else
            env.faces.erase(u"Impact");
        {
            auto key = PresetKey(0);
            if (r.stored) key->WriteString(u"FaceName", r.stored);
            key->WriteDword(u"CharSet", r.charSet);
            key->WriteDword(u"TextPoint", r.textPoint);
        }
        const DisplayPreset p = Load(0);
        EXPECT_EQ(Text(p.Font.lfFaceName, kPresetFaceUnits), r.face);
        EXPECT_EQ(p.Font.lfCharSet, r.expectCharSet);
        EXPECT_EQ(p.Font.lfHeight, r.height);
    }
    EXPECT_EQ(MulDivRound(-7, 3, 2), -11);  // -10.5 rounds away from zero, as MulDiv does
    EXPECT_EQ(MulDivRound(7, 3, -2), -11);
    EXPECT_EQ(MulDivRound(1, 1, 0), 0);
}

// Applies edits to a snapshot of the store and hands it back.
int Edit(PresetStore& store, const std::function<void(PresetSettings&)>& edit, bool ok = true) {
    auto block = std::make_unique<PresetSettings>();
    EXPECT_TRUE(store.GetSettings(block.get()));
    edit(*block);
    block->changed = ok ? 1 : 0;
    return store.ApplySettings(*block);
}

TEST_F(preset_store, apply_bumps_the_revision_of_changed_presets_only_and_save_writes_only_those) {
    auto store = NewStore();
    // Cancelled: nothing changes even though the block differs.
    EXPECT_EQ(Edit(*store, [](PresetSettings& b) { b.presets[1].DisplayLine = 4; }, false), 0);
    EXPECT_FALSE(store->RevisionDiffers(1, 1));

    // Preset #2 changed; #3 changed and changed back within the same session,
    // with a longer name in between that leaves its tail in the field.
    EXPECT_EQ(Edit(*store,
                   [](PresetSettings& b) {
                       b.presets[1].DisplayLine = 4;
                       std::memcpy(b.presets[2].PresetName, u"A much longer name", 38);
                       std::memcpy(b.presets[2].PresetName, u"Preset #3", 20);
                       b.presets[2].Revision = 7;  // whatever the dialog's copy says
                   }),
              1);
    DisplayPreset p;
    ASSERT_TRUE(store->CopyPreset(1, &p));
    EXPECT_EQ(p.DisplayLine, 4);
    EXPECT_EQ(p.Revision, 2);
    for (int i : {0, 2, 3, 4, 5}) EXPECT_FALSE(store->RevisionDiffers(i, 1)) << i;
    EXPECT_TRUE(store->RevisionDiffers(1, 1));

    // A reset in the dialog hands back a copy with Revision 1: the store still
    // moves on from its own revision, so a renderer at 2 notices.
    EXPECT_EQ(Edit(*store,
                   [&](PresetSettings& b) {
                       ASSERT_TRUE(store->LoadPresetDefaults(1, &b.presets[1], true));
                       b.presets[1].DisplayLine = 2;
                   }),
              1);
    ASSERT_TRUE(store->CopyPreset(1, &p));
    EXPECT_EQ(p.Revision, 3);
    EXPECT_EQ(p.DisplayLine, 2);
    EXPECT_TRUE(store->RevisionDiffers(1, 2));

    // Changed in one session, changed back in the next: now different from
    // the defaults of nothing, but its Revision is above 1, so it is written.
    EXPECT_EQ(Edit(*store, [](PresetSettings& b) { b.presets[4].Outline = 1; }), 1);
    EXPECT_EQ(Edit(*store, [](PresetSettings& b) { b.presets[4].Outline = 0; }), 1);
    ASSERT_TRUE(store->SetStoreCurrentPreset(3));
    EXPECT_EQ(Edit(*store, [](PresetSettings& b) { b.currentPreset = 1; }), 0);
    EXPECT_EQ(store->CurrentPreset(), 3);  // the hosts keep their own choice
    store.reset();  // saves

    for (int i = 0; i < kPresetCount; ++i) {
        auto key = SettingsKey::Open(PresetKeyPath(kPresetTestRoot, i), false);
        EXPECT_EQ(key != nullptr, i == 1 || i == 4) << i;
    }
    EXPECT_EQ(SettingsKey::Open(PresetsKeyPath(kPresetTestRoot), false), nullptr);  // globals unchanged
    auto key = PresetKey(1);
    uint32_t v = 0;
    EXPECT_TRUE(key->ReadDword(u"DisplayLine", &v));
    EXPECT_EQ(v, 2u);
    std::u16string s;
    EXPECT_TRUE(key->ReadString(u"PresetName", 128, &s));
    EXPECT_EQ(s, u"Preset #2");
}

TEST_F(preset_store, saved_presets_and_global_values_read_back_the_same) {
    env.paths = {u"/lyrics", u"/pictures"};
    auto store = NewStore();
    EXPECT_EQ(Edit(*store,
                   [](PresetSettings& b) {
                       b.Delay = -250;
                       SetPresetText(b.LyricsPath, kPresetPathUnits, u"/lyrics");
                       DisplayPreset& p = b.presets[5];
                       p.AntiAliased = 0;
                       p.Outline = 1;
                       p.DisplayLine = 4;
                       p.TextPoint = 333;
                       p.GradientTop_1 = 50;
                       p.TextVAlignOffset = 499;
                       p.ImagePosFlag = 3;
                       p.ColorBack = 0x123456;
                       p.Font.lfWeight = 400;  // made regular
                       p.Font.lfItalic = 0;
                       p.Font.lfCharSet = 204;
                       SetPresetText(p.Font.lfFaceName, kPresetFaceUnits, u"Courier New");
                       SetPresetText(p.ImagePath, kPresetPathUnits, u"/pictures");
                       SetPresetText(p.PresetName, kPresetNameUnits, u"Karaoke night");
                   }),
              kPresetCount);  // the global values change every record
    DisplayPreset saved[kPresetCount];
    for (int i = 0; i < kPresetCount; ++i) ASSERT_TRUE(store->CopyPreset(i, &saved[i]));
    store.reset();

    store = NewStore();
    for (int i = 0; i < kPresetCount; ++i) {
        DisplayPreset p;
        ASSERT_TRUE(store->CopyPreset(i, &p));
        // Heights are recomputed from TextPoint on load; the dialog sets them
        // the same way.
        saved[i].Font.lfHeight = FontHeightFromTextPoint(saved[i].TextPoint, env.dpi);
        EXPECT_TRUE(SamePresetSettings(p, saved[i])) << i;
        EXPECT_EQ(p.Revision, 1);
    }

    // Setting the delay back to 0 and clearing the folder is saved too.
    EXPECT_EQ(Edit(*store,
                   [](PresetSettings& b) {
                       b.Delay = 0;
                       b.LyricsPath[0] = 0;
                   }),
              kPresetCount);
    store.reset();
    DisplayPreset p = Load(2);
    EXPECT_EQ(p.Delay, 0);
    EXPECT_EQ(Text(p.LyricsPath, kPresetPathUnits), u"");
    // A delay beyond what the store reads back is limited on apply.
    store = NewStore();
    Edit(*store, [](PresetSettings& b) { b.Delay = 20000; });
    store.reset();
    EXPECT_EQ(Load(0).Delay, 5000);
}

TEST_F(preset_store, change_tests_cover_their_fields) {
    auto store = NewStore();
    DisplayPreset base;
    ASSERT_TRUE(store->CopyPreset(2, &base));
    struct Row {
        const char* why;
        std::function<void(DisplayPreset&)> edit;
        bool font, image, slideShow;
    };
    const Row rows[] = {
        {"nothing", [](DisplayPreset&) {}, false, false, false},
        {"anti-aliasing", [](DisplayPreset& p) { p.AntiAliased = 0; }, true, false, false},
        {"gradient", [](DisplayPreset& p) { p.GradientBottom_1 = 10; }, true, false, false},
        {"odd-line offset", [](DisplayPreset& p) { p.TextHAlignOffset_ = 1; }, true, false, false},
        {"bottom colour", [](DisplayPreset& p) { p.ColorBottom_1 = 1; }, true, false, false},
        {"weight", [](DisplayPreset& p) { p.Font.lfWeight = 700; }, true, false, false},
        {"face", [](DisplayPreset& p) { p.Font.lfFaceName[0] = u'J'; }, true, false, false},
        {"vertical offset only", [](DisplayPreset& p) { p.TextVAlignOffset = 1; }, false, false, false},
        {"outline colour only", [](DisplayPreset& p) { p.ColorOutline_0 = 1; }, false, false, false},
        {"picture path case", [](DisplayPreset& p) { SetPresetText(p.ImagePath, 260, u"X"); }, false, true, false},
        {"slide show", [](DisplayPreset& p) { p.SlideShow = 1; }, false, false, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        DisplayPreset p = base;
        r.edit(p);
        EXPECT_EQ(store->FontSettingsDiffer(2, p), r.font);
        EXPECT_EQ(store->ImagePathDiffers(2, p), r.image);
        EXPECT_EQ(store->SlideShowDiffers(2, p), r.slideShow);
    }
    // Out of range: always "changed", never a read past the six records.
    EXPECT_TRUE(store->FontSettingsDiffer(6, base));
    EXPECT_TRUE(store->RevisionDiffers(-1, 1));
}

TEST_F(preset_store, reset_takes_only_the_default_picture_path) {
    env.paths = {u"/pictures/default", u"/pictures/mine"};
    {
        auto key = PresetKey(3);
        key->WriteString(u"ImagePathDef", u"/pictures/default");
        key->WriteString(u"ImagePath", u"/pictures/mine");
        key->WriteDword(u"DisplayLine", 2);
    }
    auto store = NewStore();
    DisplayPreset loaded, reset;
    ASSERT_TRUE(store->CopyPreset(3, &loaded));
    ASSERT_TRUE(store->LoadPresetDefaults(3, &reset, true));
    EXPECT_EQ(Text(loaded.ImagePath, 260), u"/pictures/mine");
    EXPECT_EQ(loaded.DisplayLine, 2);
    EXPECT_EQ(Text(reset.ImagePath, 260), u"/pictures/default");
    EXPECT_EQ(reset.DisplayLine, 8);
    EXPECT_EQ(reset.Revision, 1);
}

#if !defined(_WIN32)
// The options dialog may apply on one thread while another thread copies the
// preset for drawing: a copy is always one whole state, never half of each.
TEST_F(preset_store, copies_taken_while_another_thread_applies_are_whole) {
    auto store = NewStore();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int n = 0; n < 300; ++n) {
            Edit(*store, [n](PresetSettings& b) {
                b.presets[0].DisplayLine = 1 + n % 8;
                b.presets[0].TextPoint = 100 + n % 8;
                SetPresetText(b.presets[0].PresetName, kPresetNameUnits, std::u16string(1 + n % 8, u'x'));
            });
        }
        stop = true;
    });
    int torn = 0;
    while (!stop) {
        DisplayPreset p;
        store->CopyPreset(0, &p);
        const size_t len = PresetText(p.PresetName, kPresetNameUnits).size();
        if (p.Revision > 1 && (p.TextPoint - 100 + 1 != p.DisplayLine || len != static_cast<size_t>(p.DisplayLine)))
            ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}
#endif

}  // namespace
}  // namespace mr
