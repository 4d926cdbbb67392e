// Model-based randomised test of the editor document: long random sequences of
// text edits, typing, syncpoint changes, Duplicate, every timing tool, saves,
// undo and redo, each checked against a plain reference model (vectors of
// cells and entries, with a snapshot per history step) and against the
// document's invariants.

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "editor/store/sync_document.h"
#include "tests/editor/editor_test_util.h"

namespace mr {
namespace {

constexpr char16_t CR = u'\r';

struct Cell {
    bool flag;
    char16_t ch;
    bool operator==(const Cell&) const = default;
};
struct Entry {
    int32_t start, end;
    bool operator==(const Entry&) const = default;
};
void PrintTo(const Entry& e, std::ostream* os) {
    *os << "{" << e.start << "," << e.end << "}";
}

enum StepKind { kText = 1, kTiming = 2, kBoth = 3 };

struct State {
    std::vector<Cell> cells;
    std::vector<Entry> entries;
    uint64_t id = 0;
    int kind = 0;           // which lists the step that made this state changed
    bool typing = false;    // made by a typing run that was never undone
    int32_t runEnd = -1;    // where that run goes on
};

// The reference: every operation written out plainly on vectors.
class Model {
public:
    explicit Model(State loaded) {
        loaded.id = nextId_++;
        states_.push_back(loaded);
        savedId_ = states_[0].id;
    }

    const State& Cur() const { return states_[cur_]; }
    std::vector<Cell>& Cells() { return states_[cur_].cells; }
    std::vector<Entry>& Entries() { return states_[cur_].entries; }
    bool CanUndo() const { return cur_ > 0; }
    bool CanRedo() const { return cur_ + 1 < static_cast<int>(states_.size()); }
    bool Modified() const { return Cur().id != savedId_; }
    void MarkSaved() { savedId_ = Cur().id; }
    int Steps() const { return cur_; }

    uint32_t lastTool = 0;
    int32_t lastIndex = -1;
    int32_t dragValue = 0;
    bool inPlaceOpen = false;

    // --- Text.

    static int32_t Segments(const std::vector<Cell>& c) {
        if (c.empty()) return 0;
        int32_t n = 1;
        for (const Cell& x : c) n += (x.ch == CR) + x.flag;
        return n;
    }
    // First cell of each segment (the end of the text for an empty last one).
    static std::vector<int32_t> Starts(const std::vector<Cell>& c) {
        std::vector<int32_t> s;
        if (c.empty()) return s;
        s.push_back(0);
        for (size_t i = 0; i < c.size(); ++i) {
            if (i > 0 && c[i].flag) s.push_back(static_cast<int32_t>(i));
            if (c[i].ch == CR) s.push_back(static_cast<int32_t>(i + 1));
        }
        return s;
    }
    static int32_t SegmentOf(const std::vector<Cell>& c, int32_t pos) {
        const std::vector<int32_t> s = Starts(c);
        int32_t seg = 0;
        for (size_t k = 0; k < s.size(); ++k)
            if (s[k] <= pos) seg = static_cast<int32_t>(k);
        return seg;
    }
    // No flag at the start of the text or right after a line break.
    static void Normalise(std::vector<Cell>& c) {
        for (size_t i = 0; i < c.size(); ++i)
            if (i == 0 || c[i - 1].ch == CR) c[i].flag = false;
    }

    bool Replace(int32_t dpos, int32_t dcount, const std::u16string& ins, int32_t ipos, bool typing) {
        std::vector<Cell> c = Cells();
        const int32_t n = static_cast<int32_t>(c.size());
        const int32_t icount = static_cast<int32_t>(ins.size());
        if (dcount > 0 && (dpos < 0 || dpos + dcount > n)) return false;
        if (icount > 0 && (ipos < 0 || ipos > n - dcount)) return false;
        if (dcount == 0 && icount == 0) return true;
        if (dcount > 0) c.erase(c.begin() + dpos, c.begin() + dpos + dcount);
        for (int32_t k = 0; k < icount; ++k) c.insert(c.begin() + ipos + k, Cell{false, ins[k]});
        Normalise(c);
        Push(std::move(c), Entries(), kText);
        if (typing) {
            states_[cur_].typing = true;
            states_[cur_].runEnd = ipos + 1;
        }
        return true;
    }

