#pragma once
// The TTML writer: the editor's document as Timed Text Markup Language with
// one timed span per segment, for word-synced lyric players.

#include <cstdint>
#include <vector>

#include "editor/files/save_types.h"
#include "editor/store/sync_document.h"

namespace mr {

// The document's bytes, UTF-8 without a mark: <tt> in the TTML namespace
// with xml:lang="und" (the language is not known), the non-empty title
// (ttm:title) and artist (a ttm:agent of type person) in <head><metadata>,
// then <body><div> with one <p> per line and one <span begin end> per timed
// segment. Only the spans carry times, as clock times HH:MM:SS.mmm: with no
// begin on <body>, <div> or <p>, a span's times are relative to the start of
// the document both for strict TTML processors (which add a parent's begin)
// and for players that read the spans' attributes as they are. XML's special
// characters are escaped; characters XML cannot hold become U+FFFD. The
// document is read under its lock. kTimeOutOfRange for a negative time,
// kOutOfMemory.
SaveStatus BuildTtml(SyncDocument& doc, const SaveFields& fields, std::vector<uint8_t>* bytes);

}  // namespace mr
