#pragma once
// LyricsDocument: what a lyrics file becomes when it is read. The texts of the
// lines, the sync points that divide each line into timed segments, the times
// of those segments (milliseconds), the Title, Artist and Album fields and the
// slide-show pictures a native file may carry.
//
// A passive container: no locking of its own, the owner serialises access.
// Every table reserves its address range once and commits pages as it grows,
// so elements never move and a pointer returned by a builder stays valid until
// the table is freed (by ClearDocument, DiscardLyrics or destruction). The
// capacities below are limits of the model: an addition beyond one fails like
// exhausted memory, and a failed addition changes nothing.

#include <cstdint>
#include <string_view>

#include "common/buffered_file.h"
#include "common/paged_array.h"

namespace mr {

// The numbers by which the open and save flows and LoadLyricsFile name a
// file's kind. Unscoped so that callers may pass them as plain ints.
enum LyricsFileKind : int {
    kLyricsKindAudio = 1,           // audio file (the editor's audio open flow)
    kLyricsKindAny = 2,             // any lyrics file; the extension decides among 4 to 8
    kLyricsKindPictures = 3,        // pictures to add
    kLyricsKindNative = 4,          // ".mr"
    kLyricsKindProject = 5,         // ".mrp": accepted, nothing is read
    kLyricsKindTemplate = 6,        // ".mrt": accepted, nothing is read
    kLyricsKindLrc = 7,             // ".lrc"
    kLyricsKindText = 8,            // ".txt"
    kLyricsKindMidi = 9,            // ".mid", ".midi", ".kar", ".rmi" (plug-ins only)
    kLyricsKindInsertPictures = 10, // pictures to insert at the picture list's position
    kLyricsKindNativeAlt = 11,      // native file, alternative save kind
    kLyricsKindLrcLines = 12,       // LRC with line time stamps only (save)
};

// One line: its text (index into the text table) and its first sync point
// (index into the sync table), which is the line's start marker.
struct LyricsLine {
    uint32_t textIndex;
    uint32_t firstSync;
};

// A sync point: with bit 31 set, a line-start marker holding the line's
// ordinal in bits 0-30; with bit 31 clear, the character offset in the line's
// text where a new segment begins.
using SyncPoint = uint32_t;
inline constexpr SyncPoint kLineStartFlag = 0x80000000u;
inline constexpr SyncPoint LineStartMarker(uint32_t ordinal) { return kLineStartFlag | (ordinal & ~kLineStartFlag); }
inline constexpr bool IsLineStart(SyncPoint p) { return (p & kLineStartFlag) != 0; }

// Start and end (ms) of the segment that begins at the sync point with the
// same index.
struct SyncTime {
    int32_t start;
    int32_t end;
};

// Where an embedded picture's bytes lie in the source file.
struct ImageData {
    uint32_t offset;  // byte offset in the source file
    uint32_t size;    // bytes
};

// Flags of a SlideImage.
inline constexpr uint32_t kSlideExternal = 0x80000000u;  // reference is a path in the text pool
inline constexpr uint32_t kSlideValid = 1u;              // decoded successfully (picture store)
inline constexpr uint32_t kSlideInvalid = 2u;            // failed to decode (picture store)

// One picture of the slide show, 16 bytes on every platform. For an embedded
// picture, reference is the index of its ImageData entry; for an external one
// (kSlideExternal), it is the offset of its NUL-terminated path in the text
// pool (read it with GetPoolText).
struct SlideImage {
    uint32_t flags;
    uint32_t ordinal;   // 0-based position in reading order
    uint32_t duration;  // ms the picture is shown
    uint32_t reference;
};
static_assert(sizeof(SlideImage) == 16, "SlideImage is a 16-byte record");
static_assert(sizeof(LyricsLine) == 8 && sizeof(SyncTime) == 8 && sizeof(ImageData) == 8);

// Information fields.
enum LyricsInfoField : int { kInfoTitle = 1, kInfoArtist = 2, kInfoAlbum = 3 };

class LyricsDocument {
public:
    // Reserves of the tables in bytes, and the capacities they give.
    static constexpr uint32_t kTextPoolReserve = 0xB00000;    // 5,767,168 UTF-16 units
    static constexpr uint32_t kTextTableReserve = 0x100000;   // 262,144 texts
    static constexpr uint32_t kImageDataReserve = 0x100000;   // 131,072 entries
    static constexpr uint32_t kLineTableReserve = 0x100000;   // 131,072 lines
    static constexpr uint32_t kSyncTableReserve = 0x100000;   // 262,144 sync points
    static constexpr uint32_t kTimeTableReserve = 0x100000;   // 131,072 times
    static constexpr uint32_t kSlideTableReserve = 0x100000;  // 65,536 slide images
    // Marks an absent reference into the text pool.
    static constexpr uint32_t kNoText = 0xFFFFFFFFu;

