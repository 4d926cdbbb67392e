#include "editor/suggest/alignment.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>
#include <vector>

namespace mr::suggest {
namespace {

// Pauses a line takes without cost, within it and at a line break (ms), the
// cost of each further second, and the width of the window in which a
// pause is measured (any longer pause costs as much as one this long).
constexpr int32_t kLinePauseMs = 1500;
constexpr int32_t kBreakPauseMs = 5000;
constexpr float kPausePerSecond = 0.4f;
constexpr int32_t kPauseWindowMs = 12000;
// A segment left without an onset costs this much (scores are scaled so that
// the median candidate scores 1).
constexpr float kUnplacedCost = 0.6f;
// Cells of the programme one stretch may use; beyond it only the strongest
// candidates take part.
constexpr int64_t kMaxCells = 4000000;
// The end of a segment's sound: the first run of kQuietFrames frames whose
// activity is below kQuietFraction of the loudest since the start.
constexpr int32_t kQuietFrames = 4;
constexpr float kQuietFraction = 0.12f;

constexpr float kNone = -std::numeric_limits<float>::infinity();

float PauseCost(int32_t gapMs, bool lineBreak) {
    const int32_t free = lineBreak ? kBreakPauseMs : kLinePauseMs;
    const int32_t over = std::min(gapMs, kPauseWindowMs) - free;
    return over <= 0 ? 0.0f : kPausePerSecond * static_cast<float>(over) / 1000.0f;
}

struct Candidate {
    int32_t ms;
    float score;
    int32_t quietMs;
};

// A line usually starts after a longer rest than a word within it: a rest
// before an onset favours a line's first segment on it the longer it is
// (from kLineRestLowMs to kLineRestHighMs, by −kLineFit / 2 to +kLineFit / 2),
// and counts against any other segment once it is longer than any pause
// inside a line usually is (from kWordRestHighMs to kLineRestHighMs, by up to
// kLineFit).
constexpr float kLineRestLowMs = 400;
constexpr float kLineRestHighMs = 1000;
constexpr float kWordRestHighMs = 700;
constexpr float kLineFit = 4.0f;
// What a rest of kClearRestMs or more before an onset adds to its score.
// What a doubling of an onset's strength adds to its score.
constexpr float kStrengthWorth = 0.3f;
constexpr float kRestWorth = 3.0f;
constexpr float kClearRestMs = 200;

// 0 … 1 for a rest of 0 … kClearRestMs, rising slowly at first: a consonant
// inside a word makes short rests too.
float RestShare(int32_t quietMs) {
    const float r = std::min(1.0f, static_cast<float>(quietMs) / kClearRestMs);
    return r * r;
}

float LineFit(const Candidate& c, bool beginsLine) {
    const float q = static_cast<float>(c.quietMs);
    if (beginsLine) return kLineFit * (std::clamp((q - kLineRestLowMs) / (kLineRestHighMs - kLineRestLowMs), 0.0f, 1.0f) - 0.5f);
    return -kLineFit * std::clamp((q - kWordRestHighMs) / (kLineRestHighMs - kWordRestHighMs), 0.0f, 1.0f);
}

// The dynamic programme of one stretch: for each segment i either a candidate
// (placed) or none, candidates strictly increasing with i. place[i][j]: best
// total with segment i on candidate j; skip[i][j]: best total with segment i
// unplaced and candidate j the last one used (j = m: none used yet).
// Returns per segment the candidate index, or −1.
std::vector<int32_t> Programme(const std::vector<Candidate>& c, const SegmentSlot* seg, int32_t n) {
    const int32_t m = static_cast<int32_t>(c.size());
    const size_t width = size_t(m) + 1;
    std::vector<float> place(size_t(n) * width, kNone), skip(size_t(n) * width, kNone);
    // For place: the predecessor's candidate (m: none), plus kFromSkip when
    // the predecessor state is a skip. For skip: 1 when it came from a skip.
    constexpr int32_t kFromSkip = 1 << 30;
    std::vector<int32_t> placeFrom(size_t(n) * width, -1);
    std::vector<uint8_t> skipFrom(size_t(n) * width, 0);

    for (int32_t i = 0; i < n; ++i) {
        float* pl = &place[size_t(i) * width];
        float* sk = &skip[size_t(i) * width];
        int32_t* pf = &placeFrom[size_t(i) * width];
        uint8_t* sf = &skipFrom[size_t(i) * width];
        const float* prevPl = i > 0 ? &place[size_t(i - 1) * width] : nullptr;
        const float* prevSk = i > 0 ? &skip[size_t(i - 1) * width] : nullptr;
        const bool lineBreak = seg[i].beginsLine;
        // Skips: carry the last candidate on.
        if (i == 0) {
            sk[m] = -kUnplacedCost;
        } else {
            for (int32_t j = 0; j <= m; ++j) {
                const float a = prevPl[j], b = prevSk[j];
                if (a == kNone && b == kNone) continue;
                sk[j] = std::max(a, b) - kUnplacedCost;
                sf[j] = b > a ? 1 : 0;
            }
        }
        // Placements. The best predecessor state with its candidate more
        // than the window before: a running maximum as j advances.
        float farBest = kNone;
        int32_t farFrom = -1;
        int32_t farEdge = 0;
        for (int32_t j = 0; j < m; ++j) {
            float best = kNone;
            int32_t from = -1;
            if (i == 0) {
                best = 0.0f;
                from = m;
            } else {
                if (prevSk[m] != kNone) {
                    best = prevSk[m];
                    from = m | kFromSkip;
                }
                while (farEdge < j && c[size_t(j)].ms - c[size_t(farEdge)].ms > kPauseWindowMs) {
                    const float a = prevPl[farEdge], b = prevSk[farEdge];
                    if (a > farBest) {
                        farBest = a;
                        farFrom = farEdge;
                    }
                    if (b > farBest) {
                        farBest = b;
                        farFrom = farEdge | kFromSkip;
                    }
                    ++farEdge;
                }
                if (farBest != kNone) {
                    const float v = farBest - PauseCost(kPauseWindowMs, lineBreak);
                    if (v > best) {
                        best = v;
                        from = farFrom;
                    }
                }
                for (int32_t k = j - 1; k >= farEdge; --k) {
                    const int32_t gap = c[size_t(j)].ms - c[size_t(k)].ms;
                    if (gap < kMinStartGapMs) continue;
                    const float cost = PauseCost(gap, lineBreak);
                    const float a = prevPl[k], b = prevSk[k];
                    if (a != kNone && a - cost > best) {
                        best = a - cost;
                        from = k;
                    }
                    if (b != kNone && b - cost > best) {
                        best = b - cost;
                        from = k | kFromSkip;
                    }
                }
            }
            if (best == kNone) continue;
            pl[j] = best + c[size_t(j)].score + LineFit(c[size_t(j)], lineBreak);
            pf[j] = from;
        }
    }

    // The best final state, then back along the choices.
    std::vector<int32_t> chosen(size_t(n), -1);
    const float* lastPl = &place[size_t(n - 1) * width];
    const float* lastSk = &skip[size_t(n - 1) * width];
    float best = kNone;
    int32_t state = -1;
    bool inSkip = false;
    for (int32_t j = 0; j <= m; ++j) {
        if (lastPl[j] > best) {
            best = lastPl[j];
            state = j;
            inSkip = false;
        }
        if (lastSk[j] > best) {
            best = lastSk[j];
            state = j;
            inSkip = true;
        }
    }
    for (int32_t i = n - 1; i >= 0 && state >= 0; --i) {
        const size_t at = size_t(i) * width + size_t(state);
        if (inSkip) {
            inSkip = skipFrom[at] != 0;
        } else {
            chosen[size_t(i)] = state;
            const int32_t from = placeFrom[at];
            inSkip = (from & kFromSkip) != 0;
            state = from & ~kFromSkip;
        }
    }
    return chosen;
}

// Where the sound that starts at startMs falls quiet, no later than limitMs.
int32_t SoundEnd(const OnsetTrack& t, int32_t startMs, int32_t limitMs) {
    int32_t f = startMs / kFrameMs + 1;
    const int32_t last = std::min(t.frames, limitMs / kFrameMs);
    float loudest = 0;
    int32_t quiet = 0;
    for (; f < last; ++f) {
        const float a = t.activity[size_t(f)];
        loudest = std::max(loudest, a);
        if (f * kFrameMs - startMs < kMinEntryMs) continue;
        quiet = a < kQuietFraction * loudest ? quiet + 1 : 0;
        if (quiet == kQuietFrames) return (f - kQuietFrames + 1) * kFrameMs;
    }
    return limitMs;
}

// Suggestions for the free segments first … first + n − 1 between lo and hi.
void Stretch(const OnsetTrack& track, const SegmentSlot* seg, int32_t first, int32_t n, int32_t lo, int32_t hi,
             SuggestedTime* out) {
    std::vector<Candidate> c;
    for (const Onset& o : track.onsets)
        if (o.ms >= lo && o.ms <= hi) c.push_back({o.ms, o.strength, o.quietMs});
    if (!c.empty()) {
        std::vector<float> s;
        for (const Candidate& x : c) s.push_back(x.score);
        std::nth_element(s.begin(), s.begin() + static_cast<ptrdiff_t>(s.size() / 2), s.end());
        const float median = std::max(s[s.size() / 2], 1e-6f);
        // Compressed: a much stronger onset is worth somewhat more, never
        // so much that it outweighs where the lines fall.
        // A clear rest before an onset is the best sign of a new segment,
        // and it counts on its own as well.
        for (Candidate& x : c)
            x.score = kStrengthWorth * std::log2(1.0f + x.score / median) + kRestWorth * RestShare(x.quietMs);
        const int64_t room = kMaxCells / n - 1;
        if (room < 1) {
            c.clear();
        } else if (static_cast<int64_t>(c.size()) > room) {
            // Only the strongest take part, in time order.
            std::vector<Candidate> strongest = c;
            std::nth_element(strongest.begin(), strongest.begin() + room, strongest.end(),
                             [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
            strongest.resize(size_t(room));
            std::sort(strongest.begin(), strongest.end(),
                      [](const Candidate& a, const Candidate& b) { return a.ms < b.ms; });
            c.swap(strongest);
        }
    }
    std::vector<int32_t> chosen = c.empty() ? std::vector<int32_t>(size_t(n), -1) : Programme(c, seg + first, n);

    // Placed segments take their onsets; the others are spread evenly over
    // the gap between the placed ones around them (or the stretch's edges).
    for (int32_t i = 0; i < n;) {
        if (chosen[size_t(i)] >= 0) {
            out[first + i].startMs = c[size_t(chosen[size_t(i)])].ms;
            out[first + i].onOnset = true;
            ++i;
            continue;
        }
        int32_t j = i;
        while (j < n && chosen[size_t(j)] < 0) ++j;
        const int32_t runs = j - i;
        const bool before = i > 0, after = j < n;
        const int32_t a = before ? out[first + i - 1].startMs : lo;
        const int32_t b = after ? c[size_t(chosen[size_t(j)])].ms : hi;
        // Slots between a and b: the placed neighbours are slots too.
        const int32_t slots = runs + (before ? 1 : 0) + (after ? 1 : 0) - 1;
        for (int32_t k = 0; k < runs; ++k) {
            const int32_t pos = k + (before ? 1 : 0);
            const int64_t t = slots > 0 ? a + int64_t{b - a} * pos / slots : a;
            out[first + i + k].startMs = static_cast<int32_t>(t);
            out[first + i + k].onOnset = false;
        }
        i = j;
    }
}

}  // namespace

bool AlignSegments(const OnsetTrack& track, const SegmentSlot* segments, int32_t count, int32_t fromMs,
                   SuggestedTime* out) {
    try {
        int32_t floorMs = std::max(0, fromMs);
        for (int32_t i = 0; i < count;) {
            if (segments[i].fixedMs >= 0) {
                out[i].startMs = segments[i].fixedMs;
                out[i].endMs = std::max(segments[i].fixedMs, segments[i].fixedEndMs);
                out[i].onOnset = false;
                floorMs = std::max(floorMs, std::max(out[i].endMs, out[i].startMs + kMinEntryMs));
                ++i;
                continue;
            }
            int32_t j = i;
            while (j < count && segments[j].fixedMs < 0) ++j;
            const int32_t hi = j < count ? segments[j].fixedMs - kMinEntryMs : track.durationMs - kMinEntryMs;
            Stretch(track, segments, i, j - i, floorMs, std::max(hi, floorMs), out);
            i = j;
        }
        // Ends: where the voice falls quiet, before the next start; starts
        // pushed apart where the room allows.
        for (int32_t i = 0; i < count; ++i) {
            if (segments[i].fixedMs >= 0) {
                if (segments[i].fixedEndMs < 0)
                    out[i].endMs = i + 1 < count ? std::max(out[i].startMs, out[i + 1].startMs) : out[i].startMs;
                continue;
            }
            if (i > 0 && out[i].startMs < out[i - 1].startMs) out[i].startMs = out[i - 1].startMs;
            const int32_t next = i + 1 < count ? out[i + 1].startMs : track.durationMs;
            const int32_t limit = std::max(out[i].startMs, next);
            out[i].endMs = std::max(out[i].startMs, SoundEnd(track, out[i].startMs, limit));
            if (out[i].endMs < out[i].startMs + kMinEntryMs) out[i].endMs = std::min(limit, out[i].startMs + kMinEntryMs);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace mr::suggest
