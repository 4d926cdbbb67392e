#include "render/wipe.h"

#include <algorithm>

namespace mr {

namespace {
// Room for ordinary lines; a longer line grows the tables once.
constexpr size_t kReservedUnits = 260;
}  // namespace

LineMeasure::LineMeasure() {
    partial_.reserve(kReservedUnits);
    advance_.reserve(kReservedUnits);
    overhang_.reserve(kReservedUnits);
    space_.reserve(kReservedUnits);
}

void LineMeasure::Clear() {
    valid_ = false;
    data_ = nullptr;
    length_ = 0;
}

bool LineMeasure::Measure(TextMetrics& metrics, std::u16string_view text) {
    Clear();
    const size_t n = text.size();
    if (n > UINT32_MAX / 2) {
        return false;
    }
    partial_.resize(n);
    advance_.resize(n);
    overhang_.resize(n);
    space_.resize(n);
    AbcWidth space;
    if ((n > 0 && !metrics.PartialExtents(text, partial_.data())) ||
        !metrics.CharWidths(u' ', &space)) {
        return false;
    }
    spaceAdvance_ = space.a + space.b + space.c;
    for (size_t i = 0; i < n; ++i) {
        AbcWidth w;
        if (text[i] == u' ') {
            w = space;
        } else if (!metrics.CharWidths(text[i], &w)) {
            return false;
        }
        advance_[i] = w.a + w.b + w.c;
        overhang_[i] = w.c < 0 ? -w.c : 0;
        space_[i] = text[i] == u' ' ? 1 : 0;
    }
    data_ = text.data();
    length_ = static_cast<uint32_t>(n);
    valid_ = true;
    return true;
}

WipePosition MeasureWipe(const LineMeasure& line, uint32_t c0, uint32_t c1, int32_t elapsed,
                         int32_t duration) {
    WipePosition r;
    if (!line.Valid()) {
        return r;
    }
    const uint32_t length = line.Length();
    c0 = std::min(c0, length);
    c1 = std::clamp(c1, c0, length);

    // Where the segment starts: after the previous glyph, overhang included.
    const int64_t start = c0 == 0 ? 0 : int64_t{line.Extent(c0)} + line.Overhang(c0 - 1);
    if (elapsed <= 0) {
        r.x = static_cast<int32_t>(start);
        return r;
    }
    const bool endsText = c1 >= length;
    const int64_t end = c1 == 0 ? 0 : int64_t{line.Extent(c1)} + line.Overhang(c1 - 1);
    if (elapsed >= duration) {
        r.wholeLine = endsText;
        r.x = endsText ? 0 : static_cast<int32_t>(end);
        return r;
    }

    // Summed advances of the segment's non-space units; 64-bit because
    // b × e overflows 32 bits on long segments at four times the size.
    int64_t total = 0;
    for (uint32_t i = c0; i < c1; ++i) {
        if (!line.IsSpace(i)) {
            total += line.Advance(i);
        }
    }
    const int64_t target = total * elapsed / duration;
    int64_t sum = 0;
    int64_t spaces = 0;
    for (uint32_t i = c0; i < c1; ++i) {
        if (line.IsSpace(i)) {
            ++spaces;
            continue;
        }
        sum += line.Advance(i);
        if (sum > target) {
            break;
        }
    }
    int64_t x = target + spaces * line.SpaceAdvance();
    if (c0 > 0) {
        x += line.Extent(c0);
    }
    // Italic faces overhang: the start sits after the previous glyph's
    // overhang, and the first steps of the wipe must not fall behind it, nor
    // may the wipe run past the segment's own end.
    x = std::max(x, start);
    if (!endsText) {
        x = std::min(x, std::max(end, start));
    }
    r.x = static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
    return r;
}

}  // namespace mr
