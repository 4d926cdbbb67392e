#include "editor/frame/editor_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/settings.h"
#include "tests/frame/raw_value.h"

namespace mr {
namespace {

constexpr char16_t kKey[] = u"Software\\MireltoTest\\Editor";

// A screen of 1280 x 1024 at 120 dpi with a few families: TrueType ones and a
// raster one.
class FakeEnvironment final : public SettingsEnvironment {
public:
    bool screen = true;
    std::map<std::u16string, bool> families = {
        {u"Fixedsys", false}, {u"Impact", true}, {u"Arial", true}, {u"Tahoma", true}, {u"Terminal", false},
        {u"A Face Of Exactly 31 Units Long", true}};

    bool Screen(int32_t* dpi, ScreenRect* desktop) override {
        if (!screen) return false;
        *dpi = 120;
        *desktop = ScreenRect{0, 0, 1280, 1024};
        return true;
    }
    bool HasFontFamily(const FontRecord& font, bool trueTypeOnly) override {
        auto it = families.find(font.face);
        return it != families.end() && (!trueTypeOnly || it->second);
    }
};

class editor_settings : public ::testing::Test {
protected:
    void SetUp() override { SettingsKey::Delete(u"Software\\MireltoTest"); }
    void TearDown() override { SettingsKey::Delete(u"Software\\MireltoTest"); }

    std::unique_ptr<SettingsKey> Key() { return SettingsKey::Open(kKey, true); }
    EditorSettings Load() {
        EditorSettings s;
        EXPECT_TRUE(LoadEditorSettings(&s, env, kKey));
        return s;
    }

    FakeEnvironment env;
};

TEST_F(editor_settings, without_a_key_every_default_stands) {
    const EditorSettings s = Load();
    EXPECT_EQ(s.window, (ScreenRect{260, 242, 1020, 782}));  // 760 x 540 centred on 1280 x 1024
    EXPECT_EQ(s.textFont, (FontRecord{-20, 400, 0, 0, u"Fixedsys"}));  // 12 pt at 120 dpi
    EXPECT_EQ(s.lyricsFont, (FontRecord{-40, 400, 0, 0, u"Impact"}));
    EXPECT_EQ(s.textPoint, 120);
    EXPECT_EQ(s.lyricsPoint, 240);
    EXPECT_EQ(s.simpleMode, 0u);
    EXPECT_EQ(s.slowDown, 0u);
    EXPECT_EQ(s.previewImage, 1u);
    EXPECT_EQ(s.antiAliased, 1u);
    EXPECT_EQ(s.editTextColor[0], 0xFFA020u);
    EXPECT_EQ(s.editTextColor[1], 0x20A0FFu);
    EXPECT_EQ(s.previewTextColor[1], 0x109000u);
    EXPECT_EQ(s.previewOutlineColor[0], 0xC0C0C0u);
    EXPECT_EQ(s.scopeColor[3], 0x8080FFu);
    EXPECT_EQ(s.dpi, 120);
}

TEST_F(editor_settings, without_a_screen_loading_fails) {
    env.screen = false;
    EditorSettings s;
    EXPECT_FALSE(LoadEditorSettings(&s, env, kKey));
}

// Each stored DWORD value against the field it sets, at and beyond the edges
// of its rule.
TEST_F(editor_settings, stored_values_pass_their_rules_or_leave_the_default) {
    struct Case {
        const char16_t* name;
        uint32_t stored;
        int32_t (*field)(const EditorSettings&);
        int32_t expected;
    };
    auto textPoint = [](const EditorSettings& s) { return s.textPoint; };
    auto textHeight = [](const EditorSettings& s) { return s.textFont.height; };
    auto lyricsPoint = [](const EditorSettings& s) { return s.lyricsPoint; };
    auto lyricsHeight = [](const EditorSettings& s) { return s.lyricsFont.height; };
    auto textWeight = [](const EditorSettings& s) { return s.textFont.weight; };
    auto lyricsWeight = [](const EditorSettings& s) { return s.lyricsFont.weight; };
    auto textItalic = [](const EditorSettings& s) { return int32_t{s.textFont.italic}; };
    auto lyricsCharSet = [](const EditorSettings& s) { return int32_t{s.lyricsFont.charSet}; };
    auto simple = [](const EditorSettings& s) { return static_cast<int32_t>(s.simpleMode); };
    auto colour = [](const EditorSettings& s) { return static_cast<int32_t>(s.editTextColor[1]); };
    auto scope = [](const EditorSettings& s) { return static_cast<int32_t>(s.scopeColor[2]); };
    const Case cases[] = {
        {u"TextPoint", 59, textPoint, 120},    {u"TextPoint", 60, textPoint, 60},
        {u"TextPoint", 180, textPoint, 180},   {u"TextPoint", 181, textPoint, 120},
        {u"TextPoint", 100, textHeight, -16},  {u"TextPoint", 0xFFFFFFFF, textHeight, -20},
        {u"LyricsPoint", 720, lyricsPoint, 720}, {u"LyricsPoint", 721, lyricsPoint, 240},
        {u"LyricsPoint", 720, lyricsHeight, -120}, {u"LyricsPoint", 721, lyricsHeight, -40},
        {u"TextBold", 600, textWeight, 400},   {u"TextBold", 700, textWeight, 700},
        {u"TextBold", 1000, textWeight, 700},  {u"LyricsBold", 699, lyricsWeight, 400},
        {u"TextItalic", 5, textItalic, 1},     {u"TextItalic", 0, textItalic, 0},
        // No face is stored, so the face falls back to Arial and resets the set.
        {u"LyricsCharSet", 255, lyricsCharSet, 0},
        {u"SimpleMode0", 7, simple, 7},
        {u"EditTextColor1", 0xFFFFFF, colour, 0xFFFFFF}, {u"EditTextColor1", 0x1000000, colour, 0x20A0FF},
        {u"ScopeColor2", 0x123456, scope, 0x123456},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name))
                                        << " = " << c.stored);
        SettingsKey::Delete(kKey);
        ASSERT_TRUE(Key()->WriteDword(c.name, c.stored));
        EXPECT_EQ(c.field(Load()), c.expected);
    }
}

