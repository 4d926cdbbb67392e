#pragma once
// The LRC writer: the editor's document as an LRC file with line time stamps
// and, optionally, word stamps, in one of the four text encodings.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/files/save_types.h"
#include "editor/store/sync_document.h"

namespace mr {

// LRC minutes are two digits: times of 100 minutes (600,000 ticks) or more
// cannot be written.
inline constexpr int32_t kLrcLimitTicks = 100 * 6000;

struct LrcWriteReport {
    // The ANSI code page lacked a character, written as its default
    // character.
    bool defaultCharUsed = false;
};

// The file's bytes: the tags [ti:], [ar:], [al:] of the non-empty fields,
// then every timed segment (segments 0 … min(SegmentCount, TimingCount) − 1;
// the untimed rest is not written): a line stamp [mm:ss.cc] at each line's
// first segment, and with word stamps a <mm:ss.cc> stamp of each segment's
// end, preceded by one of its start when it does not begin where the
// previous segment ended. Lines end in CR LF except the last. Encoded by
// `encoding` (a TextEncoding): UTF-16LE and UTF-16BE with their mark, UTF-8
// with its mark, anything else in the ANSI code page without a mark. The
// document is read under its lock. kTimeOutOfRange when a stamp would reach
// 100 minutes (or a time is negative), kOutOfMemory.
SaveStatus BuildLrc(SyncDocument& doc, const SaveFields& fields, bool lineStampsOnly, int encoding,
                    std::vector<uint8_t>* bytes, LrcWriteReport* report = nullptr);

// BuildLrc, then creates the file at `path` (write access, no sharing,
// replacing what is there) and writes it with one write. kWriteFailed when
// the file cannot be created or written.
SaveStatus WriteLrcFile(SyncDocument& doc, std::u16string_view path, const SaveFields& fields,
                        bool lineStampsOnly, int encoding, LrcWriteReport* report = nullptr);

}  // namespace mr
