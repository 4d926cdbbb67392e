#include "editor/frame/frame_rules.h"

#include <gtest/gtest.h>

namespace mr {
namespace {

TEST(frame_layout, panes_status_parts_and_tab_strip_follow_the_client_size) {
    FrameLayoutInput in;
    in.width = 744;
    in.height = 482;
    in.statusHeight = 22;
    in.rebarHeight = 30;
    in.tabWidth = 90;
    in.tabHeight = 26;
    const FrameLayout out = LayOutFrame(in);
    const int32_t parts[kStatusParts] = {404, 484, 564, 644, 724, -1};
    for (int i = 0; i < kStatusParts; ++i) EXPECT_EQ(out.statusRight[i], parts[i]) << i;
    EXPECT_EQ(out.height, 460);
    EXPECT_EQ(out.border, 266);
    EXPECT_EQ(out.timeline, (PaneRect{3, 33, 738, 230}));
    EXPECT_EQ(out.lower, (PaneRect{3, 269, 738, 188}));
    EXPECT_EQ(out.tab, (PaneRect{1, 241, 90, 26}));  // bottom edge at B + 1
    EXPECT_EQ(out.tabHolder, (PaneRect{0, 239, 92, 28}));
}

TEST(frame_layout, the_border_stays_26_pixels_above_the_status_bar) {
    struct Case {
        int32_t height, border, expected;
    };
    const Case cases[] = {{482, 266, 266}, {482, 434, 434}, {482, 435, 434}, {300, 266, 252}, {482, 2000, 434}};
    for (const Case& c : cases) {
        FrameLayoutInput in;
        in.width = 600;
        in.height = c.height;
        in.statusHeight = 22;
        in.rebarHeight = 30;
        in.border = c.border;
        const FrameLayout out = LayOutFrame(in);
        EXPECT_EQ(out.border, c.expected) << c.height << " " << c.border;
        EXPECT_EQ(out.lower.y + out.lower.height, out.height - 3);
    }
}

TEST(frame_layout, the_border_is_grabbed_only_near_it_and_the_ghost_bar_stays_inside) {
    struct Hit {
        int32_t x, y;
        bool grabbed;
    };
    // Width 600, rebar 30, border 266.
    const Hit hits[] = {{300, 266, true},  {300, 263, true}, {300, 269, true}, {300, 262, false},
                        {300, 270, false}, {3, 266, true},   {2, 266, false},  {596, 266, true},
                        {597, 266, false}, {-5, 266, false}};
    for (const Hit& h : hits) EXPECT_EQ(OnPaneBorder(h.x, h.y, 600, 30, 266), h.grabbed) << h.x << "," << h.y;
    // Never above the rebar, even with the border close under it.
    EXPECT_FALSE(OnPaneBorder(300, 29, 600, 30, 31));
    EXPECT_TRUE(OnPaneBorder(300, 30, 600, 30, 31));

    struct Ghost {
        int32_t y, expected;
    };
    const Ghost ghosts[] = {{0, 58}, {58, 58}, {200, 200}, {436, 436}, {437, 436}, {5000, 436}};
    for (const Ghost& g : ghosts) EXPECT_EQ(ClampGhostBar(g.y, 30, 460), g.expected) << g.y;
    EXPECT_EQ(ClampGhostBar(100, 30, 60), 58);  // a window too small for a range
}

// Edits as the pane reports them: the selection before, the caret after and
// both lengths.
TEST(text_bridge, an_edit_at_the_selection_is_one_replacement) {
    struct Case {
        const char* what;
        int32_t oldLength, newLength, selStart, selEnd, caret;
        bool known;
        TextChange change;
    };
    const Case cases[] = {
        {"typing", 10, 11, 4, 4, 5, true, {4, 0, 4, 1}},
        {"typing at the end", 10, 11, 10, 10, 11, true, {10, 0, 10, 1}},
        {"backspace", 10, 9, 4, 4, 3, true, {3, 1, 3, 0}},
        {"delete key", 10, 9, 4, 4, 4, true, {4, 1, 4, 0}},
        {"word deleted backwards", 10, 6, 8, 8, 4, true, {4, 4, 4, 0}},
        {"typing over a selection", 10, 8, 2, 5, 3, true, {2, 3, 2, 1}},
        {"reversed selection", 10, 8, 5, 2, 3, true, {2, 3, 2, 1}},
        {"paste over a selection", 10, 15, 2, 5, 10, true, {2, 3, 2, 8}},
        {"cut", 10, 7, 2, 5, 2, true, {2, 3, 2, 0}},
        {"paste into an empty pane", 0, 12, 0, 0, 12, true, {0, 0, 0, 12}},
        // Not a single edit at the selection: the caller compares texts.
        {"selection partly kept", 10, 9, 2, 5, 2, false, {}},
        {"caret beyond the text", 10, 11, 4, 4, 12, false, {}},
        {"selection beyond the old text", 10, 11, 4, 11, 5, false, {}},
        {"negative selection", 10, 11, -1, 4, 5, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextChange change;
        ASSERT_EQ(ChangeFromSelection(c.oldLength, c.newLength, c.selStart, c.selEnd, c.caret, &change), c.known);
        if (c.known) {
            EXPECT_EQ(change, c.change);
        }
    }
}

TEST(text_bridge, comparing_texts_finds_the_smallest_replacement) {
    struct Case {
        std::u16string_view before, after;
        TextChange change;
    };
    const Case cases[] = {
        {u"hello world", u"hello world", {11, 0, 11, 0}},
        {u"hello world", u"hello brave world", {6, 0, 6, 6}},
        {u"hello brave world", u"hello world", {6, 6, 6, 0}},
        {u"aaaa", u"aaa", {3, 1, 3, 0}},  // repeated characters: prefix first
        {u"", u"abc", {0, 0, 0, 3}},
        {u"abc", u"", {0, 3, 0, 0}},
        {u"one\rtwo", u"two\rone", {0, 7, 0, 7}},
        {u"ab", u"ba", {0, 2, 0, 2}},
    };
    for (const Case& c : cases) {
        const TextChange change = DiffTexts(c.before, c.after);
        EXPECT_EQ(change, c.change) << std::string(c.before.begin(), c.before.end()) << " -> "
                                    << std::string(c.after.begin(), c.after.end());
        // Applying the change to `before` gives `after`.
        std::u16string applied(c.before);
        applied.erase(change.deletePos, change.deleteCount);
        applied.insert(change.insertPos, c.after.substr(change.insertPos, change.insertCount));
        EXPECT_EQ(applied, c.after);
    }
}

TEST(text_bridge, pasted_line_breaks_become_single_carriage_returns) {
    struct Case {
        std::u16string_view clipboard;
        std::u16string_view stored;
    };
    const Case cases[] = {
        {u"one\r\ntwo", u"one\rtwo"},
        {u"one\ntwo\n", u"one\rtwo\r"},
        {u"one\rtwo", u"one\rtwo"},
        {u"one\r\n\ntwo", u"one\rtwo"},        // the LF after the dropped LF goes too
        {u"one\r\n\n\ntwo", u"one\r\rtwo"},    // a third one is a line break again
        {u"one\n\ntwo", u"one\r\rtwo"},
        {u"one\r\rtwo", u"one\r\rtwo"},
        {u"\n\r\n", u"\r\r"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        const std::u16string block(c.clipboard);
        EXPECT_EQ(PasteText(block.data(), block.size() + 1), c.stored);  // with its terminator
    }
    // Up to the first NUL.
    const std::u16string withNul(u"cut\0here", 8);
    EXPECT_EQ(PasteText(withNul.data(), withNul.size()), u"cut");
    // A block without a terminator ends at its size.
    const char16_t unterminated[3] = {u'a', u'\n', u'b'};
    EXPECT_EQ(PasteText(unterminated, 3), u"a\rb");
}

}  // namespace
}  // namespace mr
