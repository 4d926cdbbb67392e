// Every deliverable of this build loads on its own (static runtime, no MinGW
// DLLs beside it) and exports its entry points.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

std::vector<std::string> Deliverables() {
    std::vector<std::string> names;
    std::stringstream list(MR_DELIVERABLE_DLLS);
    for (std::string name; std::getline(list, name, ',');)
        if (!name.empty()) names.push_back(name);
    return names;
}

std::wstring InProgramFolder(const std::string& name) {
    const std::u16string folder = mr::test::ProgramFolder();
    return std::wstring(folder.begin(), folder.end()) + L"\\" + std::wstring(name.begin(), name.end());
}

TEST(deliverables, every_module_loads_and_exports_its_entry_points) {
    const auto names = Deliverables();
    ASSERT_FALSE(names.empty());
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        HMODULE m = LoadLibraryW(InProgramFolder(name).c_str());
        ASSERT_NE(m, nullptr) << "error " << GetLastError();
        if (name == "vis_mrlyr.dll") {
            EXPECT_NE(GetProcAddress(m, "winampVisGetHeader"), nullptr);
        } else {
            for (const char* e : {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow"})
                EXPECT_NE(GetProcAddress(m, e), nullptr) << e;
        }
        FreeLibrary(m);
    }
}

#ifdef MR_HAS_MREDIT
struct FrameSearch {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<FrameSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[32] = L"";
    GetClassNameW(window, name, 32);
    if (process != search->process || lstrcmpW(name, L"MRMainFrame") != 0) return TRUE;
    search->window = window;
    return FALSE;
}

// The editor starts, shows its main window and ends with 0 when closed.
TEST(deliverables, the_editor_program_starts) {
    std::wstring cmd = L"\"" + InProgramFolder("mredit.exe") + L"\"";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    FrameSearch search{pi.dwProcessId, nullptr};
    for (int i = 0; i < 300 && !search.window; ++i) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
        EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
    }
    EXPECT_NE(search.window, nullptr);
    if (search.window) PostMessageW(search.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}
#endif

}  // namespace
