#pragma once
// The editor's command and control identifiers, as macros because the
// resource compiler reads this header too. Menus, the toolbar, the
// accelerators and the string table use them, and so do tests and tools
// that find the editor's windows or drive it with WM_COMMAND.

// Child windows of the main frame.
#define MR_ID_TOOLBAR 1002
#define MR_ID_TAB_CONTROL 1003
#define MR_ID_TIMELINE 1005
#define MR_ID_TEXT_PANE 1007
#define MR_ID_PICTURE_LIST 1008
#define MR_ID_REBAR 1001
#define MR_ID_STATUS_BAR 1009

// Commands.
#define MR_ID_NEW 57600
#define MR_ID_OPEN 57601          // toolbar Open: the lyrics file
#define MR_ID_OPEN_LYRICS 32773
#define MR_ID_OPEN_AUDIO 32772
#define MR_ID_OPEN_IMAGE 32774
#define MR_ID_ADD_IMAGE 32799
#define MR_ID_INSERT_IMAGE 32800
#define MR_ID_REMOVE_IMAGE 32801
#define MR_ID_PREVIEW_IMAGE 32802
#define MR_ID_SAVE 57603
#define MR_ID_SAVE_AS 57604        // toolbar Save's drop-down, as native
#define MR_ID_SAVE_AS_NATIVE 32775
#define MR_ID_SAVE_AS_LRC 32777
#define MR_ID_MODE 32779
#define MR_ID_SIMPLE_MODE 32780
#define MR_ID_INFORMATION 32783
#define MR_ID_DUPLICATE 32784
#define MR_ID_SET_SYNCPOINT 32785
#define MR_ID_REMOVE_SYNCPOINT 32786
#define MR_ID_PLAY 32791
#define MR_ID_PLAY_XX 32792
#define MR_ID_PLAY_X 32793
#define MR_ID_PAUSE 32794
#define MR_ID_STOP 32795
#define MR_ID_SLOW_DOWN 32798
#define MR_ID_TAP 32803          // the timeline's tap key (Space), from the menu
#define MR_ID_SUGGEST_TIMING 32804
#define MR_ID_OPTIONS 32831
#define MR_ID_COPY 57634
#define MR_ID_CUT 57635
#define MR_ID_PASTE 57637
#define MR_ID_SELECT_ALL 57642
#define MR_ID_UNDO 57643
#define MR_ID_REDO 57644
#define MR_ID_ABOUT 57664
#define MR_ID_EXIT 57665
#define MR_ID_HELP 57670
// Bound to the key chords that the rich-edit control would otherwise take
// as formatting shortcuts; does nothing.
#define MR_ID_NOTHING 32850

// Messages of the main window.
#define MR_ID_MSG_RECORD_UNDONE 1041
#define MR_ID_MSG_RECORD_REDONE 1042
#define MR_ID_MSG_SEEK 1043
#define MR_ID_MSG_PLAY_PAUSE 1044
#define MR_ID_MSG_TIMING_CHANGED 1045
#define MR_ID_MSG_SELECTION 1046
#define MR_ID_MSG_RECOLOUR 1047
#define MR_ID_MSG_PICTURES_CHANGED 1048
#define MR_ID_MSG_PICTURES_CHANGED2 1049
#define MR_ID_MSG_GRAPH_EVENT 32769  // WM_APP + 1

// Resources.
#define MR_ID_MAIN_MENU 128
#define MR_ID_ACCELERATORS 128
#define MR_ID_MAIN_ICON 128
#define MR_ID_CURSOR_NO_DROP 131  // picture drag outside the list
#define MR_ID_CURSOR_DROP 132    // picture drag over the list
#define MR_ID_PROGRESS_DIALOG 140
#define MR_ID_PROGRESS_BAR 1010
#define MR_ID_STR_LYRICS_TAB 301
#define MR_ID_STR_LYRICS_SIMPLE_TAB 302
#define MR_ID_STR_IMAGE_TAB 305
#define MR_ID_STR_SAVE_CHANGES 414

