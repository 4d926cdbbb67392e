#pragma once
// PictureStore: the slide-show pictures of the editor document, the third
// list inside SyncDocument next to the text and the timing entries. A picture
// is an external file named by its path, or an embedded picture that came
// from a native lyrics file; embedded bytes are copied into the store's own
// temporary file when the document is opened, so that the source file can be
// overwritten by a save.
//
// Pictures follow each other without gaps: picture i starts at the sum of the
// durations before it. Durations and times are ticks of 10 ms. Every change
// obtains one history record of kind 3 (except loading and state reports) and
// changes nothing when it cannot; operations that cannot allocate or cannot
// read or write the temporary file return false and leave the list as it was.
// Not locked: SyncDocument serialises access.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/buffered_file.h"
#include "common/paged_array.h"
#include "common/paged_list.h"
#include "editor/store/edit_history.h"
#include "lyrics/lyrics_document.h"

namespace mr {

// One picture: the SlideImage flags (kSlideExternal, kSlideValid,
// kSlideInvalid), the ordinal handed out when it was added, its duration in
// ticks, and its reference: the pool offset of its path (external) or the
// index of its data table entry (embedded).
struct PictureNode {
    uint32_t flags;
    uint32_t ordinal;
    uint32_t duration;  // ticks
    uint32_t reference;
};
static_assert(sizeof(PictureNode) == 16);

// What GetPicture hands out about one picture.
struct PictureInfo {
    uint32_t flags = 0;
    uint32_t ordinal = 0;
    uint32_t duration = 0;          // ticks
    const char16_t* path = nullptr;  // external: NUL-terminated, valid until the next change or clear
    ImageData data{};               // embedded: where the bytes lie in the temporary file
};

// Bytes of one embedded picture, owned by whoever holds the object (freed
// with it). Moves, never copies.
class PictureBytes {
public:
    PictureBytes() = default;
    ~PictureBytes() { Reset(); }
    PictureBytes(PictureBytes&& o) noexcept : bytes_(o.bytes_), size_(o.size_) {
        o.bytes_ = nullptr;
        o.size_ = 0;
    }
    PictureBytes& operator=(PictureBytes&& o) noexcept;
    PictureBytes(const PictureBytes&) = delete;
    PictureBytes& operator=(const PictureBytes&) = delete;

    const uint8_t* Data() const { return bytes_; }
    uint32_t Size() const { return size_; }
    bool Empty() const { return bytes_ == nullptr; }
    void Reset();

private:
    friend class PictureStore;
    uint8_t* bytes_ = nullptr;
    uint32_t size_ = 0;
};

class PictureStore final : private PagedListOps<PictureNode> {
public:
    static constexpr uint32_t kNodeReserve = 0xA00000;   // 436,904 nodes
    static constexpr uint32_t kPathReserve = 0xA00000;   // UTF-16 units of paths
    static constexpr uint32_t kDataReserve = 0x100000;   // 131,072 data entries
    // Durations: a picture added from files, the shortest picture, and the
    // longest (its duration in ms must fit the file's 31 bits).
    static constexpr uint32_t kFileTicks = 1000;
    static constexpr uint32_t kMinTicks = 300;
    static constexpr uint32_t kMaxTicks = 0x7FFFFFFFu / 10;
    // The total never passes this, so every sum of durations fits a record
    // word and a tick value.
    static constexpr uint32_t kMaxTotal = 0x7FFFFFFFu;
    // Paths of the temporary file stay below this many units.
    static constexpr size_t kMaxPath = 260;

    explicit PictureStore(EditHistory& history);
    // Closes the temporary file and deletes it.
    ~PictureStore() override;
    PictureStore(const PictureStore&) = delete;
    PictureStore& operator=(const PictureStore&) = delete;

    // Appends slide image `index` of `doc` (no history record; for the open
    // flow). Its duration is the image's ms / 10, raised to kMinTicks. An
    // embedded picture's bytes are read from the document's source file and
    // appended to the temporary file, which is created on first use in the
    // application-data folder's "Mirelto" subfolder with the prefix "img".
    // False, with nothing changed, when the image does not exist, its bytes
    // cannot be read or stored, or memory runs out.
    bool AddDocumentPicture(LyricsDocument& doc, uint32_t index);
    // Inserts external pictures so that the first gets index `position`
    // (0 … count). `list` is the open dialog's multi-selection form: a
    // folder, then file names, each NUL-terminated, ended by an empty string
    // (or the end of the view). Each lasts kFileTicks and gets the next
    // ordinal. One record.
    bool AddPictureFiles(std::u16string_view list, int32_t position);
    // Removes count pictures from index position. One record.
    bool RemovePictures(int32_t position, int32_t count);
    // Moves count pictures from index `from` so that they start at index `to`
    // of the list without them (0 … count − n). One record.
    bool MovePictures(int32_t from, int32_t to, int32_t count);
    // The preview's verdict on picture `index`: decoded sets kSlideValid and
    // clears kSlideInvalid, not decoded the reverse. Nothing happens (false)
    // when the index is out of range or the picture's ordinal is not
    // `ordinal` (the list changed meanwhile). Not recorded.
    bool SetPictureState(int32_t index, uint32_t ordinal, bool decoded);

