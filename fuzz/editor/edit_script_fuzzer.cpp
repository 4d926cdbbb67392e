// The editing core driven by arbitrary edit scripts (the interpreter of
// "mrlyrics edit"): every script must run or stop at a malformed line without
// a fault, leave a document that keeps its invariants, and undo back to the
// empty document it started from.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "editor/store/sync_document.h"
#include "tools/mrlyrics/edit_script.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// Segment count = 1 + line breaks + flags, no flag at a line start, entries
// ordered without overlap.
void CheckInvariants(mr::SyncDocument& doc) {
    const int32_t n = doc.CellCount();
    std::vector<mr::TextCell> cells(static_cast<size_t>(n));
    Check(doc.GetCells(0, n, cells.data()) == n);
    int32_t segments = n ? 1 : 0;
    for (int32_t i = 0; i < n; ++i) {
        segments += (cells[i].ch == 13) + (cells[i].flag != 0);
        Check(!cells[i].flag || (i > 0 && cells[i - 1].ch != 13));
    }
    Check(doc.SegmentCount() == segments);
    int32_t previousEnd = INT32_MIN;
    for (int32_t i = 0; i < doc.TimingCount(); ++i) {
        int32_t start = 0, end = 0;
        Check(doc.GetTiming(i, &start, &end));
        Check(start < end && start >= previousEnd);
        previousEnd = end;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mr::SyncDocument doc;
    std::string out, error;
    mr::tool::RunEditScript(doc, std::string_view(reinterpret_cast<const char*>(data), size), &out, &error);
    CheckInvariants(doc);
    while (doc.CanUndo()) Check(doc.Undo());
    Check(doc.CellCount() == 0 && doc.TimingCount() == 0);
    while (doc.CanRedo()) Check(doc.Redo());
    CheckInvariants(doc);
    return 0;
}