    bool Type(int32_t pos, char16_t ch) {
        const int32_t n = static_cast<int32_t>(Cells().size());
        if (ch == CR) return pos >= 0 && pos <= n && Replace(-1, 0, std::u16string(1, ch), pos, false);
        if (pos < 0 || pos > n) return false;
        State& s = states_[cur_];
        if (s.typing && s.runEnd == pos) {
            states_.resize(cur_ + 1);
            s.cells.insert(s.cells.begin() + pos, Cell{false, ch});
            s.runEnd = pos + 1;
            s.id = nextId_++;
            return true;
        }
        return Replace(-1, 0, std::u16string(1, ch), pos, true);
    }

    bool CanSet(int32_t pos) const {
        const auto& c = Cur().cells;
        if (pos <= 0 || pos >= static_cast<int32_t>(c.size())) return false;
        const Cell x = c[pos];
        return !x.flag && x.ch != u' ' && x.ch != u'\t' && x.ch != CR && c[pos - 1].ch != CR;
    }
    bool SetFlag(int32_t pos, bool on) {
        const auto& c = Cur().cells;
        if (on ? !CanSet(pos) : (pos < 0 || pos >= static_cast<int32_t>(c.size()) || !c[pos].flag)) return false;
        std::vector<Cell> next = c;
        next[pos].flag = on;
        Push(std::move(next), Entries(), kText);
        return true;
    }

    // The run search, line by line.
    bool Run(int32_t pos, int32_t* src, int32_t* len, bool* shortened) const {
        const auto& c = Cur().cells;
        const int32_t n = static_cast<int32_t>(c.size());
        if (pos < 1 || pos >= n || c[pos - 1].ch != CR) return false;
        // A line from `at` through its CR; past the end a virtual CR.
        auto line = [&](int32_t at) {
            std::u16string s;
            for (; at < n && c[at].ch != CR; ++at) s += c[at].ch;
            s += CR;
            return s;
        };
        std::vector<int32_t> lineStarts{0};
        for (int32_t i = 0; i + 1 < pos; ++i)
            if (c[i].ch == CR) lineStarts.push_back(i + 1);
        int32_t bestLen = 0, bestSrc = -1;
        size_t k = 0;
        while (k < lineStarts.size()) {
            int32_t cp = lineStarts[k], dp = pos, runLen = 0;
            bool failed = false;
            for (;;) {
                const std::u16string cl = line(cp), dl = line(dp);
                if (cl != dl) {
                    failed = true;
                    break;
                }
                runLen += static_cast<int32_t>(cl.size());
                cp += static_cast<int32_t>(cl.size());
                dp += static_cast<int32_t>(dl.size());
                if (dp >= n) {
                    *src = lineStarts[k];
                    *shortened = dp > n;
                    *len = runLen - (*shortened ? 1 : 0);
                    return true;
                }
                if (cp >= pos) break;
            }
            if (runLen > bestLen) {
                bestLen = runLen;
                bestSrc = lineStarts[k];
            }
            if (!failed) break;
            // The line after the one that failed.
            k = static_cast<size_t>(std::find(lineStarts.begin(), lineStarts.end(), cp) - lineStarts.begin()) + 1;
        }
        if (bestLen == 0) return false;
        *src = bestSrc;
        *len = bestLen;
        *shortened = false;
        return true;
    }

    bool DuplicateLines(int32_t pos) {
        int32_t src, len;
        bool shortened;
        if (!Run(pos, &src, &len, &shortened)) return false;
        std::vector<Cell> c = Cells();
        const int32_t dest = SegmentOf(c, pos);
        const int32_t source = SegmentOf(c, src);
        int32_t copied = shortened ? 1 : 0;
        for (int32_t i = src; i < src + len; ++i) copied += (c[i].ch == CR) + c[i].flag;
        std::vector<Entry> e = Entries();
        const bool timed = dest < static_cast<int32_t>(e.size());
        if (timed && !DuplicateEntries(e, dest, source, copied)) return false;
        for (int32_t i = 0; i < len; ++i) c[pos + i] = c[src + i];
        Push(std::move(c), std::move(e), timed ? kBoth : kText);
        if (timed) SetTool(kToolDuplicate, dest, false);
        return true;
    }

