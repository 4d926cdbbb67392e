#include "editor/frame/editor_options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace mr {
namespace {

EditorSettings Defaults(int32_t dpi = 120) {
    EditorSettings s;
    ApplyEditorDefaults(&s, dpi, ScreenRect{0, 0, 1280, 1024});
    return s;
}

TEST(editor_options, point_sizes_parse_as_typed_and_format_back) {
    const struct {
        const char16_t* text;
        bool ok;
        int32_t tenths;
    } cases[] = {
        {u"12", true, 120}, {u" 12.5 ", true, 125}, {u"9,5", true, 95},  {u"12.", true, 120},
        {u"0", true, 0},    {u"9999", true, 99990}, {u"", false, 0},     {u"  ", false, 0},
        {u"abc", false, 0}, {u"1.25", false, 0},    {u"-3", false, 0},   {u"12345", false, 0},
        {u".5", false, 0},  {u"1 2", false, 0},     {u"12pt", false, 0}, {u"1.x", false, 0},
    };
    for (const auto& c : cases) {
        int32_t tenths = -1;
        EXPECT_EQ(ParsePointSize(c.text, &tenths), c.ok) << "case " << (&c - cases);
        EXPECT_EQ(tenths, c.ok ? c.tenths : -1);
    }
    const struct {
        int32_t tenths;
        const char16_t* text;
    } formats[] = {{120, u"12"}, {125, u"12.5"}, {60, u"6"}, {720, u"72"}, {5, u"0.5"}, {0, u"0"}, {1801, u"180.1"}};
    for (const auto& f : formats) EXPECT_EQ(FormatPointSize(f.tenths), f.text);
}

TEST(editor_options, clamping_keeps_every_value_within_what_the_settings_accept) {
    const struct {
        const char* what;
        std::function<void(EditorSettings&)> change;
        std::function<void(const EditorSettings&)> check;
    } cases[] = {
        {"text size below", [](EditorSettings& s) { s.textPoint = 30; },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.textPoint, 60);
             EXPECT_EQ(s.textFont.height, -10);
         }},
        {"text size above", [](EditorSettings& s) { s.textPoint = 181; },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.textPoint, 180);
             EXPECT_EQ(s.textFont.height, -30);
         }},
        {"preview size above", [](EditorSettings& s) { s.lyricsPoint = 721; },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.lyricsPoint, 720);
             EXPECT_EQ(s.lyricsFont.height, -120);
         }},
        {"preview size kept", [](EditorSettings& s) { s.lyricsPoint = 185; },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.lyricsPoint, 185);
             EXPECT_EQ(s.lyricsFont.height, -30);
         }},
        {"weights",
         [](EditorSettings& s) {
             s.textFont.weight = 600;
             s.lyricsFont.weight = 800;
         },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.textFont.weight, 400);
             EXPECT_EQ(s.lyricsFont.weight, 700);
         }},
        {"italic and anti-aliasing",
         [](EditorSettings& s) {
             s.textFont.italic = 5;
             s.antiAliased = 7;
         },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.textFont.italic, 1);
             EXPECT_EQ(s.antiAliased, 1u);
         }},
        {"colours",
         [](EditorSettings& s) {
             s.scopeColor[3] = 0x1ABCDEF;
             s.previewOutlineColor[1] = 0xFF000000;
         },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.scopeColor[3], 0xABCDEFu);
             EXPECT_EQ(s.previewOutlineColor[1], 0u);
         }},
        {"long face", [](EditorSettings& s) { s.lyricsFont.face = std::u16string(40, u'x'); },
         [](const EditorSettings& s) { EXPECT_EQ(s.lyricsFont.face, std::u16string(31, u'x')); }},
        {"empty face",
         [](EditorSettings& s) {
             s.textFont.face.clear();
             s.textFont.charSet = 128;
         },
         [](const EditorSettings& s) {
             EXPECT_EQ(s.textFont.face, u"Arial");
             EXPECT_EQ(s.textFont.charSet, 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EditorSettings s = Defaults();
        c.change(s);
        ClampEditorAppearance(&s);
        c.check(s);
    }
    // Values already in range stay as they are.
    EditorSettings s = Defaults(), clamped = Defaults();
    ClampEditorAppearance(&clamped);
    EXPECT_FALSE(AppearanceDiffers(s, clamped));
}

TEST(editor_options, changes_are_seen_and_copied_field_by_field_and_nothing_else_is) {
    // Every value the Options dialog edits.
    const std::vector<std::pair<const char*, std::function<void(EditorSettings&)>>> edits = {
        {"text size", [](EditorSettings& s) { s.textPoint = 100; }},
        {"preview size", [](EditorSettings& s) { s.lyricsPoint = 300; }},
        {"anti-aliasing", [](EditorSettings& s) { s.antiAliased = 0; }},
        {"edit colour 2", [](EditorSettings& s) { s.editTextColor[1] = 1; }},
        {"preview colour 1", [](EditorSettings& s) { s.previewTextColor[0] = 1; }},
        {"outline colour 2", [](EditorSettings& s) { s.previewOutlineColor[1] = 1; }},
        {"scope colour 4", [](EditorSettings& s) { s.scopeColor[3] = 1; }},
        {"text face", [](EditorSettings& s) { s.textFont.face = u"Tahoma"; }},
        {"text charset", [](EditorSettings& s) { s.textFont.charSet = 1; }},
        {"preview weight", [](EditorSettings& s) { s.lyricsFont.weight = 700; }},
        {"preview italic", [](EditorSettings& s) { s.lyricsFont.italic = 1; }},
    };
    for (const auto& [what, edit] : edits) {
        SCOPED_TRACE(what);
        const EditorSettings base = Defaults();
        EditorSettings edited = Defaults();
        edit(edited);
        EXPECT_TRUE(AppearanceDiffers(base, edited));
        EditorSettings target = Defaults();
        CopyEditorAppearance(edited, &target);
        EXPECT_FALSE(AppearanceDiffers(target, edited));
    }
    // The window, the mode switches and the current files are not the dialog's.
    EditorSettings other = Defaults();
    other.window = ScreenRect{1, 2, 3, 4};
    other.slowDown = other.simpleMode = 1;
    other.lyricsPath = u"C:\\song.mr";
    EXPECT_FALSE(AppearanceDiffers(Defaults(), other));
    EditorSettings target = Defaults();
    CopyEditorAppearance(other, &target);
    EXPECT_EQ(target.window, Defaults().window);
    EXPECT_EQ(target.slowDown + target.simpleMode, 0u);
    EXPECT_EQ(target.lyricsPath, u"");
}

}  // namespace
}  // namespace mr
