#include "editor/frame/suggest_command_win.h"

#include <string>

#include "editor/suggest/suggest_document.h"

namespace mr {
namespace {

constexpr wchar_t kTitle[] = L"Mirelto Editor";

std::wstring Wide(const char* ascii) {
    std::wstring w;
    for (const char* p = ascii; *p; ++p) w += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return w;
}

}  // namespace

bool RunSuggestTiming(HWND owner, SyncDocument& doc, const std::u16string& wavePath, int64_t fromTicks) {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    suggest::SuggestReport report;
    const suggest::SuggestStatus status = suggest::SuggestTiming(doc, wavePath, fromTicks, &report);
    SetCursor(previous);
    if (status == suggest::SuggestStatus::kSuggested) return true;

    std::wstring text;
    switch (status) {
        case suggest::SuggestStatus::kAnalysisFailed:
            text = L"Suggest Timing cannot use the decoded song: " + Wide(suggest::SuggestStatusText(status, report)) +
                   L".";
            break;
        case suggest::SuggestStatus::kNothingToTime:
            text = L"Every segment of the lyrics is timed already.";
            break;
        default:
            text = L"Suggest Timing cannot store the suggested times: " +
                   Wide(suggest::SuggestStatusText(status, report)) + L".";
            break;
    }
    MessageBoxW(owner, text.c_str(), kTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

}  // namespace mr
