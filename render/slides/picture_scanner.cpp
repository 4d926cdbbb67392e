#include "render/slides/picture_scanner.h"

namespace mr {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

struct ScanContext {
    PictureList* list;
    const WorkerControl* control;
    const std::u16string* prefix;
    std::u16string full;
};

bool VisitEntry(void* p, std::u16string_view name, bool isFolder) {
    auto* c = static_cast<ScanContext*>(p);
    if (c->control && c->control->State() != kWorkerRun) return false;
    if (isFolder || name.empty()) return true;
    if (c->prefix->size() + name.size() >= kMaxPicturePath) return true;
    c->full.assign(*c->prefix);
    c->full.append(name);
    return c->list->Append(c->full);  // a full list ends the listing
}

}  // namespace

bool PlanScan(std::u16string_view path, FolderProbe::Kind kind, ScanPlan* plan) {
    *plan = ScanPlan{};
    if (path.empty() || kind == FolderProbe::Kind::kMissing) return false;
    if (kind == FolderProbe::Kind::kFolder) {
        plan->prefix.assign(path);
        if (!IsSeparator(path.back())) plan->prefix.push_back(u'\\');
    } else {
        plan->entry0.assign(path);
        size_t cut = path.size();
        while (cut > 0 && !IsSeparator(path[cut - 1]) && path[cut - 1] != u':') --cut;
        plan->prefix.assign(path.substr(0, cut));
    }
    if (plan->prefix.size() + 1 < kMaxPicturePath) plan->pattern = plan->prefix + u"*";
    return true;
}

void PictureScanner::Scan(const WorkerControl* control) {
    ScanPlan plan;
    if (!PlanScan(path_, probe_.Resolve(path_), &plan)) return;
    if (!list_.Append(plan.entry0) || plan.pattern.empty()) return;
    ScanContext context{&list_, control, &plan.prefix, {}};
    probe_.Enumerate(plan.pattern, &VisitEntry, &context);
}

void PictureScanner::Run(WorkerControl& control) {
    for (;;) {
        list_.Clear();  // a restarted scanner lists afresh
        Scan(&control);
        WorkerWake wake;
        do {
            wake = control.WaitForWork();
        } while (wake == WorkerWake::kWork);  // nothing to do until a resume
        if (wake == WorkerWake::kQuit) return;
    }
}

}  // namespace mr