    LyricsDocument();
    ~LyricsDocument();
    LyricsDocument(const LyricsDocument&) = delete;
    LyricsDocument& operator=(const LyricsDocument&) = delete;

    // Closes the source file (freeing its buffer), frees every table and
    // zeroes the counters, the simple flag and the information fields. The
    // document can be filled again afterwards.
    void ClearDocument();

    // Frees the text pool, the text table, the line, sync and time tables and
    // the information fields (which live in the pool); the picture tables and
    // the source file are kept. For a reader that discards what it has built
    // and starts over.
    void DiscardLyrics();

    // --- Builders (used by the readers). A failure (capacity or memory)
    // changes nothing; the reader turns it into a failed load.

    // Stores a text of `text.size()` units, or finds the first identical text
    // already in the table: *index receives that text's index. `text` must not
    // contain NUL. Amortised O(length).
    bool AddText(std::u16string_view text, uint32_t* index);
    // Always stores the text as a new entry (no search); *index (optional)
    // receives its index. `text` must not contain NUL.
    bool AppendText(std::u16string_view text, uint32_t* index = nullptr);
    // Stores the text in the pool and makes it the value of `field` (1 Title,
    // 2 Artist, 3 Album), replacing an earlier value (which stays in the
    // pool). Any other field number stores the text and sets nothing.
    bool SetInfoText(int field, std::u16string_view text);
    // Stores a NUL-terminated string in the pool (a slide image's path) and
    // returns its pool offset in *offset.
    bool AddPoolText(std::u16string_view text, uint32_t* offset);

    // Append one element and return it (its address stays valid), or null.
    LyricsLine* AddLine(uint32_t textIndex, uint32_t firstSync);
    SyncPoint* AddSyncPoint(SyncPoint value);
    SyncTime* AddSyncTime(int32_t start, int32_t end);
    ImageData* AddImageData(uint32_t offset, uint32_t size);
    // Appends a slide image and adds it to the slide image count and its
    // duration to the slide show duration.
    SlideImage* AddSlideImage(uint32_t flags, uint32_t ordinal, uint32_t duration, uint32_t reference);

    // Drops sync points (and times) from index `count` on; for a reader that
    // takes back what it added for an unfinished line.
    void TruncateSyncPoints(uint32_t count);
    void TruncateSyncTimes(uint32_t count);

    void SetSimple(bool simple) { simple_ = simple ? 1u : 0u; }

    // --- Accessors.

    // The text's NUL-terminated units, or null when index >= GetTextCount().
    const char16_t* GetText(uint32_t index) const;
    // The text's length in units (without the NUL); 0 for a bad index.
    uint32_t GetTextLength(uint32_t index) const;
    // The NUL-terminated string at a pool offset (an external slide image's
    // path), or null when the offset lies outside the pool.
    const char16_t* GetPoolText(uint32_t offset) const;

