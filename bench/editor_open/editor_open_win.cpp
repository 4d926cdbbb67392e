// Times mredit.exe opening an audio file given on its command line, until
// the toolbar's Play button is enabled (decode, waveform, playback graph),
// and watches the open meanwhile: the decoded wave file's growth, any
// progress bar the editor shows, and how quickly its window answers.
//   editor_open.exe AUDIO_FILE
// Prints one "name value" line per figure; the times are in seconds.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/frame/command_ids.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Folder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L'\\'));
}

struct Find {
    DWORD process;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND w, LPARAM param) {
    auto* f = reinterpret_cast<Find*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    wchar_t name[64] = L"";
    GetClassNameW(w, name, 64);
    if (process == f->process && IsWindowVisible(w) && (!f->className || lstrcmpW(name, f->className) == 0))
        f->found.push_back(w);
    return TRUE;
}

std::vector<HWND> TopWindows(DWORD process, const wchar_t* className) {
    Find f{process, className, {}};
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

BOOL CALLBACK FindProgressBar(HWND w, LPARAM param) {
    wchar_t name[64] = L"";
    GetClassNameW(w, name, 64);
    if (lstrcmpW(name, PROGRESS_CLASSW) == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(param) = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindChild(HWND w, LPARAM param) {
    auto* p = reinterpret_cast<std::pair<int, HWND>*>(param);
    if (GetDlgCtrlID(w) == p->first) {
        p->second = w;
        return FALSE;
    }
    return TRUE;
}

HWND Child(HWND parent, int id) {
    std::pair<int, HWND> p{id, nullptr};
    EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&p));
    return p.second;
}

// The folder of the editor's decoded wave files.
std::wstring DecodeFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"APPDATA", path, MAX_PATH);
    return std::wstring(path) + L"\\Mirelto";
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// The size of the one file in the folder that was not there before, or -1.
int64_t NewFileSize(const std::wstring& folder, const std::vector<std::wstring>& before) {
    for (const std::wstring& name : FilesIn(folder)) {
        if (std::find(before.begin(), before.end(), name) != before.end()) continue;
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExW((folder + L"\\" + name).c_str(), GetFileExInfoStandard, &a)) return -1;
        return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    }
    return -1;
}

bool Register(const std::wstring& dll) {
    HMODULE module = LoadLibraryW((Folder() + L"\\" + dll).c_str());
    if (!module) return false;
    auto fn =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    const bool ok = fn && SUCCEEDED(fn());
    FreeLibrary(module);
    return ok;
}

struct Sample {
    double t;
    int64_t waveBytes;
    int progress;  // the progress bar's position, -1 when none is shown
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: editor_open.exe AUDIO_FILE\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (const wchar_t* dll : {L"mrws.dll", L"mrrt.dll", L"mrwsc.dll"}) {
        if (!Register(dll)) {
            std::fprintf(stderr, "editor_open: registering %ls failed\n", dll);
            return 1;
        }
    }
    CoUninitialize();

    const std::vector<std::wstring> before = FilesIn(DecodeFolder());
    std::wstring cmd = L"\"" + Folder() + L"\\mredit.exe\" \"" + argv[1] + L"\"";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    const double started = Now();
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "editor_open: mredit.exe did not start\n");
        return 1;
    }
    HWND frame = nullptr;
    double windowAt = 0, readyAt = 0, slowestAnswer = 0;
    std::vector<Sample> samples;
    bool dialogSeen = false, playSeenDisabled = false;
    while (Now() - started < 600) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
        if (!frame) {
            const auto frames = TopWindows(pi.dwProcessId, L"MRMainFrame");
            if (!frames.empty()) {
                frame = frames[0];
                windowAt = Now() - started;
            }
        }
        if (frame) {
            // How long the editor's window takes to answer while it works.
            const double asked = Now();
            DWORD_PTR r = 0;
            SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r);
            slowestAnswer = std::max(slowestAnswer, Now() - asked);
            Sample s{Now() - started, NewFileSize(DecodeFolder(), before), -1};
            for (HWND w : TopWindows(pi.dwProcessId, nullptr)) {
                if (w == frame) continue;
                HWND bar = nullptr;
                EnumChildWindows(w, FindProgressBar, reinterpret_cast<LPARAM>(&bar));
                if (bar) {
                    dialogSeen = true;
                    s.progress = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
                }
            }
            samples.push_back(s);
            // The toolbar is made with its buttons enabled and the editor's
            // first idle pass disables them: only an enabling seen after a
            // disabled Play counts.
            HWND toolbar = Child(frame, MR_ID_TOOLBAR);
            const bool play = toolbar && SendMessageW(toolbar, TB_ISBUTTONENABLED, MR_ID_PLAY, 0);
            if (!play) playSeenDisabled = true;
            if (play && playSeenDisabled) {
                readyAt = Now() - started;
                break;
            }
        }
        Sleep(10);
    }
    if (readyAt == 0) {
        std::fprintf(stderr, "editor_open: Play was never enabled\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }

    // The decode's visible progress: the longest stretch in which neither
    // the wave file nor a progress bar moved, before the file reached its
    // final size.
    const int64_t finalBytes = samples.empty() ? 0 : samples.back().waveBytes;
    double longestStill = 0, lastMove = windowAt, grownAt = readyAt;
    int distinctProgress = 0, lastProgress = -2;
    int64_t lastBytes = -2;
    for (const Sample& s : samples) {
        if (s.waveBytes != lastBytes || s.progress != lastProgress) {
            longestStill = std::max(longestStill, s.t - lastMove);
            lastMove = s.t;
        }
        if (s.progress != lastProgress && s.progress >= 0) ++distinctProgress;
        lastBytes = s.waveBytes;
        lastProgress = s.progress;
        if (s.waveBytes == finalBytes && grownAt == readyAt) grownAt = s.t;
    }
    std::printf("window %.3f\n", windowAt);
    std::printf("ready %.3f\n", readyAt);
    std::printf("open %.3f\n", readyAt - windowAt);
    std::printf("decoded_at %.3f\n", grownAt);
    std::printf("decoded_bytes %lld\n", static_cast<long long>(finalBytes));
    std::printf("samples %zu\n", samples.size());
    std::printf("longest_still %.3f\n", longestStill);
    std::printf("progress_dialog %s\n", dialogSeen ? "yes" : "no");
    std::printf("progress_values %d\n", distinctProgress);
    std::printf("slowest_answer %.3f\n", slowestAnswer);

    // Unchanged document: Exit closes without a question.
    PostMessageW(frame, WM_COMMAND, MAKEWPARAM(MR_ID_EXIT, 0), 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("exit %lu\n", code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