TEST_F(editor_settings, a_value_of_another_type_reads_as_absent) {
    auto key = Key();
    ASSERT_TRUE(key->WriteString(u"TextPoint", u"100"));
    const uint8_t bytes[4] = {100, 0, 0, 0};
    ASSERT_TRUE(key->WriteBinary(u"LyricsPoint", bytes, 4));
    const EditorSettings s = Load();
    EXPECT_EQ(s.textPoint, 120);
    EXPECT_EQ(s.lyricsPoint, 240);
}

// The four rectangle values stand or fall together. Coordinates are signed:
// a window on a monitor left of the primary one has a negative left edge.
TEST_F(editor_settings, the_window_rectangle_is_kept_only_whole_and_on_the_desktop) {
    const ScreenRect kDefault{260, 242, 1020, 782};
    struct Case {
        const char* what;
        ScreenRect stored;
        bool accepted;
    };
    const Case cases[] = {
        {"smallest size", {100, 100, 656, 486}, true},
        {"one pixel too narrow", {100, 100, 655, 486}, false},
        {"one pixel too low", {100, 100, 656, 485}, false},
        {"whole desktop", {0, 0, 1280, 1024}, true},
        {"wider than the desktop", {0, 0, 1281, 600}, false},
        {"hanging off the left", {-500, 100, 100, 600}, true},
        {"only 10 pixels on the left", {-590, 100, 10, 600}, false},
        {"only 10 pixels at the bottom", {100, 1014, 800, 1500}, false},
        {"above the top", {100, -450, 800, 11}, true},
        {"reversed", {900, 100, 100, 600}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsKey::Delete(kKey);
        auto key = Key();
        ASSERT_TRUE(key->WriteDword(u"WndLeft", static_cast<uint32_t>(c.stored.left)));
        ASSERT_TRUE(key->WriteDword(u"WndTop", static_cast<uint32_t>(c.stored.top)));
        ASSERT_TRUE(key->WriteDword(u"WndRight", static_cast<uint32_t>(c.stored.right)));
        ASSERT_TRUE(key->WriteDword(u"WndBottom", static_cast<uint32_t>(c.stored.bottom)));
        EXPECT_EQ(Load().window, c.accepted ? c.stored : kDefault);
    }
    // One value missing, or one of another type: the default stays.
    SettingsKey::Delete(kKey);
    auto key = Key();
    ASSERT_TRUE(key->WriteDword(u"WndLeft", 100));
    ASSERT_TRUE(key->WriteDword(u"WndTop", 100));
    ASSERT_TRUE(key->WriteDword(u"WndRight", 900));
    EXPECT_EQ(Load().window, kDefault);
    ASSERT_TRUE(key->WriteString(u"WndBottom", u"700"));
    EXPECT_EQ(Load().window, kDefault);
    ASSERT_TRUE(key->WriteDword(u"WndBottom", 700));
    EXPECT_EQ(Load().window, (ScreenRect{100, 100, 900, 700}));
}

// With a key, a face stays only when it is installed (TrueType for the
// preview); otherwise it becomes Arial in character set 0.
TEST_F(editor_settings, face_names_fall_back_to_arial) {
    struct Case {
        const char* what;
        const char16_t* textFace;  // null: not stored
        const char16_t* lyricsFace;
        const char16_t* textExpected;
        const char16_t* lyricsExpected;
    };
    const Case cases[] = {
        {"installed faces", u"Tahoma", u"Tahoma", u"Tahoma", u"Tahoma"},
        {"raster face", u"Terminal", u"Terminal", u"Terminal", u"Arial"},
        {"not installed", u"Nowhere Sans", u"Nowhere Sans", u"Arial", u"Arial"},
        {"key without faces", nullptr, nullptr, u"Arial", u"Arial"},
        {"empty face", u"", u"", u"Arial", u"Arial"},
        {"31 units", u"A Face Of Exactly 31 Units Long", u"A Face Of Exactly 31 Units Long",
         u"A Face Of Exactly 31 Units Long", u"A Face Of Exactly 31 Units Long"},
        {"32 units do not fit", u"A Face Of Exactly 32 Units Long!", u"Impact", u"Arial", u"Impact"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsKey::Delete(kKey);
        auto key = Key();
        ASSERT_TRUE(key->WriteDword(u"TextCharSet", 2));
        ASSERT_TRUE(key->WriteDword(u"LyricsCharSet", 2));
        if (c.textFace) {
            ASSERT_TRUE(key->WriteString(u"TextFaceName", c.textFace));
        }
        if (c.lyricsFace) {
            ASSERT_TRUE(key->WriteString(u"LyricsFaceName", c.lyricsFace));
        }
        const EditorSettings s = Load();
        EXPECT_EQ(s.textFont.face, c.textExpected);
        EXPECT_EQ(s.lyricsFont.face, c.lyricsExpected);
        EXPECT_EQ(s.textFont.charSet, s.textFont.face == u"Arial" ? 0 : 2);
        EXPECT_EQ(s.lyricsFont.charSet, s.lyricsFont.face == u"Arial" ? 0 : 2);
    }
}

// A face of 64 bytes without a terminator would not fit the 32-unit face of
// a logical font with its terminator: it is refused like a missing one.
TEST_F(editor_settings, an_unterminated_face_of_64_bytes_is_refused) {
    const std::u16string face = u"A Face Of Exactly 32 Units Long!";
    ASSERT_EQ(face.size(), 32u);
    env.families[face] = true;
    if (!test::WriteUnterminatedString(kKey, u"LyricsFaceName", face))
        GTEST_SKIP() << "this store cannot hold an unterminated string";
    ASSERT_TRUE(test::WriteUnterminatedString(kKey, u"TextFaceName", u"Tahoma"));  // 12 bytes, no terminator
    const EditorSettings s = Load();
    EXPECT_EQ(s.lyricsFont.face, u"Arial");
    EXPECT_EQ(s.textFont.face, u"Tahoma");
}

TEST_F(editor_settings, saved_values_load_again) {
    EditorSettings s = Load();
    s.textPoint = 100;
    s.lyricsPoint = 720;
    s.simpleMode = 1;
    s.slowDown = 1;
    s.previewImage = 0;
    s.antiAliased = 0;
    s.editTextColor[0] = 0x010203;
    s.previewTextColor[1] = 0x040506;
    s.previewOutlineColor[1] = 0x070809;
    s.scopeColor[0] = 0x0A0B0C;
    s.textFont = FontRecord{0, 700, 1, 2, u"Tahoma"};
    s.lyricsFont = FontRecord{0, 400, 1, 0, u"Impact"};
    const ScreenRect window{-300, 20, 500, 620};
    ASSERT_TRUE(SaveEditorSettings(s, window, kKey));

    auto key = SettingsKey::Open(kKey, false);
    ASSERT_NE(key, nullptr);
    uint32_t bytes = 0;
    EXPECT_EQ(key->Query(u"TextFaceName", &bytes), SettingsKey::Type::String);
    EXPECT_EQ(bytes, 14u);  // "Tahoma" and its terminator
    uint32_t v = 0;
    ASSERT_TRUE(key->ReadDword(u"WndLeft", &v));
    EXPECT_EQ(static_cast<int32_t>(v), -300);
    for (const char16_t* name : {u"WndTop", u"WndRight", u"WndBottom", u"TextPoint", u"LyricsPoint", u"SimpleMode0",
                                 u"SlowDown", u"PreviewImage", u"AntiAliased", u"EditTextColor0", u"EditTextColor1",
                                 u"PreviewTextColor0", u"PreviewTextColor1", u"PreviewTextOutlineColor0",
                                 u"PreviewTextOutlineColor1", u"ScopeColor0", u"ScopeColor1", u"ScopeColor2",
                                 u"ScopeColor3", u"TextBold", u"LyricsBold", u"TextItalic", u"LyricsItalic",
                                 u"TextCharSet", u"LyricsCharSet"})
        EXPECT_EQ(key->Query(name), SettingsKey::Type::Dword);

    const EditorSettings r = Load();
    EXPECT_EQ(r.window, window);
    EXPECT_EQ(r.textPoint, 100);
    EXPECT_EQ(r.lyricsPoint, 720);
    EXPECT_EQ(r.simpleMode, 1u);
    EXPECT_EQ(r.slowDown, 1u);
    EXPECT_EQ(r.previewImage, 0u);
    EXPECT_EQ(r.antiAliased, 0u);
    EXPECT_EQ(r.editTextColor[0], 0x010203u);
    EXPECT_EQ(r.previewTextColor[1], 0x040506u);
    EXPECT_EQ(r.previewOutlineColor[1], 0x070809u);
    EXPECT_EQ(r.scopeColor[0], 0x0A0B0Cu);
    EXPECT_EQ(r.textFont, (FontRecord{-16, 700, 1, 2, u"Tahoma"}));
    EXPECT_EQ(r.lyricsFont, (FontRecord{-120, 400, 1, 0, u"Impact"}));
}

// The normal rectangle of a placement counts from the work area; with the
// taskbar at the top or the left the screen rectangle lies further down or
// right by the taskbar's size.
TEST(editor_settings_placement, work_area_coordinates_become_screen_coordinates) {
    struct Case {
        const char* what;
        ScreenRect work, monitor;
        ScreenRect expected;
    };
    const ScreenRect normal{100, 50, 860, 590};
    const Case cases[] = {
        {"taskbar at the bottom", {0, 0, 1920, 1040}, {0, 0, 1920, 1080}, normal},
        {"taskbar at the top", {0, 40, 1920, 1080}, {0, 0, 1920, 1080}, {100, 90, 860, 630}},
        {"taskbar at the left", {60, 0, 1920, 1080}, {0, 0, 1920, 1080}, {160, 50, 920, 590}},
        {"second monitor on the left, taskbar at its top", {-1280, 30, 0, 1024}, {-1280, 0, 0, 1024},
         {100, 80, 860, 620}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PlacementToScreen(normal, c.work, c.monitor), c.expected);
    }
}

TEST(editor_settings_scratch, the_terminator_always_fits) {
    ScratchText scratch;
    for (size_t n : {size_t{0}, size_t{517}, size_t{518}, size_t{519}, size_t{2000}}) {
        SCOPED_TRACE(n);
        const std::u16string text(n, u'x');
        const size_t kept = scratch.Assign(text);
        EXPECT_EQ(kept, std::min<size_t>(n, 518));
        EXPECT_EQ(scratch.view().size(), kept);
        EXPECT_EQ(scratch.c_str()[ScratchText::kUnits - 1], u'\0');
    }
}

}  // namespace
}  // namespace mr
