#pragma once
// Helpers for the lyrics tests: reading bytes with a reader and describing a
// document compactly.

#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyrics_document.h"

namespace mr::test {

// One string per line: its text (UTF-8), then its word sync points and the
// times of its segments, e.g. "Hello world |6| 1000-2000 2000-3000". A sync
// point without a time shows no time.
std::vector<std::string> DescribeLines(const LyricsDocument& doc);

// Runs the LRC or plain-text reader on a copy of `bytes`.
bool ReadLrc(LyricsDocument& doc, std::string_view bytes, int editorMode = 0, int* encoding = nullptr);
bool ReadPlainText(LyricsDocument& doc, std::string_view bytes);

// UTF-16 units of an ASCII/UTF-8 string as little- or big-endian bytes, with
// the byte order mark first.
std::string Utf16Bytes(std::string_view utf8, bool bigEndian);

}  // namespace mr::test
