#pragma once
// Winamp's visualisation module interface and the pieces of its main window's
// protocol the module uses, declared from their published layout. Winamp is a
// 32-bit program and calls the module's functions with the C calling
// convention; the layouts are checked for both widths because the tests drive
// a 64-bit build of the same sources.

#include <windows.h>

#include <cstddef>

namespace mr::winamp {

struct VisModule;

using VisConfigFn = void (*)(VisModule*);
using VisStartFn = int (*)(VisModule*);
using VisRenderFn = int (*)(VisModule*);
using VisStopFn = void (*)(VisModule*);

inline constexpr int kVisSampleUnits = 576;

struct VisModule {
    char* description;
    HWND hwndParent;        // Winamp's main window, filled in by Winamp
    HINSTANCE hDllInstance; // filled in by Winamp
    int sRate;
    int nCh;
    int latencyMs;
    int delayMs;
    int spectrumNch;
    int waveformNch;
    unsigned char spectrumData[2][kVisSampleUnits];
    unsigned char waveformData[2][kVisSampleUnits];
    VisConfigFn Config;
    VisStartFn Init;
    VisRenderFn Render;
    VisStopFn Quit;
    void* userData;
};

struct VisHeader {
    int version;
    char* description;
    VisModule* (*getModule)(int index);
};

inline constexpr int kVisHeaderVersion = 0x101;

// What Winamp's frame-embedding function fills: its first field receives the
// frame window, the rectangle is the frame's screen rectangle.
struct EmbedWindowState {
    HWND me;
    int flags;
    RECT r;
    void* user_ptr;
    int extra_data[64];
};
using EmbedWindowFn = HWND (*)(EmbedWindowState*);

// The output plug-in's record, as far as the module reads it.
struct OutModule {
    int version;
    char* description;
    INT_PTR id;
    HWND hMainWindow;
    HINSTANCE hDllInstance;
    void (*Config)(HWND);
    void (*About)(HWND);
    void (*Init)();
    void (*Quit)();
    int (*Open)(int sampleRate, int channels, int bitsPerSample, int bufferMs, int prebufferMs);
    void (*Close)();
    int (*Write)(char* buffer, int length);
    int (*CanWrite)();
    int (*IsPlaying)();
    int (*Pause)(int pause);
    void (*SetVolume)(int volume);
    void (*SetPan)(int pan);
    void (*Flush)(int ms);
    int (*GetOutputTime)();
    int (*GetWrittenTime)();
};
using GetOutModuleFn = OutModule* (*)();

#if defined(_WIN64)
static_assert(offsetof(VisModule, spectrumData) == 48);
static_assert(offsetof(VisModule, Config) == 2352);
static_assert(sizeof(VisModule) == 2392);
static_assert(sizeof(VisHeader) == 24);
static_assert(sizeof(EmbedWindowState) == 296);
static_assert(offsetof(OutModule, GetOutputTime) == 144);
#else
static_assert(offsetof(VisModule, spectrumData) == 36);
static_assert(offsetof(VisModule, Config) == 2340);
static_assert(sizeof(VisModule) == 2360);
static_assert(sizeof(VisHeader) == 12);
static_assert(sizeof(EmbedWindowState) == 284);
static_assert(offsetof(OutModule, GetOutputTime) == 72);
#endif

// Winamp's inter-process messages: sent to its main window as WM_USER with the
// number in lParam.
enum Ipc : LPARAM {
    kIpcIsPlaying = 104,        // 1 playing
    kIpcGetOutputTime = 105,    // ms, wParam 0
    kIpcPlaylistLength = 124,
    kIpcPlaylistPosition = 125,
    kIpcPlaylistFile = 211,     // ANSI name of the entry in wParam (may be null)
    kIpcIsPlayingVideo = 501,   // above 1: a video plays
    kIpcGetEmbedFunction = 505,
    kIpcSetVisWindow = 611,     // wParam: the child window, 0 at stop
    kIpcOutputModuleFile = 625, // ANSI file name of the output plug-in
    kIpcReportRandom = 628,     // wParam 1 or 0
    kIpcReportFullScreen = 631, // wParam 1 entering, 0 leaving
};

// Commands Winamp forwards to a visualisation's window, and the module's own.
enum Command : UINT {
    kCmdPresetFirst = 2000,   // 2000..2005
    kCmdPresetLast = 2005,
    kCmdRandom = 2010,
    kCmdNextPreset = 40382,
    kCmdPreviousPreset = 40383,
    kCmdRandomToggle = 40384,
    kCmdFullScreen = 40389,
    kCmdOptions = 40390,
    kCmdMenu = 40391,
};

}  // namespace mr::winamp
