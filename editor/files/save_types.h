#pragma once
// What the lyrics writers and the save flow share: the values they write
// besides the document store, and how a write or a save ended.

#include <string>

namespace mr {

// Title, Artist and Album, kept by the editor with the current file, and the
// Simple mode setting (the native file's simple flag: display line by line).
struct SaveFields {
    std::u16string title;
    std::u16string artist;
    std::u16string album;
    bool simple = false;
};

enum class SaveStatus {
    kSaved,           // the target now holds the new file
    kTempFile,        // no temporary file could be made in the target's folder
    kWriteFailed,     // opening, writing or reading failed
    kCancelled,       // the user cancelled the picture dialog
    kMoveFailed,      // the temporary file could not replace the target
    kTimeOutOfRange,  // a time the format cannot hold (LRC: 100 minutes or more)
    kTooLarge,        // the file would reach 4 GiB
    kOutOfMemory,
    kBadKind,         // not a kind the writers produce (4, 7, 11, 12)
};

// A short English description of a status, for messages ("the file could not
// be written").
const char* SaveStatusText(SaveStatus status);

}  // namespace mr
