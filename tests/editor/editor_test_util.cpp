#include "tests/editor/editor_test_util.h"

#include <gtest/gtest.h>

namespace mr::test {

void MakeLyrics(LyricsDocument& lyrics, std::u16string_view marked, const Entries& timesMs) {
    uint32_t ordinal = 0;
    size_t i = 0;
    for (;;) {
        std::u16string text;
        std::vector<uint32_t> offsets;
        for (; i < marked.size() && marked[i] != u'\r'; ++i) {
            if (marked[i] == u'|') {
                offsets.push_back(static_cast<uint32_t>(text.size()));
            } else {
                text += marked[i];
            }
        }
        uint32_t index = 0;
        ASSERT_TRUE(lyrics.AddText(text, &index));
        ASSERT_NE(lyrics.AddLine(index, lyrics.GetSyncCount()), nullptr);
        ASSERT_NE(lyrics.AddSyncPoint(LineStartMarker(ordinal++)), nullptr);
        for (uint32_t o : offsets) ASSERT_NE(lyrics.AddSyncPoint(o), nullptr);
        if (i >= marked.size()) break;
        ++i;  // the line break
    }
    for (const auto& [start, end] : timesMs) ASSERT_NE(lyrics.AddSyncTime(start, end), nullptr);
}

void Load(SyncDocument& doc, std::u16string_view marked, const Entries& ticks) {
    LyricsDocument lyrics;
    Entries ms;
    for (const auto& [start, end] : ticks) ms.emplace_back(start * 10, end * 10);
    MakeLyrics(lyrics, marked, ms);
    // The loader drops an empty last line, so a final line break cannot be
    // loaded; tests that need one insert it.
    ASSERT_TRUE(marked.empty() || marked.back() != u'\r');
    ASSERT_TRUE(doc.LoadText(lyrics));
    ASSERT_TRUE(doc.LoadTimes(lyrics));
}

std::u16string Marked(SyncDocument& doc) {
    std::vector<TextCell> cells(static_cast<size_t>(doc.CellCount()));
    doc.GetCells(0, static_cast<int32_t>(cells.size()), cells.data());
    std::u16string s;
    for (const TextCell& c : cells) {
        if (c.flag) s += u'|';
        s += c.ch;
    }
    return s;
}

Entries Timings(SyncDocument& doc) {
    Entries e;
    for (int32_t i = 0; i < doc.TimingCount(); ++i) {
        int32_t s = 0, t = 0;
        doc.GetTiming(i, &s, &t);
        e.emplace_back(s, t);
    }
    return e;
}

}  // namespace mr::test
