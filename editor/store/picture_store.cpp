#include "editor/store/picture_store.h"

#include <algorithm>
#include <cstdlib>

#include "common/file.h"

namespace mr {

PictureBytes& PictureBytes::operator=(PictureBytes&& o) noexcept {
    if (this != &o) {
        Reset();
        bytes_ = o.bytes_;
        size_ = o.size_;
        o.bytes_ = nullptr;
        o.size_ = 0;
    }
    return *this;
}

void PictureBytes::Reset() {
    std::free(bytes_);
    bytes_ = nullptr;
    size_ = 0;
}

PictureStore::PictureStore(EditHistory& history)
    : history_(history), list_(kNodeReserve, this), paths_(kPathReserve), data_(kDataReserve) {}

PictureStore::~PictureStore() {
    temp_.Close();
    if (!tempPath_.empty()) fs::Remove(tempPath_);
}

// ---------------------------------------------------------------------------
// The list's running values: the start of the cursor's picture and the total.

void PictureStore::Initialise(PictureNode& head, PictureNode& tail) {
    head = PictureNode{0, 0, 0, 0};
    tail = PictureNode{0, 0, 0, 0};
}

void PictureStore::AtHead() {
    runningStart_ = 0;
}

void PictureStore::AtTail() {
    runningStart_ = total_;
}

void PictureStore::StepForward(const PictureNode& left, const PictureNode& /*arrived*/) {
    runningStart_ += left.duration;
}

void PictureStore::StepBack(const PictureNode& /*left*/, const PictureNode& arrived) {
    runningStart_ -= arrived.duration;
}

void PictureStore::UndoRemovedInserted(const ListEdit& e, PictureNode& /*following*/) {
    total_ -= static_cast<uint32_t>(e.word6);
}

void PictureStore::UndoReinsertedRemoved(const ListEdit& e, PictureNode& /*following*/) {
    total_ += static_cast<uint32_t>(e.word5);
}

void PictureStore::RedoRemovedDeleted(const ListEdit& e, PictureNode& /*following*/) {
    total_ -= static_cast<uint32_t>(e.word5);
}

void PictureStore::RedoReinsertedInserted(const ListEdit& e, PictureNode& /*following*/) {
    total_ += static_cast<uint32_t>(e.word6);
}

PictureStore::List::NodeId PictureStore::NodeAt(int32_t i) {
    list_.Seek(i);
    return list_.Cursor();
}

uint64_t PictureStore::SumAfterCursor(int32_t count) {
    uint64_t sum = 0;
    List::NodeId x = list_.Next(list_.Cursor());
    for (int32_t k = 0; k < count; ++k, x = list_.Next(x)) sum += Node(x).duration;
    return sum;
}

EditRecord* PictureStore::NewPictureRecord() {
    EditRecord* record = history_.NewRecord();
    if (!record) return nullptr;
    record->tag = kEditPictures;
    record->subKind = kSubReplace;
    dragRecord_ = nullptr;
    dragIndex_ = -1;
    dragMode_ = 0;
    return record;
}

// ---------------------------------------------------------------------------
// The temporary file and the path pool.

bool PictureStore::OpenTempFile() {
    if (temp_.IsOpen()) return true;
    if (tempPath_.empty()) {
        const std::u16string base = fs::AppDataFolder();
        if (base.empty()) return false;
        const std::u16string folder = fs::Join(base, u"Mirelto");
        // "imgXXXX.tmp" and its separator must fit below kMaxPath as well.
        if (folder.size() + 12 >= kMaxPath) return false;
        if (!fs::IsDirectory(folder)) {
            fs::MakeDirectory(base);
            if (!fs::MakeDirectory(folder)) return false;
        }
        std::u16string path;
        if (!fs::CreateUniqueTempFile(folder, u"img", &path)) return false;
        tempPath_ = std::move(path);
    }
    return temp_.OpenWrite(tempPath_, fs::kReadWrite, fs::kShareNone, fs::Disposition::CreateAlways);
}

bool PictureStore::AppendTempBytes(const uint8_t* bytes, uint32_t size, uint32_t* offset) {
    uint64_t end = 0;
    if (!temp_.Seek(0, fs::Origin::End, &end)) return false;
    // Data entries hold 32-bit offsets.
    if (end + size > 0xFFFFFFFFu) return false;
    if (!temp_.Write(bytes, size)) {
        // Cut off whatever part of the picture was written.
        if (temp_.Seek(static_cast<int64_t>(end), fs::Origin::Begin)) temp_.SetEndOfFile();
        return false;
    }
    *offset = static_cast<uint32_t>(end);
    return true;
}

bool PictureStore::AddPath(std::u16string_view path, uint32_t* offset) {
    const uint32_t at = paths_.Count();
    if (path.size() >= paths_.Capacity()) return false;
    char16_t* p = paths_.AppendSlots(static_cast<uint32_t>(path.size()) + 1);
    if (!p) return false;
    std::copy(path.begin(), path.end(), p);
    p[path.size()] = 0;
    *offset = at;
    return true;
}

// ---------------------------------------------------------------------------
// Adding, removing, moving.

bool PictureStore::AddDocumentPicture(LyricsDocument& doc, uint32_t index) {
    if (index >= doc.GetSlideImageCount() || !doc.GetSlideImages()) return false;
    const SlideImage image = doc.GetSlideImages()[index];
    const uint32_t duration = std::clamp(image.duration / 10, kMinTicks, kMaxTicks);
    if (uint64_t{total_} + duration > kMaxTotal) return false;
    if (!list_.Reserve(1)) return false;

    uint32_t reference = 0;
    if (image.flags & kSlideExternal) {
        const char16_t* path = doc.GetPoolText(image.reference);
        if (!path || !AddPath(path, &reference)) return false;
    } else {
        if (image.reference >= doc.GetImageDataCount()) return false;
        const ImageData where = doc.GetImageData()[image.reference];
        BufferedFile* source = doc.GetImageSource();
        if (where.size == 0 || !source || !OpenTempFile()) return false;
        if (!source->Seek(where.offset, fs::Origin::Begin)) return false;
        const uint8_t* bytes = source->Read(where.size);
        uint32_t offset = 0;
        if (!bytes || !AppendTempBytes(bytes, where.size, &offset)) return false;
        if (data_.Count() >= data_.Capacity() || !data_.Append(ImageData{offset, where.size})) {
            if (temp_.Seek(offset, fs::Origin::Begin)) temp_.SetEndOfFile();
            return false;
        }
        reference = data_.Count() - 1;
    }

    // The new node may be one kept for redo: nothing can be redone now.
    history_.DiscardRedo();
    const List::NodeId node = list_.TakeNew(1);
    Node(node) = PictureNode{image.flags, nextOrdinal_, duration, reference};
    list_.Seek(list_.Count() - 1);
    list_.InsertAfterCursor(node, 1);
    total_ += duration;
    ++nextOrdinal_;
    return true;
}

bool PictureStore::AddPictureFiles(std::u16string_view list, int32_t position) {
    if (position < 0 || position > list_.Count()) return false;
    // The folder, then the names up to an empty one or the end of the view.
    auto next = [&](size_t* at) {
        const size_t end = std::min(list.find(u'\0', *at), list.size());
        const std::u16string_view s = list.substr(*at, end - *at);
        *at = end + 1;
        return s;
    };
    size_t at = 0;
    const std::u16string_view folder = next(&at);
    const uint32_t poolBefore = paths_.Count();
    const uint32_t firstPath = poolBefore;
    int32_t count = 0;
    bool ok = true;
    while (at <= list.size()) {
        const std::u16string_view name = next(&at);
        if (name.empty()) break;
        uint32_t offset = 0;
        if (static_cast<uint32_t>(count) == list_.Capacity() || !AddPath(fs::Join(folder, name), &offset)) {
            ok = false;
            break;
        }
        ++count;
    }
    const uint64_t added = uint64_t{kFileTicks} * static_cast<uint32_t>(count);
    EditRecord* record = nullptr;
    if (ok && count > 0 && total_ + added <= kMaxTotal && list_.Reserve(static_cast<uint32_t>(count))) {
        record = NewPictureRecord();
    }
    if (!record) {
        paths_.Erase(poolBefore, paths_.Count() - poolBefore);
        return false;
    }

    const List::NodeId first = list_.TakeNew(static_cast<uint32_t>(count));
    uint32_t path = firstPath;
    List::NodeId x = first;
    for (int32_t k = 0; k < count; ++k, x = list_.Next(x)) {
        Node(x) = PictureNode{kSlideExternal, nextOrdinal_++, kFileTicks, path};
        while (paths_[path] != 0) ++path;
        ++path;
    }
    list_.Seek(position - 1);
    list_.InsertAfterCursor(first, static_cast<uint32_t>(count));
    total_ += static_cast<uint32_t>(added);
    record->change = ListEdit{-1, 0, position, count, 0, static_cast<int32_t>(added), 0, 0};
    return true;
}

bool PictureStore::RemovePictures(int32_t position, int32_t count) {
    if (position < 0 || count < 1 || int64_t{position} + count > list_.Count()) return false;
    EditRecord* record = NewPictureRecord();
    if (!record) return false;
    list_.TakeNew(0);  // nothing can be redone after a new edit
    list_.Seek(position - 1);
    const uint32_t sum = static_cast<uint32_t>(SumAfterCursor(count));
    list_.RemoveAfterCursor(static_cast<uint32_t>(count));
    total_ -= sum;
    record->change = ListEdit{position, count, -1, 0, static_cast<int32_t>(sum), 0, 0, 0};
    return true;
}

bool PictureStore::MovePictures(int32_t from, int32_t to, int32_t count) {
    if (from < 0 || count < 1 || int64_t{from} + count > list_.Count() || to < 0 ||
        int64_t{to} + count > list_.Count()) {
        return false;
    }
    if (from == to) return true;  // nothing moves
    if (!list_.Reserve(static_cast<uint32_t>(count))) return false;
    EditRecord* record = NewPictureRecord();
    if (!record) return false;
    // Copies go in at the destination; the originals go to the removed
    // chain, so that undo brings them back where they were.
    const List::NodeId copies = list_.TakeNew(static_cast<uint32_t>(count));
    List::NodeId src = NodeAt(from);
    List::NodeId dst = copies;
    for (int32_t k = 0; k < count; ++k, src = list_.Next(src), dst = list_.Next(dst)) Node(dst) = Node(src);
    list_.Seek(from - 1);
    const uint32_t sum = static_cast<uint32_t>(SumAfterCursor(count));
    list_.RemoveAfterCursor(static_cast<uint32_t>(count));
    total_ -= sum;
    list_.Seek(to - 1);
    list_.InsertAfterCursor(copies, static_cast<uint32_t>(count));
    total_ += sum;
    record->change = ListEdit{from, count, to, count, static_cast<int32_t>(sum), static_cast<int32_t>(sum), 0, 0};
    return true;
}

bool PictureStore::SetPictureState(int32_t index, uint32_t ordinal, bool decoded) {
    if (index < 0 || index >= list_.Count()) return false;
    PictureNode& n = Node(NodeAt(index));
    if (n.ordinal != ordinal) return false;
    if (decoded) {
        n.flags = (n.flags | kSlideValid) & ~kSlideInvalid;
    } else {
        n.flags = (n.flags | kSlideInvalid) & ~kSlideValid;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Time queries.

int32_t PictureStore::FindPictureAt(int32_t t) {
    if (list_.Count() == 0 || t < 0 || static_cast<uint32_t>(t) >= total_) return -1;
    if (list_.Cursor() == List::kHead) list_.StepForward();
    if (list_.Cursor() == List::kTail) list_.StepBack();
    while (t < runningStart_) list_.StepBack();
    while (t >= runningStart_ + list_.CursorValue().duration) list_.StepForward();
    return list_.CursorIndex();
}

int64_t PictureStore::PictureStartTime(int32_t index) {
    if (index < 0 || index > list_.Count()) return -1;
    if (index == list_.Count()) return total_;
    list_.Seek(index);
    return runningStart_;
}

bool PictureStore::CanAdjustPictureAt(int32_t t) {
    const int32_t i = FindPictureAt(t);
    if (i < 0) return false;
    if (i == 0 || i == list_.Count() - 1) return true;
    const List::NodeId node = list_.Cursor();
    const uint64_t sum =
        uint64_t{Node(list_.Prev(node)).duration} + Node(node).duration + Node(list_.Next(node)).duration;
    return sum > 900;
}

// ---------------------------------------------------------------------------
// The Adjust tool.

bool PictureStore::BeginPictureAdjust(int32_t t) {
    if (!CanAdjustPictureAt(t)) return false;
    const int32_t i = list_.CursorIndex();
    const int32_t first = std::max(i - 1, 0);
    const int32_t count = i - first + 1;
    if (!list_.Reserve(static_cast<uint32_t>(count))) return false;
    EditRecord* record = NewPictureRecord();
    if (!record) return false;
    // The snapshot goes to the removed chain and copies take its place, so
    // that undo puts the snapshot back over whatever the drag made of them.
    const List::NodeId copies = list_.TakeNew(static_cast<uint32_t>(count));
    List::NodeId src = NodeAt(first);
    List::NodeId dst = copies;
    for (int32_t k = 0; k < count; ++k, src = list_.Next(src), dst = list_.Next(dst)) Node(dst) = Node(src);
    list_.Seek(first - 1);
    const uint32_t sum = static_cast<uint32_t>(SumAfterCursor(count));
    list_.RemoveAfterCursor(static_cast<uint32_t>(count));
    list_.InsertAfterCursor(copies, static_cast<uint32_t>(count));
    record->change = ListEdit{first, count, first, count, static_cast<int32_t>(sum), static_cast<int32_t>(sum), 0, 0};
    dragRecord_ = record;
    dragRecordIndex_ = history_.CurrentIndex();
    dragIndex_ = i;
    dragMode_ = 0;
    return true;
}

bool PictureStore::DragPictureAdjust(int32_t t) {
    if (!dragRecord_ || dragIndex_ < 0 || dragIndex_ >= list_.Count()) return false;
    const int32_t i = dragIndex_;
    // Changes the duration of picture k to d (clamped to the limits), with
    // the cursor left before the pictures that shift, so that its running
    // start stays right.
    auto resize = [&](int32_t k, int64_t d) {
        PictureNode& n = Node(NodeAt(k));
        const int64_t room = int64_t{kMaxTotal} - (int64_t{total_} - n.duration);
        d = std::clamp<int64_t>(d, kMinTicks, std::min<int64_t>(kMaxTicks, room));
        if (d == n.duration) return;
        const int64_t delta = d - n.duration;
        n.duration = static_cast<uint32_t>(d);
        total_ = static_cast<uint32_t>(total_ + delta);
        dragRecord_->change.word6 = static_cast<int32_t>(dragRecord_->change.word6 + delta);
        history_.ChangedInPlace(dragRecordIndex_);
    };
    list_.Seek(i);
    const int64_t s = runningStart_;
    const int64_t d = list_.CursorValue().duration;
    if (dragMode_ == 0) {
        if (t > s + d) {
            dragMode_ = 2;
        } else if (t < s && i > 0) {
            dragMode_ = 1;
        } else {
            return true;
        }
    }
    if (dragMode_ == 1) {
        // The boundary at s is the end of picture i − 1.
        const int64_t previousStart = PictureStartTime(i - 1);
        resize(i - 1, int64_t{t} - previousStart);
    } else {
        resize(i, int64_t{t} - s);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Reading pictures.

bool PictureStore::GetPicture(int32_t index, PictureInfo* info) {
    if (index < 0 || index >= list_.Count()) return false;
    const PictureNode n = Node(NodeAt(index));
    *info = PictureInfo{};
    info->flags = n.flags;
    info->ordinal = n.ordinal;
    info->duration = n.duration;
    if (n.flags & kSlideExternal) {
        if (n.reference < paths_.Count()) info->path = &paths_[n.reference];
    } else if (n.reference < data_.Count()) {
        info->data = data_[n.reference];
    }
    return true;
}

bool PictureStore::GetPictureData(int32_t index, PictureInfo* info, PictureBytes* bytes) {
    bytes->Reset();
    if (!GetPicture(index, info)) return false;
    if ((info->flags & (kSlideExternal | kSlideInvalid)) != 0) return true;
    return ReadPictureBytes(info->data.offset, info->data.size, bytes);
}

bool PictureStore::ReadPictureBytes(uint32_t offset, uint32_t size, PictureBytes* bytes) {
    bytes->Reset();
    if (!temp_.IsOpen() || size == 0 || !temp_.Seek(offset, fs::Origin::Begin)) return false;
    auto* block = static_cast<uint8_t*>(std::malloc(size));
    if (!block) return false;
    uint32_t got = 0;
    if (!fs::Read(temp_.Handle(), block, size, &got) || got != size) {
        std::free(block);
        return false;
    }
    bytes->bytes_ = block;
    bytes->size_ = size;
    return true;
}

// ---------------------------------------------------------------------------
// Clearing, undo and redo.

void PictureStore::ClearPictures() {
    if (temp_.IsOpen()) {
        if (temp_.Seek(0, fs::Origin::Begin)) temp_.SetEndOfFile();
        temp_.Buffer(0);
    }
    paths_.Free();
    data_.Free();
    total_ = 0;
    nextOrdinal_ = 0;
    list_.Release();
    runningStart_ = 0;
    dragRecord_ = nullptr;
    dragRecordIndex_ = -1;
    dragIndex_ = -1;
    dragMode_ = 0;
}

bool PictureStore::Undo(EditRecord* record) {
    dragRecord_ = nullptr;
    dragIndex_ = -1;
    return list_.Undo(record->change);
}

bool PictureStore::Redo(EditRecord* record) {
    dragRecord_ = nullptr;
    dragIndex_ = -1;
    return list_.Redo(record->change);
}

}  // namespace mr
