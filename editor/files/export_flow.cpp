#include "editor/files/export_flow.h"

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "common/file.h"
#include "editor/files/ass_writer.h"
#include "editor/files/ttml_writer.h"

namespace mr {

SaveStatus ExportLyricsFile(SyncDocument& doc, std::u16string_view target, ExportFormat format,
                            const SaveFields& fields) {
    std::vector<uint8_t> bytes;
    const SaveStatus built =
        format == ExportFormat::kAss ? BuildAss(doc, fields, &bytes) : BuildTtml(doc, fields, &bytes);
    if (built != SaveStatus::kSaved) return built;

    std::u16string temp;
    try {
        const size_t cut = target.find_last_of(u"\\/");
        const std::u16string_view folder = cut == std::u16string_view::npos ? u"." : target.substr(0, cut + 1);
        if (!fs::CreateUniqueTempFile(folder, u"mr", &temp)) return SaveStatus::kTempFile;
    } catch (const std::bad_alloc&) {
        return SaveStatus::kOutOfMemory;
    }
    SaveStatus status = SaveStatus::kSaved;
    const fs::Handle h = fs::Open(temp, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways);
    if (h == fs::kInvalidHandle) {
        status = SaveStatus::kWriteFailed;
    } else {
        if (!bytes.empty() && !fs::Write(h, bytes.data(), static_cast<uint32_t>(bytes.size())))
            status = SaveStatus::kWriteFailed;
        if (status == SaveStatus::kSaved && !fs::Flush(h)) status = SaveStatus::kWriteFailed;
        fs::Close(h);
    }
    if (status == SaveStatus::kSaved && !fs::ReplaceMove(temp, target)) status = SaveStatus::kMoveFailed;
    if (status != SaveStatus::kSaved) fs::Remove(temp);
    return status;
}

}  // namespace mr