    // The picture whose span [start, start + duration) holds tick t, or −1
    // (empty list, t before 0 or at or beyond the total). Moves the cursor.
    int32_t FindPictureAt(int32_t t);
    // The start (ticks) of picture index; the total for index = count; −1
    // out of range.
    int64_t PictureStartTime(int32_t index);
    // Whether the Adjust tool applies at t: a picture holds t, and it is the
    // first or the last, or it and its two neighbours last more than 900
    // ticks together.
    bool CanAdjustPictureAt(int32_t t);
    // Press of the Adjust tool at t: snapshots the picture there and the one
    // before it (one record), for DragPictureAdjust to change.
    bool BeginPictureAdjust(int32_t t);
    // Drag of the Adjust tool to t: moves the boundary before the pressed
    // picture (the picture before keeps at least kMinTicks, later pictures
    // shift) or its end (at least kMinTicks), whichever the first movement
    // chose. False when no adjust is open (nothing pressed, or another picture
    // change, undo or redo came in between).
    bool DragPictureAdjust(int32_t t);

    // The fields of picture index; false when out of range.
    bool GetPicture(int32_t index, PictureInfo* info);
    // The fields plus, for an embedded picture not marked kSlideInvalid, its
    // bytes read from the temporary file into *bytes (the caller owns them).
    // False when out of range or the read fails (*bytes is then empty).
    bool GetPictureData(int32_t index, PictureInfo* info, PictureBytes* bytes);
    // Reads `size` bytes at `offset` of the temporary file (a data entry the
    // caller got from GetPicture). False when the read fails.
    bool ReadPictureBytes(uint32_t offset, uint32_t size, PictureBytes* bytes);

    int32_t PictureCount() const { return list_.Count(); }
    // Sum of all durations, in ticks.
    uint32_t PictureTotal() const { return total_; }
    // The temporary file's path; empty until the first embedded picture.
    const std::u16string& TempPath() const { return tempPath_; }

    // Empties the store: the temporary file is cut to length 0 (it stays
    // open and keeps its path), the path pool, data table and list are
    // released, total and next ordinal are 0.
    void ClearPictures();

    // Undo and redo of a picture record; they end an open adjust.
    bool Undo(EditRecord* record);
    bool Redo(EditRecord* record);

private:
    using List = PagedList<PictureNode>;

    void Initialise(PictureNode& head, PictureNode& tail) override;
    void AtHead() override;
    void AtTail() override;
    void StepForward(const PictureNode& left, const PictureNode& arrived) override;
    void StepBack(const PictureNode& left, const PictureNode& arrived) override;
    void UndoRemovedInserted(const ListEdit& e, PictureNode& following) override;
    void UndoReinsertedRemoved(const ListEdit& e, PictureNode& following) override;
    void RedoRemovedDeleted(const ListEdit& e, PictureNode& following) override;
    void RedoReinsertedInserted(const ListEdit& e, PictureNode& following) override;

    // The node of picture i (head sentinel for −1, tail for the count).
    List::NodeId NodeAt(int32_t i);
    PictureNode& Node(List::NodeId n) const { return list_.Value(n); }
    // Creates and opens the temporary file when it is not open.
    bool OpenTempFile();
    // Appends size bytes to the temporary file; *offset receives where.
    bool AppendTempBytes(const uint8_t* bytes, uint32_t size, uint32_t* offset);
    // Stores a NUL-terminated path in the pool; *offset receives where.
    bool AddPath(std::u16string_view path, uint32_t* offset);
    // Sum of the durations of count pictures from the cursor's next node.
    uint64_t SumAfterCursor(int32_t count);
    // Fills the record of a replacement and ends an open adjust.
    EditRecord* NewPictureRecord();

    EditHistory& history_;
    List list_;
    PagedArray<char16_t> paths_;
    PagedArray<ImageData> data_;
    BufferedFile temp_;
    int64_t runningStart_ = 0;  // start of the cursor's picture
    uint32_t total_ = 0;
    uint32_t nextOrdinal_ = 0;
    // The Adjust drag: the picture pressed on, the mode (0 undecided, 1 the
    // boundary before it, 2 its end), and its record while it is open.
    int32_t dragIndex_ = -1;
    int32_t dragMode_ = 0;
    EditRecord* dragRecord_ = nullptr;
    int32_t dragRecordIndex_ = -1;
    std::u16string tempPath_;
};

}  // namespace mr
