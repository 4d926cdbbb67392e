#pragma once
// Resource and control identifiers of the options dialog, shared by the
// resource script and the code (plain #defines so the resource compiler can
// read them).

#define IDD_MR_GRADIENT 109
#define IDD_MR_OPTIONS 110

// Page "Options": the tree, the edits, the buttons, the check boxes, the radio
// buttons, the combos and the font texts.
#define IDC_MR_TREE 1620
#define IDC_MR_DELAY 1200
#define IDC_MR_LYRICS_PATH 1201
#define IDC_MR_PRESET_NAME 1202
#define IDC_MR_TEXT_HOFFSET 1203
#define IDC_MR_TEXT_VOFFSET 1204
#define IDC_MR_TEXT_HOFFSET_ 1205
#define IDC_MR_IMAGE_PATH 1206
#define IDC_MR_IMAGE_HOFFSET 1207
#define IDC_MR_IMAGE_VOFFSET 1208
#define IDC_MR_LYRICS_BROWSE 1300
#define IDC_MR_RESET 1301
#define IDC_MR_FONT 1302
#define IDC_MR_COLOR_INNER 1303
#define IDC_MR_COLOR_HIGHLIGHT 1304
#define IDC_MR_COLOR_OUTLINE 1305
#define IDC_MR_COLOR_OUTLINE_HIGHLIGHT 1306
#define IDC_MR_COLOR_BACK 1307
#define IDC_MR_IMAGE_BROWSE 1308
#define IDC_MR_SCROLL 1400
#define IDC_MR_ANTIALIASED 1401
#define IDC_MR_OUTLINED 1402
#define IDC_MR_RANDOM 1403
#define IDC_MR_LINES_1 1450
#define IDC_MR_LINES_2 1451
#define IDC_MR_LINES_4 1452
#define IDC_MR_LINES_6 1453
#define IDC_MR_LINES_8 1454
#define IDC_MR_TEXT_HALIGN 1500
#define IDC_MR_TEXT_VALIGN 1501
#define IDC_MR_TEXT_HALIGN_ 1502
#define IDC_MR_IMAGE_HALIGN 1503
#define IDC_MR_IMAGE_VALIGN 1504
#define IDC_MR_IMAGE_POS 1505
#define IDC_MR_FONT_FACE 1110
#define IDC_MR_FONT_STYLE 1111
#define IDC_MR_FONT_SIZE 1112

// Labels and frames of the page's groups (shown and hidden with their group).
#define IDC_MR_LABEL_DELAY 1001
#define IDC_MR_LABEL_MS 1002
#define IDC_MR_LABEL_LYRICS_PATH 1003
#define IDC_MR_LABEL_PRESET_NAME 1004
#define IDC_MR_FRAME_LINES 1005
#define IDC_MR_FRAME_POSITION 1006
#define IDC_MR_FRAME_FONT 1007
#define IDC_MR_FRAME_COLOR_TEXT 1008
#define IDC_MR_FRAME_COLOR_OUTLINE 1009
#define IDC_MR_FRAME_IMAGE_LOCATION 1010
#define IDC_MR_FRAME_IMAGE_POSITION 1011
#define IDC_MR_LABEL_ODD_LINES 1012
#define IDC_MR_FRAME_GENERAL 1013

// Gradient editor.
#define IDC_MR_GRADIENT_TOP 1300
#define IDC_MR_GRADIENT_BOTTOM 1301
#define IDC_MR_GRADIENT_TOP_PERCENT 1200
#define IDC_MR_GRADIENT_BOTTOM_PERCENT 1201
#define IDC_MR_GRADIENT_PREVIEW 1100

// Strings, in a range of their own so that a host's string table can sit
// beside them.
#define IDS_MR_CAPTION 14000
#define IDS_MR_PRESETS 14001
#define IDS_MR_PRESET_1 14002  // ... IDS_MR_PRESET_1 + 5
#define IDS_MR_FONT 14010
#define IDS_MR_COLOR 14011
#define IDS_MR_PICTURE 14012
#define IDS_MR_HALIGN_0 14020  // "H Center", "Left", "Right"
#define IDS_MR_VALIGN_0 14030  // "V Center", "Top", "Bottom"
#define IDS_MR_IMAGEPOS_0 14040  // "Fill", "Fit", "Stretch", "Tile", "Center"
#define IDS_MR_IMAGE_FILTER 14050
#define IDS_MR_IMAGE_FILTER_PATTERN 14051
#define IDS_MR_BROWSE_LYRICS 14052