    // --- Timing.

    // Index of the entry holding t (true) or of the next one (-1: none).
    bool Find(int32_t t, int32_t* i) const {
        const auto& e = Cur().entries;
        for (size_t k = 0; k < e.size(); ++k) {
            if (t < e[k].end) {
                *i = static_cast<int32_t>(k);
                return e[k].start <= t;
            }
        }
        *i = -1;
        return false;
    }
    bool CanInsert(int32_t t) const {
        int32_t i;
        if (t < 0 || Find(t, &i)) return false;
        const int64_t next = i < 0 ? kLastTick : Cur().entries[i].start;
        return int64_t{t} + 4 <= next;
    }
    uint32_t Tools(int32_t t) const {
        int32_t i;
        if (!Find(t, &i)) return CanInsert(t) ? kToolInsert : 0u;
        const auto& v = Cur().entries;
        const Entry e = v[i];
        const bool hasP = i > 0, hasN = i + 1 < static_cast<int32_t>(v.size());
        uint32_t tools = kToolRemove | kToolMoveFollowing;
        if (hasP && e.start == v[i - 1].end) tools |= kToolCombine;
        if (!hasN || (hasP ? v[i + 1].end - v[i - 1].start > 12 : v[i + 1].end - e.start > 8)) tools |= kToolAdjust;
        if (!hasN || (hasP ? (v[i - 1].end < e.start || e.end < v[i + 1].start)
                           : (e.start >= 1 || e.end < v[i + 1].start)))
            tools |= kToolMove;
        if (e.start + 4 <= t && t + 4 <= e.end) tools |= kToolSplit;
        return tools;
    }

