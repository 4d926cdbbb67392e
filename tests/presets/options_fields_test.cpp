#include "presets/options_fields.h"

#include <gtest/gtest.h>

namespace mr {
namespace {

TEST(options_fields, typed_numbers_become_values_the_store_keeps) {
    struct Row {
        const char16_t* text;
        int32_t offset, delay, gradient;
    };
    const Row rows[] = {
        {u"", 0, 0, 0},
        {u"abc", 0, 0, 0},
        {u"-", 0, 0, 0},
        {u"0", 0, 0, 0},
        {u"42", 42, 42, 42},
        {u"  77px", 77, 77, 50},
        {u"500", 500, 500, 50},
        {u"900", 500, 900, 50},
        {u"-5", 0, -5, 0},
        {u"+12", 12, 12, 12},
        {u"-20000", 0, -5000, 0},
        {u"20000", 500, 5000, 50},
        {u"99999999999999999999999", 500, 5000, 50},  // saturates, no overflow
        {u"12 34", 12, 12, 12},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.text, r.text + std::char_traits<char16_t>::length(r.text)));
        EXPECT_EQ(ParseOffsetField(r.text), r.offset);
        EXPECT_EQ(ParseDelayField(r.text), r.delay);
        EXPECT_EQ(ParseGradientField(r.text), r.gradient);
    }
    EXPECT_EQ(ClampTextPoint(10), 60);
    EXPECT_EQ(ClampTextPoint(2000), 1440);
    EXPECT_EQ(ClampTextPoint(125), 125);
}

TEST(options_fields, fonts_show_their_style_and_size) {
    struct Row {
        int32_t weight;
        uint8_t italic;
        int32_t textPoint;
        const char16_t* style;
        const char16_t* size;
    };
    const Row rows[] = {
        {400, 0, 240, u"Regular", u"24"},
        {400, 1, 125, u"Italic", u"12.5"},
        {700, 0, 60, u"Bold", u"6"},
        {900, 1, 1441, u"Bold Italic", u"144.1"},
        {600, 0, 1440, u"Regular", u"144"},
    };
    for (const Row& r : rows) {
        PresetFont f{};
        f.lfWeight = r.weight;
        f.lfItalic = r.italic;
        EXPECT_EQ(FontStyleText(f), r.style);
        EXPECT_EQ(FontSizeText(r.textPoint), r.size);
    }
    EXPECT_EQ(DefaultPresetName(2), u"Preset #3");
    EXPECT_EQ(DecimalText(-5000), u"-5000");
}

}  // namespace
}  // namespace mr
