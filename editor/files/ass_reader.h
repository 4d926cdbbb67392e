#pragma once
// Reader of ASS (Advanced SubStation Alpha) scripts with karaoke tags, for
// the command-line tool: the editor and the plug-ins do not read ASS, so it
// stays outside LoadLyricsFile.

#include <cstdint>
#include <string_view>

#include "lyrics/lyrics_document.h"

namespace mr {

// Reads a script's `size` bytes into `doc` (decoded as the LRC reader decodes
// text: a byte order mark, else UTF-8 when well-formed, else ANSI). Every
// "Dialogue" of the [Events] section becomes one line, in start order
// (equal starts in file order); "Comment" lines and other sections are
// skipped. Each \k, \kf, \K or \ko tag (duration in centiseconds) starts a
// segment; a tag followed by no text is a gap; text before the first tag
// belongs to the first segment; a line without karaoke tags is one segment
// from the event's start to its end. Other override blocks are dropped; \N
// and \n become a space, \h U+00A0, \{ and \} braces. "Title", "Artist" and
// "Album" of [Script Info] fill the information fields. Times are in ms.
//
// Damaged content never fails the read: a line with too few fields or a bad
// time is skipped, a karaoke tag without a number is dropped. `bytes` must be
// 2-byte aligned and may be changed. False only when memory or a table's
// capacity runs out; what was added stays.
bool ReadAssLyrics(LyricsDocument& doc, uint8_t* bytes, uint32_t size);

// Reads the file at `path` with ReadAssLyrics; the source file is closed
// afterwards. False also when it cannot be opened or read.
bool LoadAssFile(LyricsDocument& doc, std::u16string_view path);

}  // namespace mr