    bool Insert(int32_t t, int32_t length, int32_t* index = nullptr) {
        if (!CanInsert(t)) return false;
        int32_t i;
        Find(t, &i);
        std::vector<Entry> e = Entries();
        const int32_t next = i < 0 ? kLastTick : e[i].start;
        if (i < 0) i = static_cast<int32_t>(e.size());
        e.insert(e.begin() + i, Entry{t, std::min(t + length, next)});
        Push(Cells(), std::move(e), kTiming);
        SetTool(kToolInsert, i, true);
        if (index) *index = i;
        return true;
    }
    bool Extend(int32_t t) {
        if (!inPlaceOpen || lastTool != kToolInsert || lastIndex < 0 ||
            lastIndex >= static_cast<int32_t>(Entries().size()))
            return false;
        auto& e = Entries();
        const int32_t next = lastIndex + 1 < static_cast<int32_t>(e.size()) ? e[lastIndex + 1].start : kLastTick;
        const int32_t end = std::max(e[lastIndex].end, std::min(t, next));
        if (end != e[lastIndex].end) {
            e[lastIndex].end = end;
            Touch();
        }
        return true;
    }
    bool Remove(int32_t t) {
        int32_t i;
        if (!Find(t, &i)) return false;
        std::vector<Entry> e = Entries();
        e.erase(e.begin() + i);
        Push(Cells(), std::move(e), kTiming);
        SetTool(kToolRemove, i, false);
        return true;
    }
    bool Combine(int32_t t) {
        if (!(Tools(t) & kToolCombine)) return false;
        int32_t i;
        Find(t, &i);
        std::vector<Entry> e = Entries();
        e[i - 1].end = e[i].end;
        e.erase(e.begin() + i);
        Push(Cells(), std::move(e), kTiming);
        SetTool(kToolCombine, i - 1, false);
        return true;
    }
    bool Split(int32_t t) {
        if (!(Tools(t) & kToolSplit)) return false;
        int32_t i;
        Find(t, &i);
        std::vector<Entry> e = Entries();
        const Entry old = e[i];
        e[i] = Entry{old.start, t};
        e.insert(e.begin() + i + 1, Entry{t, old.end});
        Push(Cells(), std::move(e), kTiming);
        SetTool(kToolSplit, i, false);
        return true;
    }
    bool Begin(int32_t t, uint32_t tool) {
        if (!(Tools(t) & tool)) return false;
        int32_t i;
        Find(t, &i);
        Push(Cells(), Entries(), kTiming);
        SetTool(tool, i, true);
        if (tool != kToolAdjust) dragValue = t - Entries()[i].start;
        return true;
    }
    bool Drag(int32_t t, uint32_t tool) {
        auto& v = Entries();
        if (!inPlaceOpen || lastTool != tool || lastIndex < 0 || lastIndex >= static_cast<int32_t>(v.size()))
            return false;
        const std::vector<Entry> before = v;
        const int32_t i = lastIndex;
        const bool hasP = i > 0, hasN = i + 1 < static_cast<int32_t>(v.size());
        Entry& e = v[i];
        const int32_t pEnd = hasP ? v[i - 1].end : 0;
        const int32_t nStart = hasN ? v[i + 1].start : kLastTick;
        if (tool == kToolAdjust) {
            auto startLeft = [&](int32_t x) {
                x = std::min(std::max(x, hasP ? v[i - 1].start + 4 : 0), e.end - 4);
                if (hasP && v[i - 1].end > x) v[i - 1].end = x;
                e.start = x;
            };
            auto startRight = [&](int32_t x) {
                x = std::min(x, e.end - 4);
                if (hasP && v[i - 1].end == e.start) v[i - 1].end = x;
                e.start = x;
            };
            auto endRight = [&](int32_t x) {
                x = std::max(std::min(x, hasN ? v[i + 1].end - 4 : kLastTick), e.start + 4);
                if (hasN && v[i + 1].start < x) v[i + 1].start = x;
                e.end = x;
            };
            auto endLeft = [&](int32_t x) {
                x = std::max(x, e.start + 4);
                if (hasN && v[i + 1].start == e.end) v[i + 1].start = x;
                e.end = x;
            };
            if (dragValue == 0) {
                if (t < e.start) {
                    startLeft(t);
                    dragValue = 1;
                } else if (t > e.end) {
                    endRight(t);
                    dragValue = 2;
                }
            } else if (dragValue == 1) {
                if (t < e.start) startLeft(t);
                else if (t > e.start) startRight(t);
            } else {
                if (t > e.end) endRight(t);
                else if (t < e.end) endLeft(t);
            }
        } else if (tool == kToolMove) {
            const int64_t s = int64_t{t} - dragValue;
            int64_t delta = s - e.start;
            if (s < pEnd) delta = pEnd - e.start;
            else if (e.end + delta > nStart) delta = int64_t{nStart} - e.end;
            e.start += static_cast<int32_t>(delta);
            e.end += static_cast<int32_t>(delta);
        } else {
            int64_t delta = std::max<int64_t>(int64_t{t} - dragValue - e.start, pEnd - e.start);
            delta = std::min<int64_t>(delta, int64_t{kLastTick} - v.back().end);
            for (size_t k = static_cast<size_t>(i); k < v.size(); ++k) {
                v[k].start += static_cast<int32_t>(delta);
                v[k].end += static_cast<int32_t>(delta);
            }
        }
        if (v != before) Touch();
        return true;
    }
    bool DuplicateTiming(int32_t dest, int32_t source, int32_t count) {
        std::vector<Entry> e = Entries();
        if (!DuplicateEntries(e, dest, source, count)) return false;
        Push(Cells(), std::move(e), kTiming);
        SetTool(kToolDuplicate, dest, false);
        return true;
    }

    // --- History.

