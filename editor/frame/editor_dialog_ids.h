#pragma once
// Identifiers of the editor's Information, Options and About dialogs and of
// their controls, as macros because the resource compiler reads this header
// too. Dialogs take 2000-2199 and controls 2200-2499, apart from the frame's
// own identifiers; tests use them to find and drive the controls.

// Dialog templates.
#define MR_IDD_INFORMATION 2000
#define MR_IDD_OPTIONS 2001
#define MR_IDD_OPTIONS_EDIT_TEXT 2002     // page "Edit Text"
#define MR_IDD_OPTIONS_PREVIEW_TEXT 2003  // page "Preview Text"
#define MR_IDD_OPTIONS_SCOPE 2004         // page "Scope"
#define MR_IDD_ABOUT 2005

// Information.
#define MR_IDC_INFO_TITLE 2200
#define MR_IDC_INFO_ARTIST 2201
#define MR_IDC_INFO_ALBUM 2202

// Options: the sheet. Each page is a child window of the dialog whose
// control identifier is its template's (GetDlgItem(dialog, MR_IDD_OPTIONS_SCOPE)).
#define MR_IDC_OPTIONS_TABS 2220
#define MR_IDC_OPTIONS_RESET_ALL 2221

// Options: the two font pages use the same identifiers for their font rows.
#define MR_IDC_FONT_FACE 2230    // the face's name (static)
#define MR_IDC_FONT_CHOOSE 2231  // opens the font dialog
#define MR_IDC_FONT_STYLE 2232   // Regular, Bold, Italic, Bold Italic
#define MR_IDC_FONT_SIZE 2233    // points, one decimal
#define MR_IDC_FONT_SIZE_RANGE 2234

// Options: colour buttons (owner-drawn swatches) and the check box.
#define MR_IDC_EDIT_TEXT_COLOR_1 2240
#define MR_IDC_EDIT_TEXT_COLOR_2 2241
#define MR_IDC_PREVIEW_TEXT_COLOR_1 2242
#define MR_IDC_PREVIEW_TEXT_COLOR_2 2243
#define MR_IDC_PREVIEW_OUTLINE_COLOR_1 2244
#define MR_IDC_PREVIEW_OUTLINE_COLOR_2 2245
#define MR_IDC_SCOPE_COLOR_1 2246
#define MR_IDC_SCOPE_COLOR_2 2247
#define MR_IDC_SCOPE_COLOR_3 2248
#define MR_IDC_SCOPE_COLOR_4 2249
#define MR_IDC_ANTI_ALIASED 2250

// About.
#define MR_IDC_ABOUT_ICON 2280
#define MR_IDC_ABOUT_PRODUCT 2281
#define MR_IDC_ABOUT_VERSION 2282
#define MR_IDC_ABOUT_DESCRIPTION 2283
