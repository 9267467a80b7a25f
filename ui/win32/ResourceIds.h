#pragma once
// The numbers of the Win32 window's resources: dialog templates, controls,
// strings, the icon and the system menu entry. Shared by zarntool.rc and the code.

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_ZARNTOOL_DIALOG 102
#define IDD_NEW_RESOURCE 129
#define IDD_BITMAP_PREVIEW 131
#define IDD_PORT_SELECT 132
#define IDD_MAKE_FONT 133
#define IDD_FONT_PREVIEW 134

// The application icon and the strings.
#define IDR_MAINFRAME 128
#define IDS_ABOUTBOX 101

// The system menu entry that opens the About box.
#define IDM_ABOUTBOX 0x0010

// The main window. Exit is the dialog's OK button (IDOK).
#define IDC_LOAD_BMP 1000
#define IDC_PICTURE 1001
#define IDC_NEW_RESOURCE 1002
#define IDC_OPEN_RESOURCE 1003
#define IDC_LOAD_HZLIB 1004
#define IDC_LOAD_ASCIILIB 1005
#define IDC_LOAD_WAVE 1006
#define IDC_LOAD_ITEM 1007
#define IDC_DELETE 1008
#define IDC_RESOURCE_MSG 1009
#define IDC_SPACE_BAR 1010
#define IDC_DIRECTORY 1011
#define IDC_PROGRESS_TEXT 1012
#define IDC_BITMAP_MSG 1025
#define IDC_MODULE_MSG 1035
#define IDC_BLOCKS_SENT 1036
#define IDC_PROGRAM_BAR 1037
#define IDC_PROGRAM_ALL 1038
#define IDC_IGNORE_COLOR 1039
#define IDC_SWATCH 1042
#define IDC_BMP_DIS 1043
#define IDC_PORT_SELECT 1050

// Bitmap Playback Display (with IDC_IGNORE_COLOR for its field).
#define IDC_ITEM_FRAME 1044
#define IDC_ITEM_SWATCH 1047

// Port Select.
#define IDC_PORT_LIST 1052
#define IDC_PORT_STATUS 1053

// Create New Resource File.
#define IDC_MODEL_LIST 1060
#define IDC_FILE_NAME 1061
#define IDC_SIZE_4M 1062
#define IDC_SIZE_8M 1063
#define IDC_SIZE_16M 1064
#define IDC_SIZE_32M 1065
#define IDC_SAVE_AT 1066
#define IDC_CHOOSE_FOLDER 1067

// Make font library and the font library preview.
#define IDC_FONT_FILE 1070
#define IDC_CHOOSE_FONT 1071
#define IDC_FONT_TYPE 1072
#define IDC_GLYPH_WIDTH 1073
#define IDC_GLYPH_WIDTH_SPIN 1074
#define IDC_GLYPH_HEIGHT 1075
#define IDC_GLYPH_HEIGHT_SPIN 1076
#define IDC_PREVIEW_SUMMARY 1080
#define IDC_PREVIEW_SHEET 1081