    bool Undo() {
        if (!CanUndo()) return false;
        if (Cur().kind & kTiming) inPlaceOpen = false;
        states_[cur_].typing = false;  // an undone run is a run no more
        --cur_;
        return true;
    }
    bool Redo() {
        if (!CanRedo()) return false;
        ++cur_;
        if (Cur().kind & kTiming) inPlaceOpen = false;
        return true;
    }

private:
    static bool DuplicateEntries(std::vector<Entry>& e, int32_t dest, int32_t source, int32_t count) {
        const int32_t n = static_cast<int32_t>(e.size());
        if (count < 1 || source < 0 || dest < 0 || dest >= n || source + count > n) return false;
        const int32_t offset = e[dest].start - e[source].start;
        std::vector<Entry> fresh;
        for (int32_t k = 0; k < count; ++k) fresh.push_back(Entry{e[source + k].start + offset, e[source + k].end + offset});
        if (int64_t{fresh.back().end} > kLastTick) return false;
        int32_t removed = 1;
        while (dest + removed < n && e[dest + removed].start < fresh.back().end) ++removed;
        e.erase(e.begin() + dest, e.begin() + dest + removed);
        e.insert(e.begin() + dest, fresh.begin(), fresh.end());
        return true;
    }
    void Push(std::vector<Cell> c, std::vector<Entry> e, int kind) {
        states_.resize(cur_ + 1);
        State s;
        s.cells = std::move(c);
        s.entries = std::move(e);
        s.id = nextId_++;
        s.kind = kind;
        states_.push_back(std::move(s));
        ++cur_;
    }
    // An in-place change belongs to the record that opened the gesture: the
    // states from there on (text steps only, including undone ones) take it.
    void Touch() {
        for (size_t k = static_cast<size_t>(opener_); k < states_.size(); ++k) {
            states_[k].entries = Entries();
            states_[k].id = nextId_++;
        }
    }
    void SetTool(uint32_t tool, int32_t index, bool open) {
        lastTool = tool;
        lastIndex = index;
        dragValue = 0;
        inPlaceOpen = open;
        opener_ = cur_;
    }

    std::vector<State> states_;
    int cur_ = 0;
    int opener_ = 0;
    uint64_t nextId_ = 1;
    uint64_t savedId_ = 0;
};

// --- Comparison and invariants ----------------------------------------------

std::vector<Cell> DocCells(SyncDocument& doc) {
    std::vector<TextCell> raw(static_cast<size_t>(doc.CellCount()));
    doc.GetCells(0, static_cast<int32_t>(raw.size()), raw.data());
    std::vector<Cell> c;
    for (const TextCell& x : raw) c.push_back(Cell{x.flag != 0, x.ch});
    return c;
}

std::vector<Entry> DocEntries(SyncDocument& doc) {
    std::vector<Entry> e;
    for (int32_t i = 0; i < doc.TimingCount(); ++i) {
        Entry x{};
        doc.GetTiming(i, &x.start, &x.end);
        e.push_back(x);
    }
    return e;
}

std::string Show(const std::vector<Cell>& c) {
    std::string s;
    for (const Cell& x : c) {
        if (x.flag) s += '|';
        s += x.ch == CR ? '/' : static_cast<char>(x.ch);
    }
    return s;
}

void CheckInvariants(SyncDocument& doc, const std::vector<Cell>& c, const std::vector<Entry>& e) {
    int32_t expect = c.empty() ? 0 : 1;
    for (size_t i = 0; i < c.size(); ++i) {
        expect += (c[i].ch == CR) + c[i].flag;
        ASSERT_FALSE(c[i].flag && (i == 0 || c[i - 1].ch == CR)) << "flag at a line start at " << i;
    }
    ASSERT_EQ(doc.SegmentCount(), expect);
    for (size_t i = 0; i < e.size(); ++i) {
        ASSERT_LT(e[i].start, e[i].end) << i;
        if (i > 0) {
            ASSERT_GE(e[i].start, e[i - 1].end) << i;
        }
    }
}

void CheckState(SyncDocument& doc, Model& m, std::mt19937& rng) {
    const std::vector<Cell> cells = DocCells(doc);
    const std::vector<Entry> entries = DocEntries(doc);
    ASSERT_EQ(Show(cells), Show(m.Cur().cells));
    ASSERT_EQ(entries, m.Cur().entries);
    CheckInvariants(doc, cells, entries);
    ASSERT_EQ(doc.CanUndo(), m.CanUndo());
    ASSERT_EQ(doc.CanRedo(), m.CanRedo());
    ASSERT_EQ(doc.IsModified(), m.Modified());
    ASSERT_EQ(doc.LastTool(), m.lastTool);
    ASSERT_EQ(doc.LastIndex(), m.lastIndex);
    ASSERT_EQ(doc.DragValue(), m.dragValue);

    // Queries at random places.
    const int32_t n = static_cast<int32_t>(cells.size());
    const std::vector<int32_t> starts = Model::Starts(cells);
    const int32_t segs = Model::Segments(cells);
    for (int k = 0; k < 3 && segs > 0; ++k) {
        const int32_t s = static_cast<int32_t>(rng() % static_cast<uint32_t>(segs + 1));
        const int32_t start = s < segs ? starts[s] : n;
        // A segment ends where the next one starts (after a CR, or at a flag).
        const int32_t end = s + 1 < segs ? starts[s + 1] : n;
        ASSERT_EQ(doc.SegmentStart(s), start) << "segment " << s << " of " << Show(cells);
        ASSERT_EQ(doc.SegmentEnd(s), end) << "segment " << s << " of " << Show(cells);
        ASSERT_EQ(doc.SegmentBeginsLine(s), s >= segs || start == n || !cells[start].flag);
        const int32_t pos = static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 1));
        ASSERT_EQ(doc.SegmentOfCell(pos), Model::SegmentOf(cells, pos)) << pos << " in " << Show(cells);
        ASSERT_EQ(doc.CanSetSyncpoint(pos), m.CanSet(pos)) << pos;
    }
    for (int k = 0; k < 3; ++k) {
        const int32_t t = static_cast<int32_t>(rng() % 420) - 10;
        int32_t i = -2, mi = -2;
        ASSERT_EQ(doc.FindTiming(t, &i), m.Find(t, &mi));
        ASSERT_EQ(i, mi);
        ASSERT_EQ(doc.ToolsAt(t), m.Tools(t)) << t;
    }
}

