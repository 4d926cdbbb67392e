#pragma once
// Helpers shared by the native and LRC writers; not part of their contract.

#include <cstdint>
#include <string>
#include <vector>

#include "editor/store/sync_document.h"

namespace mr::writer {

inline void AppendU32BE(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

inline void PutU32BE(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// The whole text of the store (CellCount units, lines separated by CR).
// The caller holds the document lock.
std::u16string WholeText(SyncDocument& doc);

// Units that would end a line or a string early in the files (NUL, LF, and
// for single-line values CR) cannot come from the editor's text pane; a
// scripted edit may still put them into the store. They are written as
// U+FFFD so that the file's structure stays intact.
void ReplaceBreakingUnits(std::u16string& s, bool crToo);

}  // namespace mr::writer
