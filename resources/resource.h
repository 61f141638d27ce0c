// Identifiers shared by Clipveil.rc and the code. Plain #defines: the resource compiler reads
// this file too. Some control numbers are reused across templates; each use has its own name.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Templates, the About item's string and the icon.
#define IDD_ABOUTBOX 100
// The About item's system command; the low four bits are the system's to use.
#define IDM_ABOUTBOX 0x0010
#define IDS_ABOUTBOX 101
#define IDD_CLIPVEIL_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_USER_PANEL 129
#define IDD_CTROL_PANEL 130
#define IDD_MOVE_WIN 131
#define IDD_TRANS_DLG 132

// User panel (129).
#define IDC_FOUND_STATUS 1000   // "%s を検出しました" / searching
#define IDC_MODE_VIDEO 1001     // "動画だけ", first of the radio pair
#define IDC_MODE_RESTORE 1002   // "元に戻す"
#define IDC_TARGET_STATUS 1003  // the target's title
#define IDC_DRAG 1004           // "ドラッグ移動を行う"
#define IDC_TRANS 1005          // "透かし"
#define IDC_TRANS_PERCENT 1006  // the see-through percentage
#define IDC_TRANS_SETTING 1007  // "設定"

// About box (100).
#define IDC_VERSION_TEXT 1002

// Control panel (130).
#define IDC_TARGET_HANDLE 1003
#define IDC_COMPONENT_HANDLE 1004

// See-through setting dialog (132).
#define IDC_PERCENT_EDIT 1008
#define IDC_PERCENT_SPIN 1009

// Main window (102) and About box (100).
#define IDC_HOMEPAGE_LINK 1010