// --- Random operations -------------------------------------------------------

std::u16string RandomText(std::mt19937& rng, int maxLength) {
    static const char16_t kAlphabet[] = u"aabbb  \r";
    std::u16string s;
    const int length = 1 + static_cast<int>(rng() % static_cast<uint32_t>(maxLength));
    for (int i = 0; i < length; ++i) s += kAlphabet[rng() % 8];
    return s;
}

// A loaded document: a few short lines from a small alphabet (so that
// Duplicate finds runs) with some syncpoints, and ordered entries.
void LoadRandom(SyncDocument& doc, State* state, std::mt19937& rng) {
    std::u16string marked;
    const int lines = 2 + static_cast<int>(rng() % 6);
    for (int l = 0; l < lines; ++l) {
        if (l > 0) marked += CR;
        const int length = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < length; ++i) {
            const char16_t ch = rng() % 3 ? u'a' + static_cast<char16_t>(rng() % 2) : u' ';
            if (i > 0 && rng() % 3 == 0) marked += u'|';
            marked += ch;
        }
    }
    test::Entries ticks;
    int32_t t = static_cast<int32_t>(rng() % 20);
    const int count = static_cast<int>(rng() % 10);
    for (int k = 0; k < count; ++k) {
        const int32_t length = 4 + static_cast<int32_t>(rng() % 30);
        ticks.emplace_back(t, t + length);
        t += length + (rng() % 3 == 0 ? 0 : static_cast<int32_t>(rng() % 25));
    }
    test::Load(doc, marked, ticks);
    state->cells = DocCells(doc);
    state->entries = DocEntries(doc);
}

class SyncModelTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(SyncModelTest, random_edits_agree_with_the_reference_and_undo_and_redo_restore_every_state) {
    std::mt19937 rng(GetParam());
    SyncDocument doc;
    State loaded;
    LoadRandom(doc, &loaded, rng);
    Model m(loaded);
    const std::vector<Cell> loadedCells = loaded.cells;
    const std::vector<Entry> loadedEntries = loaded.entries;

