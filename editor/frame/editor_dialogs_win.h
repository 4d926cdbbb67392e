#pragma once
// The editor's plain dialogs: Information (Title, Artist, Album), Options
// (fonts and colours of the text pane, the preview and the timeline) and
// About. Each runs modally over `owner` on the calling thread and takes its
// template from `instance`, the module that links editor_dialogs.rc.
#include <windows.h>

#include "editor/files/save_types.h"
#include "editor/frame/editor_settings.h"

namespace mr {

// "Information": edits Title, Artist and Album, each limited to the 259
// units the readers take back. Returns true when OK was pressed and a field
// changed (the caller then marks the document modified); Cancel, or OK with
// nothing changed, leaves `fields` as they were and returns false.
bool ShowInformationDialog(HWND owner, HINSTANCE instance, SaveFields& fields);

// "Options": pages "Edit Text", "Preview Text" and "Scope" over a copy of
// the settings' fonts, anti-aliasing and colours, with "Reset All" restoring
// their first-run values. On OK the values are brought into the settings'
// ranges and copied into `settings` (nothing else in it is touched); returns
// true when anything changed (the caller then applies the settings to the
// text pane, the timeline and the preview). Cancel changes nothing.
bool ShowEditorOptions(HWND owner, HINSTANCE instance, EditorSettings& settings);

// "About Mirelto Editor": the product's name, version and purpose.
void ShowAboutBox(HWND owner, HINSTANCE instance);

}  // namespace mr
