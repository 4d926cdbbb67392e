#pragma once
// PictureScanner: the worker that lists the preset's picture folder into a
// PictureList. It lists once after each start or resume and then waits; a
// pause clears the list (the path may change while it is parked).

#include <cstdint>
#include <string>
#include <string_view>

#include "render/slides/picture_list.h"
#include "render/slides/worker_control.h"

namespace mr {

// The file system as the scanner sees it (Windows paths).
class FolderProbe {
public:
    enum class Kind { kMissing, kFile, kFolder };
    virtual ~FolderProbe() = default;
    // What the path names.
    virtual Kind Resolve(std::u16string_view path) = 0;
    // Calls visit for each entry matching the search pattern (a folder path
    // followed by "\*"), with its name and whether it is a folder, until
    // visit returns false.
    using Visit = bool (*)(void* context, std::u16string_view name, bool isFolder);
    virtual void Enumerate(std::u16string_view pattern, Visit visit, void* context) = 0;
};

// Path lengths are limited as the Windows file functions limit them: a path
// (or search pattern) must be shorter than this many units.
inline constexpr size_t kMaxPicturePath = 260;

// What one listing does for a path of a given kind.
struct ScanPlan {
    std::u16string entry0;   // the single picture (empty for a folder)
    std::u16string prefix;   // folder with its trailing backslash, prepended to each name
    std::u16string pattern;  // search pattern; empty when nothing is to be enumerated
};
// False when the path names nothing (nothing is listed then, not even entry 0).
bool PlanScan(std::u16string_view path, FolderProbe::Kind kind, ScanPlan* plan);

class PictureScanner final : public Worker {
public:
    PictureScanner(PictureList& list, FolderProbe& probe) : list_(list), probe_(probe) {}

    // The picture file or folder to list. Call before the scanner starts or
    // while it is paused; it is read when the scanner next lists.
    void SetImagePath(std::u16string_view path) { path_.assign(path); }

    // One listing into the list (which the caller has cleared): entry 0, then
    // every file of the folder whose full path stays under the length limit,
    // whatever its extension. Stops early once `control` (optional) is no
    // longer in the run state. Public so that a listing can be run directly.
    void Scan(const WorkerControl* control);

    void Run(WorkerControl& control) override;
    void OnPark() override { list_.Clear(); }

private:
    PictureList& list_;
    FolderProbe& probe_;
    std::u16string path_;
};

}  // namespace mr
