// The preset store against the real registry: values only the registry can
// hold (strings without their terminator, other value types), the types the
// store writes, and the screen environment's fonts and resolution.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presets/preset_environment_win.h"
#include "presets/preset_store.h"
#include "tests/presets/preset_test_support.h"

namespace mr {
namespace {

using test::FixedPresetEnvironment;
using test::kPresetTestRoot;

std::wstring W(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

class preset_registry : public ::testing::Test {
protected:
    void SetUp() override { SettingsKey::Delete(u"Software\\MireltoTest"); }
    void TearDown() override { SettingsKey::Delete(u"Software\\MireltoTest"); }

    HKEY Key(std::u16string_view path) {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, W(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                                  nullptr),
                  ERROR_SUCCESS);
        return k;
    }
    void Raw(std::u16string_view path, const wchar_t* name, DWORD type, const void* bytes, DWORD size) {
        HKEY k = Key(path);
        ASSERT_EQ(RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(bytes), size), ERROR_SUCCESS);
        RegCloseKey(k);
    }

    FixedPresetEnvironment env;
};

TEST_F(preset_registry, raw_values_the_store_must_refuse_or_terminate) {
    env.paths = {u"C:\\windows"};
    // Units without a terminator, filled with 'x' (the path with a real
    // prefix so that only the missing terminator can refuse it).
    auto units = [](size_t n, std::wstring head = L"") {
        head.resize(n, L'x');
        return head;
    };
    struct Row {
        const char* why;
        int preset;  // -1: global key
        const wchar_t* name;
        DWORD type;
        std::wstring text;  // stored without terminator
        DWORD dword;
        DWORD size;  // for DWORD-like rows: the byte count stored
        std::u16string expect;
    };
    const std::u16string defaultName = u"Preset #2";
    const std::vector<Row> rows = {
        {"name filling 128 bytes", 1, L"PresetName", REG_SZ, units(64), 0, 0, defaultName},
        {"name of 63 units without terminator", 1, L"PresetName", REG_SZ, units(63),
         0, 0, std::u16string(63, u'x')},
        {"face filling 64 bytes", 1, L"FaceName", REG_SZ, units(32, L"Arial"), 0, 0, u"Impact"},
        {"face without terminator", 1, L"FaceName", REG_SZ, L"Tahoma", 0, 0, u"Tahoma"},
        {"picture path filling 520 bytes", 1, L"ImagePath", REG_SZ, units(260, L"C:\\windows"), 0, 0, u""},
        {"picture path as REG_EXPAND_SZ", 1, L"ImagePath", REG_EXPAND_SZ, L"C:\\windows", 0, 0, u""},
        {"name as REG_MULTI_SZ", 1, L"PresetName", REG_MULTI_SZ, L"Mine", 0, 0, defaultName},
        {"lyrics folder filling 520 bytes", -1, L"LyricsPath", REG_SZ, units(260, L"C:\\windows"), 0, 0, u""},
        {"lines as a 2-byte DWORD", 1, L"DisplayLine", REG_DWORD, L"", 2, 2, u"6"},
        {"lines as a QWORD", 1, L"DisplayLine", REG_QWORD, L"", 2, 8, u"6"},
        {"lines as big-endian", 1, L"DisplayLine", REG_DWORD_BIG_ENDIAN, L"", 2, 4, u"6"},
        {"delay -100 read signed", -1, L"Delay", REG_DWORD, L"", static_cast<DWORD>(-100), 4, u"-100"},
        {"delay -6000", -1, L"Delay", REG_DWORD, L"", static_cast<DWORD>(-6000), 4, u"0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        SettingsKey::Delete(u"Software\\MireltoTest");
        const std::u16string key = r.preset < 0 ? PresetsKeyPath(kPresetTestRoot) : PresetKeyPath(kPresetTestRoot, r.preset);
        if (r.type == REG_SZ || r.type == REG_EXPAND_SZ || r.type == REG_MULTI_SZ) {
            // The registry adds the terminator a caller left out when the unit
            // after the data is NUL; a non-NUL unit there keeps it out.
            const std::wstring data = r.text + L'y';
            Raw(key, r.name, r.type, data.data(), static_cast<DWORD>(r.text.size() * 2));
        } else {
            const unsigned long long v = r.dword;
            Raw(key, r.name, r.type, &v, r.size);
        }
        PresetStore store(env, kPresetTestRoot);
        DisplayPreset p;
        ASSERT_TRUE(store.CopyPreset(r.preset < 0 ? 0 : r.preset, &p));
        std::u16string got;
        const std::wstring n = r.name;
        if (n == L"PresetName") got = PresetText(p.PresetName, kPresetNameUnits);
        if (n == L"FaceName") got = PresetText(p.Font.lfFaceName, kPresetFaceUnits);
        if (n == L"ImagePath") got = PresetText(p.ImagePath, kPresetPathUnits);
        if (n == L"LyricsPath") got = PresetText(p.LyricsPath, kPresetPathUnits);
        if (n == L"DisplayLine") got = std::u16string(1, static_cast<char16_t>(u'0' + p.DisplayLine));
        if (n == L"Delay") {
            const std::string s = std::to_string(p.Delay);
            got.assign(s.begin(), s.end());
        }
        EXPECT_TRUE(got == r.expect) << std::string(got.begin(), got.end());
        // Every text field ends in a terminator within the record.
        EXPECT_EQ(p.PresetName[kPresetNameUnits - 1], 0);
        EXPECT_EQ(p.Font.lfFaceName[kPresetFaceUnits - 1], 0);
        EXPECT_EQ(p.ImagePath[kPresetPathUnits - 1], 0);
        EXPECT_EQ(p.LyricsPath[kPresetPathUnits - 1], 0);
    }
}

TEST_F(preset_registry, saved_values_have_the_registry_types_the_plugins_read) {
    env.paths = {u"C:\\windows"};
    {
        PresetStore store(env, kPresetTestRoot);
        PresetSettings block;
        ASSERT_TRUE(store.GetSettings(&block));
        block.changed = 1;
        block.Delay = -40;
        SetPresetText(block.LyricsPath, kPresetPathUnits, u"C:\\windows");
        block.presets[2].ColorBack = 0x00FF00;
        SetPresetText(block.presets[2].PresetName, kPresetNameUnits, u"Duet");
        ASSERT_EQ(store.ApplySettings(block), kPresetCount);
    }
    HKEY k = Key(PresetKeyPath(kPresetTestRoot, 2));
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 34u);  // 28 settings, the three font values, face, picture path, name
    wchar_t name[64];
    BYTE data[600];
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLen = 64, type = 0, size = sizeof data;
        ASSERT_EQ(RegEnumValueW(k, i, name, &nameLen, nullptr, &type, data, &size), ERROR_SUCCESS);
        const std::wstring n = name;
        if (n == L"FaceName" || n == L"ImagePath" || n == L"PresetName") {
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
            ASSERT_GE(size, 2u);
            EXPECT_EQ(data[size - 1] | data[size - 2], 0) << "terminator of " << i;
        } else {
            EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << i;
            EXPECT_EQ(size, 4u);
        }
    }
    DWORD type = 0, v = 0, size = 4;
    EXPECT_EQ(RegQueryValueExW(k, L"ColorBack", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
    EXPECT_EQ(v, 0x00FF00u);
    RegCloseKey(k);
    k = Key(PresetsKeyPath(kPresetTestRoot));
    size = 4;
    EXPECT_EQ(RegQueryValueExW(k, L"Delay", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
    EXPECT_EQ(static_cast<int32_t>(v), -40);
    RegCloseKey(k);

    PresetStore again(env, kPresetTestRoot);
    DisplayPreset p;
    ASSERT_TRUE(again.CopyPreset(2, &p));
    EXPECT_EQ(p.Delay, -40);
    EXPECT_EQ(p.ColorBack, 0x00FF00u);
    EXPECT_TRUE(PresetText(p.PresetName, kPresetNameUnits) == u"Duet");
    EXPECT_TRUE(PresetText(p.LyricsPath, kPresetPathUnits) == u"C:\\windows");
}

TEST_F(preset_registry, the_screen_offers_truetype_faces_and_its_resolution) {
    PresetEnvironment& screen = ScreenPresetEnvironment();
    EXPECT_TRUE(screen.HasTrueTypeFace(u"Arial", 0));
    EXPECT_TRUE(screen.HasTrueTypeFace(u"Times New Roman", 0));
    EXPECT_FALSE(screen.HasTrueTypeFace(u"No Such Face Anywhere", 0));
    EXPECT_FALSE(screen.HasTrueTypeFace(u"", 0));
    EXPECT_GT(screen.ScreenDpiY(), 0);
    EXPECT_TRUE(screen.PathResolves(u"C:\\windows"));
    EXPECT_FALSE(screen.PathResolves(u"C:\\no\\such\\folder"));

    // A stored face no font provides falls back to the preset's own default.
    Raw(PresetKeyPath(kPresetTestRoot, 5), L"FaceName", REG_SZ, L"No Such Face", 26);  // with its terminator
    PresetStore store(screen, kPresetTestRoot);
    DisplayPreset p;
    ASSERT_TRUE(store.CopyPreset(5, &p));
    EXPECT_TRUE(PresetText(p.Font.lfFaceName, kPresetFaceUnits) == u"Times New Roman");
    EXPECT_EQ(p.Font.lfHeight, FontHeightFromTextPoint(240, screen.ScreenDpiY()));
}

}  // namespace
}  // namespace mr
