#include "lyrics/lyrics_document.h"

#include <cstdlib>
#include <cstring>

namespace mr {
namespace {

// Hash of a run of UTF-16 units, four units at a time.
uint32_t HashUnits(const char16_t* p, uint32_t n) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    while (n >= 4) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
        p += 4;
        n -= 4;
    }
    uint64_t w = 0;
    if (n) std::memcpy(&w, p, n * sizeof(char16_t));
    h = (h ^ w) * 0x94D049BB133111EBull;
    h ^= h >> 29;
    return static_cast<uint32_t>(h ^ (h >> 32));
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

LyricsDocument::LyricsDocument()
    : pool_(kTextPoolReserve),
      textTable_(kTextTableReserve),
      images_(kImageDataReserve),
      lines_(kLineTableReserve),
      syncs_(kSyncTableReserve),
      times_(kTimeTableReserve),
      slides_(kSlideTableReserve),
      textLengths_(kTextTableReserve) {}

LyricsDocument::~LyricsDocument() {
    source_.Close();
    source_.Buffer(0);
    FreeTextIndex();
}

void LyricsDocument::ClearDocument() {
    source_.Close();
    source_.Buffer(0);
    DiscardLyrics();
    images_.Free();
    slides_.Free();
    slideImageCount_ = 0;
    slideShowDuration_ = 0;
    simple_ = 0;
}

void LyricsDocument::DiscardLyrics() {
    pool_.Free();
    textTable_.Free();
    textLengths_.Free();
    lines_.Free();
    syncs_.Free();
    times_.Free();
    for (uint32_t& v : info_) v = kNoText;
    FreeTextIndex();
}

void LyricsDocument::FreeTextIndex() {
    std::free(index_);
    index_ = nullptr;
    indexMask_ = 0;
    indexed_ = 0;
}

bool LyricsDocument::StoreInPool(std::u16string_view text, uint32_t* offset) {
    if (text.size() >= pool_.Capacity()) return false;
    const uint32_t length = static_cast<uint32_t>(text.size());
    const uint32_t at = pool_.Count();
    char16_t* p = pool_.AppendSlots(length + 1);
    if (!p) return false;
    if (length) std::memcpy(p, text.data(), length * sizeof(char16_t));
    p[length] = u'\0';
    *offset = at;
    return true;
}

bool LyricsDocument::AppendTextEntry(uint32_t offset, uint32_t length, uint32_t* index) {
    const uint32_t i = textTable_.Count();
    if (!textTable_.Append(offset)) {
        pool_.Erase(offset, pool_.Count() - offset);
        return false;
    }
    if (!textLengths_.Append(length)) {
        textTable_.Erase(i);
        pool_.Erase(offset, pool_.Count() - offset);
        return false;
    }
    if (index) *index = i;
    return true;
}

bool LyricsDocument::AppendText(std::u16string_view text, uint32_t* index) {
    uint32_t offset;
    if (!StoreInPool(text, &offset)) return false;
    return AppendTextEntry(offset, static_cast<uint32_t>(text.size()), index);
}

bool LyricsDocument::IndexTexts() {
    const uint32_t count = textTable_.Count();
    // Room for one more text than the table holds, at half load at most.
    const uint64_t needed = (static_cast<uint64_t>(count) + 1) * 2;
    if (needed > static_cast<uint64_t>(indexMask_) + (index_ ? 1 : 0)) {
        uint64_t slots = 1024;
        while (slots < needed) slots *= 2;
        auto* grown = static_cast<IndexSlot*>(std::calloc(static_cast<size_t>(slots), sizeof(IndexSlot)));
        if (!grown) return false;
        const uint32_t mask = static_cast<uint32_t>(slots - 1);
        if (index_) {
            for (uint32_t s = 0; s <= indexMask_; ++s) {
                const IndexSlot slot = index_[s];
                if (!slot.textPlusOne) continue;
                uint32_t at = slot.hash & mask;
                while (grown[at].textPlusOne) at = (at + 1) & mask;
                grown[at] = slot;
            }
        }
        std::free(index_);
        index_ = grown;
        indexMask_ = mask;
    }
    // Texts stored by AppendText since the last AddText join the index now;
    // an identical earlier text keeps its place, so a search finds the first.
    for (; indexed_ < count; ++indexed_) {
        const char16_t* units = pool_.begin() + textTable_[indexed_];
        const uint32_t length = textLengths_[indexed_];
        const uint32_t hash = HashUnits(units, length);
        uint32_t at = hash & indexMask_;
        bool present = false;
        for (; index_[at].textPlusOne; at = (at + 1) & indexMask_) {
            const IndexSlot& slot = index_[at];
            const uint32_t other = slot.textPlusOne - 1;
            if (slot.hash == hash && textLengths_[other] == length &&
                std::memcmp(pool_.begin() + textTable_[other], units, length * sizeof(char16_t)) == 0) {
                present = true;
                break;
            }
        }
        if (!present) index_[at] = IndexSlot{indexed_ + 1, hash};
    }
    return true;
}

bool LyricsDocument::AddText(std::u16string_view text, uint32_t* index) {
    if (text.size() >= pool_.Capacity()) return false;
    if (!IndexTexts()) return false;
    const uint32_t length = static_cast<uint32_t>(text.size());
    const uint32_t hash = HashUnits(text.data(), length);
    uint32_t at = hash & indexMask_;
    for (; index_[at].textPlusOne; at = (at + 1) & indexMask_) {
        const IndexSlot& slot = index_[at];
        const uint32_t other = slot.textPlusOne - 1;
        if (slot.hash == hash && textLengths_[other] == length &&
            (length == 0 ||
             std::memcmp(pool_.begin() + textTable_[other], text.data(), length * sizeof(char16_t)) == 0)) {
            *index = other;
            return true;
        }
    }
    uint32_t added;
    if (!AppendText(text, &added)) return false;
    index_[at] = IndexSlot{added + 1, hash};
    indexed_ = added + 1;
    *index = added;
    return true;
}

bool LyricsDocument::SetInfoText(int field, std::u16string_view text) {
    uint32_t offset;
    if (!StoreInPool(text, &offset)) return false;
    if (field >= kInfoTitle && field <= kInfoAlbum) info_[field - 1] = offset;
    return true;
}

bool LyricsDocument::AddPoolText(std::u16string_view text, uint32_t* offset) {
    return StoreInPool(text, offset);
}

LyricsLine* LyricsDocument::AddLine(uint32_t textIndex, uint32_t firstSync) {
    return lines_.Append(LyricsLine{textIndex, firstSync});
}

SyncPoint* LyricsDocument::AddSyncPoint(SyncPoint value) {
    return syncs_.Append(value);
}

SyncTime* LyricsDocument::AddSyncTime(int32_t start, int32_t end) {
    return times_.Append(SyncTime{start, end});
}

ImageData* LyricsDocument::AddImageData(uint32_t offset, uint32_t size) {
    return images_.Append(ImageData{offset, size});
}

SlideImage* LyricsDocument::AddSlideImage(uint32_t flags, uint32_t ordinal, uint32_t duration,
                                          uint32_t reference) {
    SlideImage* s = slides_.Append(SlideImage{flags, ordinal, duration, reference});
    if (!s) return nullptr;
    ++slideImageCount_;
    slideShowDuration_ = duration > UINT32_MAX - slideShowDuration_ ? UINT32_MAX : slideShowDuration_ + duration;
    return s;
}

void LyricsDocument::TruncateSyncPoints(uint32_t count) {
    if (count < syncs_.Count()) syncs_.Erase(count, syncs_.Count() - count);
}

void LyricsDocument::TruncateSyncTimes(uint32_t count) {
    if (count < times_.Count()) times_.Erase(count, times_.Count() - count);
}

const char16_t* LyricsDocument::GetText(uint32_t index) const {
    if (index >= textTable_.Count()) return nullptr;
    return pool_.begin() + textTable_[index];
}

uint32_t LyricsDocument::GetTextLength(uint32_t index) const {
    return index < textLengths_.Count() ? textLengths_[index] : 0;
}

const char16_t* LyricsDocument::GetPoolText(uint32_t offset) const {
    return offset < pool_.Count() ? pool_.begin() + offset : nullptr;
}

uint64_t LyricsDocument::CommittedBytes() const {
    uint64_t bytes = uint64_t{pool_.Committed()} + textTable_.Committed() + images_.Committed() +
                     lines_.Committed() + syncs_.Committed() + times_.Committed() + slides_.Committed() +
                     textLengths_.Committed();
    if (index_) bytes += (uint64_t{indexMask_} + 1) * sizeof(IndexSlot);
    return bytes;
}

const char16_t* LyricsDocument::GetInfo(int field) const {
    if (field < kInfoTitle || field > kInfoAlbum) return nullptr;
    return GetPoolText(info_[field - 1]);
}

void LyricsDocument::CompactTimes(uint32_t syncCount, uint32_t keptTimes, uint32_t timeCount) {
    // A damaged legacy file can leave more times than sync points; those
    // follow the kept ones unchanged.
    uint32_t w = keptTimes;
    for (uint32_t k = syncCount; k < timeCount; ++k) times_[w++] = times_[k];
    TruncateSyncTimes(w);
}

void LyricsDocument::DropBlankSyncPoints() {
    const uint32_t syncCount = syncs_.Count();
    const uint32_t timeCount = times_.Count();
    const uint32_t lineCount = lines_.Count();
    uint32_t line = 0;     // next line whose first sync point is still ahead
    uint32_t kept = 0;     // sync points kept so far (write index)
    uint32_t keptTimes = 0;
    const char16_t* text = nullptr;  // text of the line being walked, if any
    uint32_t length = 0;
    for (uint32_t k = 0; k < syncCount; ++k) {
        const SyncPoint p = syncs_[k];
        bool drop = false;
        if (IsLineStart(p)) {
            // The marker that a line points at begins that line's walk; a
            // marker no line points at ends it.
            text = nullptr;
            for (; line < lineCount && lines_[line].firstSync <= k; ++line) {
                const uint32_t before = k - kept;  // points dropped so far
                uint32_t& first = lines_[line].firstSync;
                first = first >= before ? first - before : 0;
                text = GetText(lines_[line].textIndex);
                length = GetTextLength(lines_[line].textIndex);
            }
        } else {
            drop = text && p < length && IsBlank(text[p]);
        }
        if (drop) continue;
        syncs_[kept++] = p;
        if (k < timeCount) times_[keptTimes++] = times_[k];
    }
    const uint32_t dropped = syncCount - kept;
    for (; line < lineCount; ++line) lines_[line].firstSync -= dropped;
    TruncateSyncPoints(kept);
    CompactTimes(syncCount, keptTimes, timeCount);
}

void LyricsDocument::StripWordSyncPoints() {
    const uint32_t syncCount = syncs_.Count();
    const uint32_t timeCount = times_.Count();
    uint32_t kept = 0;
    uint32_t keptTimes = 0;
    for (uint32_t k = 0; k < syncCount; ++k) {
        const SyncPoint p = syncs_[k];
        if (!IsLineStart(p)) continue;
        syncs_[kept++] = p;
        if (k < timeCount) {
            SyncTime t = times_[k];
            // start < end always holds for a stored time, so start + 1 fits.
            t.end = t.start < INT32_MAX ? t.start + 1 : t.start;
            times_[keptTimes++] = t;
        }
    }
    TruncateSyncPoints(kept);
    CompactTimes(syncCount, keptTimes, timeCount);
    for (uint32_t i = 0; i < lines_.Count(); ++i) lines_[i].firstSync = i;
}

}  // namespace mr