    int32_t typingAt = -1;
    for (int step = 0; step < 1500; ++step) {
        const int32_t n = static_cast<int32_t>(m.Cur().cells.size());
        auto pos = [&](int extra = 1) {
            return static_cast<int32_t>(rng() % static_cast<uint32_t>(std::max(n + extra, 1)));
        };
        auto time = [&] { return static_cast<int32_t>(rng() % 400); };
        auto dragTime = [&] { return static_cast<int32_t>(rng() % 500) - 50; };
        const uint32_t op = rng() % 22;
        SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op));
        std::string what;
        bool got = false, want = false;
        switch (op) {
            case 0: {
                const int32_t p = pos();
                const std::u16string s = RandomText(rng, 4);
                what = "insert";
                got = doc.InsertText(p, s.data(), static_cast<int32_t>(s.size()));
                want = m.Replace(-1, 0, s, p, false);
                break;
            }
            case 1: {
                const int32_t p = pos(0), c = 1 + static_cast<int32_t>(rng() % 3);
                what = "delete";
                got = doc.DeleteText(p, c);
                want = m.Replace(p, c, u"", -1, false);
                break;
            }
            case 2: {
                const int32_t p = pos(0), c = 1 + static_cast<int32_t>(rng() % 3);
                const int32_t ip = rng() % 2 ? p : static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 1));
                const std::u16string s = rng() % 4 ? RandomText(rng, 3) : std::u16string();
                what = "replace";
                got = doc.ReplaceText(p, c, s.data(), ip, static_cast<int32_t>(s.size()));
                want = m.Replace(p, c, s, ip, false);
                break;
            }
            case 3:
            case 4: {
                // Mostly where the last typing went on, to grow runs.
                const int32_t p = (typingAt >= 0 && typingAt <= n && rng() % 4) ? typingAt : pos();
                const char16_t ch = rng() % 10 ? (rng() % 2 ? u'a' : u' ') : CR;
                what = "type";
                got = doc.TypeCharacter(p, ch);
                want = m.Type(p, ch);
                typingAt = p + 1;
                break;
            }
            case 5: {
                const int32_t p = pos();
                what = "set-syncpoint";
                got = doc.SetSyncpoint(p);
                want = m.SetFlag(p, true);
                break;
            }
            case 6: {
                const int32_t p = pos();
                what = "remove-syncpoint";
                got = doc.RemoveSyncpoint(p);
                want = m.SetFlag(p, false);
                break;
            }
            case 7: {
                // At a line start most of the time.
                std::vector<int32_t> lineStarts;
                for (int32_t i = 0; i + 1 < n; ++i)
                    if (m.Cur().cells[i].ch == CR) lineStarts.push_back(i + 1);
                const int32_t p = lineStarts.empty() || rng() % 5 == 0 ? pos() : lineStarts[rng() % lineStarts.size()];
                what = "duplicate-lines";
                int32_t src, len;
                bool sh;
                ASSERT_EQ(doc.CanDuplicateLines(p), m.Run(p, &src, &len, &sh)) << p << " in " << Show(m.Cur().cells);
                got = doc.DuplicateLines(p);
                want = m.DuplicateLines(p);
                break;
            }
            case 8: {
                const int32_t t = time();
                what = "insert-timing";
                got = doc.InsertTiming(t);
                want = m.Insert(t, 20);
                break;
            }
            case 9: {
                const int32_t t = time();
                what = "remove-timing";
                got = doc.RemoveTiming(t);
                want = m.Remove(t);
                break;
            }
            case 10: {
                const int32_t t = time();
                what = "combine";
                got = doc.CombineTiming(t);
                want = m.Combine(t);
                break;
            }
            case 11: {
                const int32_t t = time();
                what = "split";
                got = doc.SplitTiming(t);
                want = m.Split(t);
                break;
            }
            case 12:
            case 13:
            case 14: {
                // A press, then a few drags, as the timeline sends them.
                const uint32_t tool = op == 12 ? kToolAdjust : op == 13 ? kToolMove : kToolMoveFollowing;
                const int32_t t = time();
                what = "begin-drag";
                got = tool == kToolAdjust ? doc.BeginAdjust(t) : tool == kToolMove ? doc.BeginMove(t)
                                                                                   : doc.BeginMoveFollowing(t);
                want = m.Begin(t, tool);
                ASSERT_EQ(got, want) << what << " " << t;
                CheckState(doc, m, rng);
                const int drags = static_cast<int>(rng() % 5);
                for (int d = 0; d < drags; ++d) {
                    const int32_t x = dragTime();
                    const bool dg = tool == kToolAdjust ? doc.DragAdjust(x)
                                    : tool == kToolMove ? doc.DragMove(x)
                                                        : doc.DragMoveFollowing(x);
                    ASSERT_EQ(dg, m.Drag(x, tool)) << "drag " << x;
                    CheckState(doc, m, rng);
                }
                break;
            }
            case 15: {
                // A live tap and a few position updates.
                const int32_t t = time();
                int32_t index = -1, mindex = -1;
                what = "live";
                got = doc.StartLiveTiming(t, &index);
                want = m.Insert(t, 4, &mindex);
                ASSERT_EQ(got, want);
                if (got) {
                    ASSERT_EQ(index, mindex);
                }
                int32_t at = t;
                for (int d = 0; d < 4; ++d) {
                    at += static_cast<int32_t>(rng() % 15);
                    ASSERT_EQ(doc.ExtendLiveTiming(at), m.Extend(at));
                    CheckState(doc, m, rng);
                }
                break;
            }
            case 16: {
                const int32_t e = static_cast<int32_t>(m.Cur().entries.size()) + 1;
                const int32_t dest = static_cast<int32_t>(rng() % static_cast<uint32_t>(e));
                const int32_t src = static_cast<int32_t>(rng() % static_cast<uint32_t>(e));
                const int32_t count = static_cast<int32_t>(rng() % 3);
                what = "duplicate-timing";
                got = doc.DuplicateTiming(dest, src, count);
                want = m.DuplicateTiming(dest, src, count);
                break;
            }
            case 17:
            case 18: {
                what = "undo";
                got = doc.Undo();
                want = m.Undo();
                break;
            }
            case 19: {
                what = "redo";
                got = doc.Redo();
                want = m.Redo();
                break;
            }
            case 20: {
                what = "mark-saved";
                doc.MarkSaved();
                m.MarkSaved();
                got = want = true;
                break;
            }
            default: {
                // A stray drag or live update outside its gesture changes nothing.
                const int32_t x = dragTime();
                what = "stray";
                got = doc.DragMove(x) || doc.DragAdjust(x) || doc.DragMoveFollowing(x) || doc.ExtendLiveTiming(x);
                want = m.Drag(x, kToolMove) || m.Drag(x, kToolAdjust) || m.Drag(x, kToolMoveFollowing) || m.Extend(x);
                break;
            }
        }
        ASSERT_EQ(got, want) << "step " << step << ": " << what;
        CheckState(doc, m, rng);
        if (HasFatalFailure()) return;
    }

    // Redo what is left, then undo everything: the loaded state; then redo
    // everything: the final state. Each step agrees with the model.
    while (doc.CanRedo()) {
        ASSERT_TRUE(doc.Redo());
        ASSERT_TRUE(m.Redo());
        CheckState(doc, m, rng);
    }
    const std::vector<Cell> finalCells = DocCells(doc);
    const std::vector<Entry> finalEntries = DocEntries(doc);
    while (doc.CanUndo()) {
        ASSERT_TRUE(doc.Undo());
        ASSERT_TRUE(m.Undo());
        CheckState(doc, m, rng);
    }
    EXPECT_EQ(Show(DocCells(doc)), Show(loadedCells));
    EXPECT_EQ(DocEntries(doc), loadedEntries);
    EXPECT_EQ(doc.SegmentCount(), Model::Segments(loadedCells));
    while (doc.CanRedo()) {
        ASSERT_TRUE(doc.Redo());
        ASSERT_TRUE(m.Redo());
        CheckState(doc, m, rng);
    }
    EXPECT_EQ(Show(DocCells(doc)), Show(finalCells));
    EXPECT_EQ(DocEntries(doc), finalEntries);
}

INSTANTIATE_TEST_SUITE_P(seeds, SyncModelTest, ::testing::Range(1u, 25u));

}  // namespace
}  // namespace mr