    uint32_t GetTextCount() const { return textTable_.Count(); }
    uint32_t GetLineCount() const { return lines_.Count(); }
    uint32_t GetSyncCount() const { return syncs_.Count(); }
    uint32_t GetSyncTimeCount() const { return times_.Count(); }
    uint32_t GetImageDataCount() const { return images_.Count(); }
    uint32_t GetSlideImageCount() const { return slideImageCount_; }
    // Units in use in the text pool (texts, information values, paths, NULs).
    uint32_t GetPoolUnits() const { return pool_.Count(); }
    // Bytes of memory the document's tables have committed (pages, whether
    // touched or not) plus its text-sharing index: what the document holds,
    // without the source file's buffer.
    uint64_t CommittedBytes() const;

    // The first element of each table, or null when it is empty.
    const LyricsLine* GetLines() const { return lines_.Data(); }
    const SyncPoint* GetSyncPoints() const { return syncs_.Data(); }
    const SyncTime* GetSyncTimes() const { return times_.Data(); }
    const ImageData* GetImageData() const { return images_.Data(); }
    const SlideImage* GetSlideImages() const { return slides_.Data(); }
    // The time table for a reader that adjusts times it has added (null when
    // empty).
    SyncTime* MutableSyncTimes() { return times_.Data(); }

    // Title (1), Artist (2) or Album (3), or null when absent or for any other
    // field number.
    const char16_t* GetInfo(int field) const;
    // Sum of the slide images' durations in ms (saturates at 0xFFFFFFFF).
    uint32_t GetSlideShowDuration() const { return slideShowDuration_; }
    // 1 when a native file asks for line-by-line display, else 0.
    uint32_t GetSimple() const { return simple_; }

    // The source file while it is open (picture bytes are read from it at an
    // ImageData offset), or null when it is closed.
    BufferedFile* GetImageSource() { return source_.IsOpen() ? &source_ : nullptr; }
    // The source file itself, for LoadLyricsFile and the readers.
    BufferedFile& SourceFile() { return source_; }

    // --- Post-processing.

    // Removes every word sync point that falls on a space or a tab of its
    // line's text, with its time when it has one; later lines' firstSync move
    // down accordingly. The time of the segment before a removed point stays,
    // so a gap may open. O(sync count).
    void DropBlankSyncPoints();
    // Keeps only the line-start markers: each marker's time becomes (start,
    // start + 1 ms), word sync points and their times go, and every line's
    // firstSync becomes its own index. O(sync count).
    void StripWordSyncPoints();

private:
    // Stores units plus a NUL in the pool; *offset receives where.
    bool StoreInPool(std::u16string_view text, uint32_t* offset);
    // Appends a text table entry for pool text at `offset`, rolling the pool
    // back to `offset` on failure.
    bool AppendTextEntry(uint32_t offset, uint32_t length, uint32_t* index);
    // Brings the sharing index up to every text in the table.
    bool IndexTexts();
    void FreeTextIndex();
    // Removes, from the parallel tail of the time table, the entries whose
    // sync points were dropped; shared by the two post-processing walks.
    void CompactTimes(uint32_t syncCount, uint32_t keptTimes, uint32_t timeCount);

    PagedArray<char16_t> pool_;
    PagedArray<uint32_t> textTable_;  // pool offset of each text
    PagedArray<ImageData> images_;
    PagedArray<LyricsLine> lines_;
    PagedArray<SyncPoint> syncs_;
    PagedArray<SyncTime> times_;
    PagedArray<SlideImage> slides_;
    BufferedFile source_;
    uint32_t slideImageCount_ = 0;
    uint32_t slideShowDuration_ = 0;
    uint32_t simple_ = 0;
    uint32_t info_[3] = {kNoText, kNoText, kNoText};

    // Lengths of the texts, parallel to the text table (saves a scan of the
    // pool for every length).
    PagedArray<uint32_t> textLengths_;
    // Sharing index for AddText: open addressing over the texts, each slot
    // holding (text index + 1, hash); 0 marks an empty slot.
    struct IndexSlot {
        uint32_t textPlusOne;
        uint32_t hash;
    };
    IndexSlot* index_ = nullptr;
    uint32_t indexMask_ = 0;     // slots - 1 (slots a power of two), 0 when none
    uint32_t indexed_ = 0;       // texts [0, indexed_) are in the index
};

}  // namespace mr
