#pragma once
// ProgressSink: how a long step of the open and save flows (copying a
// document's pictures into the picture store, writing the pictures of a
// native file) reports its progress and learns that the user cancelled. The
// editor implements it with its progress dialog ("Opening file...",
// "Saving file..."), which pumps messages on every call.

#include <cstdint>

namespace mr {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Progress in percent (0 … 100), reported before each item. Returns false
    // when the user cancelled: the step then stops as cancelled.
    virtual bool Progress(uint32_t percent) = 0;
};

}  // namespace mr
