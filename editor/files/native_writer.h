#pragma once
// The native lyrics file writer (.mr, version 3): the text chunks from the
// editor's document, and the "IMG0" picture chunk from its picture store.
// Every integer is big-endian; times in the file are ms (ticks × 10).

#include <cstdint>

#include "common/buffered_file.h"
#include "editor/files/picture_decoder.h"
#include "editor/files/progress.h"
#include "editor/files/save_types.h"
#include "editor/store/sync_document.h"

namespace mr {

// Times whose ms value would not fit the file's 31 bits (ticks above this)
// cannot be written.
inline constexpr int64_t kMaxNativeTicks = 0x7FFFFFFF / 10;

// Writes, at the file's current position (0), the 12-byte header (its size
// field still 0) and the chunks "INFO" (always), "TEXT" (each distinct line
// text once), "SPT0" (with the simple flag) and "TSP0" (contiguous segments
// share their boundary), built in one buffer and written with one write. The
// document is read under its lock. kTimeOutOfRange for a timing entry that is
// negative or beyond kMaxNativeTicks; kWriteFailed, kOutOfMemory.
SaveStatus WriteNativeText(SyncDocument& doc, const SaveFields& fields, BufferedFile& file);

// What the picture writer did.
struct PictureWriteReport {
    uint32_t written = 0;  // records in the file
    uint32_t skipped = 0;  // pictures left out: marked or found undecodable
};

// Appends the "IMG0" chunk at the end of the file: one record (duration ms,
// size, bytes) per picture that decodes. Pictures marked as failed are
// skipped, embedded ones not marked as decoded and all external ones are
// checked with `decoder` first. Reports progress (100 × i / count) before
// each picture; when `progress` answers false the write stops with
// kCancelled. With no record written the file is cut back to where the chunk
// began. kWriteFailed when a read or write fails, kTooLarge when the file
// would reach 4 GiB.
SaveStatus WriteNativePictures(SyncDocument& doc, BufferedFile& file, PictureDecoder& decoder,
                               ProgressSink* progress, PictureWriteReport* report);

// Writes the final file size − 8 into the header's size field (offset 4).
SaveStatus PatchNativeSize(BufferedFile& file);

}  // namespace mr
