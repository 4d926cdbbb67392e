#include "common/settings.h"

#include <gtest/gtest.h>

namespace mr {
namespace {

constexpr char16_t kKey[] = u"Software\\MireltoTest\\Settings";

class settings : public ::testing::Test {
protected:
    void SetUp() override { SettingsKey::Delete(u"Software\\MireltoTest"); }
    void TearDown() override { SettingsKey::Delete(u"Software\\MireltoTest"); }
};

TEST_F(settings, a_missing_key_opens_only_when_created) {
    EXPECT_EQ(SettingsKey::Open(kKey, false), nullptr);
    ASSERT_NE(SettingsKey::Open(kKey, true), nullptr);
    EXPECT_NE(SettingsKey::Open(kKey, false), nullptr);
    EXPECT_NE(SettingsKey::Open(u"Software\\MireltoTest", false), nullptr);  // parents exist too
}

TEST_F(settings, values_read_back_only_with_their_own_type_and_size) {
    auto key = SettingsKey::Open(kKey, true);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->WriteDword(u"TextPoint", 120));
    ASSERT_TRUE(key->WriteString(u"TextFaceName", u"Fixedsys"));
    const uint8_t two[2] = {1, 2};
    ASSERT_TRUE(key->WriteBinary(u"Short", two, 2));

    uint32_t v = 0;
    EXPECT_TRUE(key->ReadDword(u"textpoint", &v));  // names ignore case
    EXPECT_EQ(v, 120u);
    EXPECT_FALSE(key->ReadDword(u"TextFaceName", &v));
    EXPECT_FALSE(key->ReadDword(u"Short", &v));
    EXPECT_FALSE(key->ReadDword(u"Missing", &v));

    std::u16string s;
    EXPECT_TRUE(key->ReadString(u"TextFaceName", 64, &s));
    EXPECT_EQ(s, u"Fixedsys");
    EXPECT_FALSE(key->ReadString(u"TextFaceName", 17, &s));  // 18 bytes with terminator
    EXPECT_TRUE(key->ReadString(u"TextFaceName", 18, &s));
    EXPECT_FALSE(key->ReadString(u"TextPoint", 64, &s));

    uint32_t bytes = 0;
    EXPECT_EQ(key->Query(u"TextFaceName", &bytes), SettingsKey::Type::String);
    EXPECT_EQ(bytes, 18u);
    EXPECT_EQ(key->Query(u"Short", &bytes), SettingsKey::Type::Binary);
    EXPECT_EQ(bytes, 2u);
    EXPECT_EQ(key->Query(u"Missing"), SettingsKey::Type::None);
}

TEST_F(settings, overwrite_changes_the_type_and_delete_removes) {
    auto key = SettingsKey::Open(kKey, true);
    ASSERT_TRUE(key->WriteString(u"Delay", u"100"));
    ASSERT_TRUE(key->WriteDword(u"Delay", 100));
    uint32_t v = 0;
    EXPECT_TRUE(key->ReadDword(u"Delay", &v));
    EXPECT_TRUE(key->DeleteValue(u"Delay"));
    EXPECT_FALSE(key->ReadDword(u"Delay", &v));
    key.reset();
    EXPECT_TRUE(SettingsKey::Delete(u"Software\\MireltoTest"));
    EXPECT_EQ(SettingsKey::Open(kKey, false), nullptr);
}

}  // namespace
}  // namespace mr
