// mredit's entry point: the whole run is RunEditor's.
#include <windows.h>

#include "editor/frame/main_frame_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return mr::RunEditor(instance, showCommand);
}
