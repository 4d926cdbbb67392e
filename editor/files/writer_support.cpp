#include "editor/files/writer_support.h"

namespace mr::writer {

std::u16string WholeText(SyncDocument& doc) {
    const int32_t count = doc.CellCount();
    std::u16string text(static_cast<size_t>(count) + 1, u'\0');
    const int32_t got = doc.GetTextUnlocked(0, count, text.data());
    text.resize(static_cast<size_t>(got));
    return text;
}

void ReplaceBreakingUnits(std::u16string& s, bool crToo) {
    for (char16_t& c : s) {
        if (c == 0 || c == u'\n' || (crToo && c == u'\r')) c = 0xFFFD;
    }
}

}  // namespace mr::writer
