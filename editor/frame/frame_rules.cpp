#include "editor/frame/frame_rules.h"

#include <algorithm>

namespace mr {

FrameLayout LayOutFrame(const FrameLayoutInput& in) {
    FrameLayout out;
    const int32_t w = in.width;
    const int32_t edges[kStatusParts] = {w - 340, w - 260, w - 180, w - 100, w - 20, -1};
    std::copy(edges, edges + kStatusParts, out.statusRight);
    const int32_t h = in.height - in.statusHeight;
    const int32_t t = in.rebarHeight;
    out.height = h;
    out.border = std::min(in.border, h - 26);
    const int32_t b = out.border;
    out.timeline = PaneRect{3, t + 3, w - 6, b - t - 6};
    out.lower = PaneRect{3, b + 3, w - 6, h - b - 6};
    out.tab = PaneRect{1, b + 1 - in.tabHeight, in.tabWidth, in.tabHeight};
    out.tabHolder = PaneRect{out.tab.x - 1, out.tab.y - 2, out.tab.width + 2, out.tab.height + 2};
    return out;
}

bool OnPaneBorder(int32_t x, int32_t y, int32_t width, int32_t rebarHeight, int32_t border) {
    return y >= border - 3 && y <= border + 3 && y >= rebarHeight && x >= 3 && x < width - 3;
}

int32_t ClampGhostBar(int32_t y, int32_t rebarHeight, int32_t height) {
    const int32_t low = rebarHeight + 28, high = height - 24;
    if (high < low) return low;
    return std::clamp(y, low, high);
}

bool ChangeFromSelection(int32_t oldLength, int32_t newLength, int32_t selStart, int32_t selEnd, int32_t caret,
                         TextChange* change) {
    if (selStart > selEnd) std::swap(selStart, selEnd);
    if (selStart < 0 || selEnd > oldLength || caret < 0 || caret > newLength) return false;
    const int32_t start = std::min(selStart, caret);
    const int32_t inserted = caret - start;
    const int64_t deleted = int64_t{inserted} - (int64_t{newLength} - oldLength);
    if (deleted < 0 || start + deleted > oldLength) return false;
    // Whatever was selected went: a replacement that keeps part of the
    // selection is not what an edit at the selection does.
    if (selEnd > selStart && (start != selStart || start + deleted < selEnd)) return false;
    *change = TextChange{start, static_cast<int32_t>(deleted), start, inserted};
    return true;
}

TextChange DiffTexts(std::u16string_view before, std::u16string_view after) {
    size_t prefix = 0;
    const size_t limit = std::min(before.size(), after.size());
    while (prefix < limit && before[prefix] == after[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < limit - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const auto start = static_cast<int32_t>(prefix);
    return TextChange{start, static_cast<int32_t>(before.size() - prefix - suffix), start,
                      static_cast<int32_t>(after.size() - prefix - suffix)};
}

std::u16string PasteText(const char16_t* text, size_t units) {
    std::u16string out;
    out.reserve(units);
    bool afterCr = false;         // the previous unit was a CR
    bool afterDroppedLf = false;  // the previous unit was an LF dropped after a CR
    for (size_t i = 0; i < units && text[i] != u'\0'; ++i) {
        const char16_t c = text[i];
        if (c == u'\n' && (afterCr || afterDroppedLf)) {
            afterDroppedLf = afterCr;
            afterCr = false;
            continue;
        }
        out.push_back(c == u'\n' ? u'\r' : c);
        afterCr = c == u'\r';
        afterDroppedLf = false;
    }
    return out;
}

}  // namespace mr
