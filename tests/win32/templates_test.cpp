// The dialog templates as the program loads them: sizes and places in dialog
// units, fonts, texts, styles and the main window's own set-up.
#include "Win32Harness.h"

#include "ui/CAboutDlg.h"
#include "ui/UiTexts.h"
#include "ui/win32/DialogWindow.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/ResourceIds.h"

#include <tuple>

namespace zarn::test {
namespace {

    using win32::DialogWindow;

    struct Place {
        int id; // or 0: the control is found by its text
        const char* text;
        int x, y, width, height;
    };

    LOGFONTW fontOf(HWND dialog)
    {
        LOGFONTW font {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font;
    }

    // The template's size, its font, and each control where the template puts it.
    void expectLayout(
        HWND dialog, int width, int height, const std::wstring& face, int points, const std::vector<Place>& places)
    {
        RECT client {};
        GetClientRect(dialog, &client);
        const RECT size = pixelsOf(dialog, 0, 0, width, height);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        const LOGFONTW font = fontOf(dialog);
        EXPECT_EQ(std::wstring(font.lfFaceName), face);
        EXPECT_EQ(font.lfHeight, -MulDiv(points, win32::windowDpi(dialog), 72));
        for (const Place& p : places) {
            SCOPED_TRACE(p.text);
            const HWND control = p.id ? GetDlgItem(dialog, p.id) : childWithText(dialog, p.text);
            ASSERT_NE(control, nullptr);
            if (p.id && *p.text) {
                EXPECT_EQ(windowText(control), p.text);
            }
            const RECT want = pixelsOf(dialog, p.x, p.y, p.width, p.height), got = placeOf(control);
            EXPECT_EQ(std::tie(got.left, got.top, got.right), std::tie(want.left, want.top, want.right));
            // A drop-down's template height is that of its open list, which the
            // systems report differently (Wine without the field's height).
            if (className(control) != "ComboBox") {
                EXPECT_EQ(got.bottom, want.bottom);
            }
        }
    }

    LONG_PTR styleOf(HWND control) { return GetWindowLongPtrW(control, GWL_STYLE); }

    class Templates : public Win32Test { };

    // The manifest every program carries: common controls 6, per-monitor DPI awareness, UTF-8.
    TEST_F(Templates, ProgramsRunWithCommonControlsSixPerMonitorDpiAndUtf8)
    {
        // Version 6 lives in the side-by-side store (Wine's says 5.81 when asked for its version).
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
        const std::string controls = win32::narrow(path);
        EXPECT_NE(controls.find("common-controls_6595b64144ccf1df_6.0."), std::string::npos) << controls;
        EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()), DPI_AWARENESS_PER_MONITOR_AWARE);
        EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    }

    TEST_F(Templates, PortSelectHasItsSizeFontAndControlsInDialogUnits)
    {
        DialogWindow dlg(IDD_PORT_SELECT);
        ASSERT_NE(dlg.create(nullptr), nullptr);
        EXPECT_EQ(windowText(dlg.hwnd()), "Port Select");
        expectLayout(dlg.hwnd(), 241, 112, L"System", 10,
            {
                { IDOK, "OK", 13, 13, 50, 14 },
                { IDCANCEL, "Cancel", 13, 33, 50, 14 },
                { IDC_PORT_LIST, "", 153, 14, 75, 71 },
                { 0, "Select serial port:", 82, 14, 60, 10 },
                { IDC_PORT_STATUS, "", 7, 67, 227, 38 },
            });
        EXPECT_EQ(SendMessageW(dlg.hwnd(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
        EXPECT_EQ(styleOf(dlg.item(IDC_PORT_LIST)) & CBS_DROPDOWNLIST, CBS_DROPDOWN);
        const auto status = styleOf(dlg.item(IDC_PORT_STATUS));
        EXPECT_TRUE((status & ES_READONLY) && !(status & ES_MULTILINE));
        // A dialog draws an edit's border as a sunken client edge.
        EXPECT_TRUE(
            (status & WS_BORDER) || (GetWindowLongPtrW(dlg.item(IDC_PORT_STATUS), GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    }

    TEST_F(Templates, BitmapPlaybackDisplayHasItsSizeFontAndControlsInDialogUnits)
    {
        DialogWindow dlg(IDD_BITMAP_PREVIEW);
        ASSERT_NE(dlg.create(nullptr), nullptr);
        EXPECT_EQ(windowText(dlg.hwnd()), "Bitmap Playback Display");
        expectLayout(dlg.hwnd(), 264, 181, L"System", 10,
            {
                { IDC_ITEM_FRAME, "", 32, 7, 200, 150 },
                { IDOK, "OK", 145, 162, 42, 12 },
                { IDCANCEL, "Cancel", 194, 162, 42, 12 },
                { IDC_IGNORE_COLOR, "", 67, 162, 30, 12 },
                { IDC_ITEM_SWATCH, "", 99, 162, 35, 12 },
                { 0, "Ignore color:", 14, 164, 50, 8 },
            });
        EXPECT_EQ(SendMessageW(dlg.hwnd(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
        EXPECT_TRUE(styleOf(dlg.item(IDC_IGNORE_COLOR)) & ES_READONLY);
    }

    TEST_F(Templates, AboutBoxShowsTheVersionAndTheChangesInSimSun)
    {
        DialogWindow dlg(IDD_ABOUTBOX);
        ASSERT_NE(dlg.create(nullptr), nullptr);
        // The texts the shared description of the box gives.
        using zarn::ui::CAboutDlg;
        EXPECT_EQ(windowText(dlg.hwnd()), CAboutDlg::kTitle);
        EXPECT_EQ(std::wstring(fontOf(dlg.hwnd()).lfFaceName), L"宋体");
        EXPECT_EQ(fontOf(dlg.hwnd()).lfHeight, -MulDiv(9, win32::windowDpi(dlg.hwnd()), 72));
        EXPECT_NE(childWithText(dlg.hwnd(), CAboutDlg::kVersionLine), nullptr);
        EXPECT_NE(childWithText(dlg.hwnd(), CAboutDlg::kChanges), nullptr);
        EXPECT_EQ(windowText(dlg.item(IDOK)), CAboutDlg::kButton);
        EXPECT_EQ(SendMessageW(dlg.hwnd(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
        bool icon = false;
        for (HWND child : children(dlg.hwnd()))
            icon = icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
        EXPECT_TRUE(icon);
        EXPECT_TRUE(GetWindowLongPtrW(dlg.hwnd(), GWL_STYLE) & WS_SYSMENU);
    }

    TEST_F(Templates, CreateNewResourceFileHasItsFieldsAndSizeChoices)
    {
        DialogWindow dlg(IDD_NEW_RESOURCE);
        ASSERT_NE(dlg.create(nullptr), nullptr);
        EXPECT_EQ(windowText(dlg.hwnd()), "Create New Resource File");
        EXPECT_EQ(std::wstring(fontOf(dlg.hwnd()).lfFaceName), L"System");
        for (const char* text :
            { "Select Resource file corresponding Module Type", "Resource File Name:", "Size", "Save at......" })
            EXPECT_NE(childWithText(dlg.hwnd(), text), nullptr) << text;
        const std::vector<std::pair<int, const char*>> controls { { IDC_SIZE_4M, "4M" }, { IDC_SIZE_8M, "8M" },
            { IDC_SIZE_16M, "16M" }, { IDC_SIZE_32M, "32M" }, { IDC_CHOOSE_FOLDER, "...." }, { IDOK, "OK" },
            { IDCANCEL, "Cancel" } };
        for (const auto& [id, text] : controls)
            EXPECT_EQ(windowText(dlg.item(id)), text);
        for (int id : { IDC_MODEL_LIST, IDC_FILE_NAME, IDC_SAVE_AT })
            EXPECT_NE(dlg.item(id), nullptr) << id;
        EXPECT_EQ(SendMessageW(dlg.hwnd(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    }

    TEST_F(Templates, MainWindowIsSetUpAsTheToolsWindow)
    {
        win32::MainWindowEvents none;
        win32::MainWindow window(none);
        const HWND dlg = window.create(nullptr);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(windowText(dlg), zarn::ui::kMainTitle);
        EXPECT_EQ(std::wstring(fontOf(dlg).lfFaceName), L"宋体");
        const auto style = GetWindowLongPtrW(dlg, GWL_STYLE);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_TRUE(GetWindowLongPtrW(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_EQ(SendMessageW(dlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
        EXPECT_EQ(windowText(GetDlgItem(dlg, IDOK)), "Exit");
        EXPECT_NE(SendMessageW(dlg, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageW(dlg, WM_GETICON, ICON_SMALL, 0), 0);

        // The About entry ends the system menu, after a separator.
        const HMENU menu = GetSystemMenu(dlg, FALSE);
        const int n = GetMenuItemCount(menu);
        ASSERT_GE(n, 2);
        wchar_t about[64] = {};
        GetMenuStringW(menu, n - 1, about, 64, MF_BYPOSITION);
        EXPECT_EQ(win32::narrow(about), zarn::ui::kAboutMenuText);
        EXPECT_EQ(GetMenuItemID(menu, n - 1), static_cast<UINT>(IDM_ABOUTBOX));
        EXPECT_EQ(GetMenuState(menu, n - 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));

        const std::vector<std::pair<int, const char*>> buttons { { IDC_NEW_RESOURCE, "New Resource" },
            { IDC_OPEN_RESOURCE, "Open Resource" }, { IDC_PORT_SELECT, "Port Select" }, { IDC_LOAD_BMP, "Load BMP" },
            { IDC_LOAD_HZLIB, "Load Hzlib" }, { IDC_LOAD_ASCIILIB, "Load Asciilib" }, { IDC_LOAD_WAVE, "Load WAVE" },
            { IDC_PROGRAM_ALL, "Program All" }, { IDC_LOAD_ITEM, ">>LOAD" }, { IDC_DELETE, "Delete" },
            { IDC_BMP_DIS, "BMP Dis" } };
        for (const auto& [id, text] : buttons)
            EXPECT_EQ(windowText(GetDlgItem(dlg, id)), text);
        EXPECT_NE(childWithText(dlg, zarn::ui::kIgnoreColorLabel), nullptr);
        EXPECT_NE(childWithText(dlg, zarn::ui::kProgrammingLabel), nullptr);
        EXPECT_EQ(className(GetDlgItem(dlg, IDC_PROGRESS_TEXT)), "Static");
        for (int id : { IDC_BITMAP_MSG, IDC_RESOURCE_MSG, IDC_MODULE_MSG, IDC_BLOCKS_SENT, IDC_IGNORE_COLOR }) {
            EXPECT_EQ(className(GetDlgItem(dlg, id)), "Edit") << id;
            EXPECT_TRUE(styleOf(GetDlgItem(dlg, id)) & ES_READONLY) << id;
        }
        for (int id : { IDC_SPACE_BAR, IDC_PROGRAM_BAR }) {
            EXPECT_EQ(className(GetDlgItem(dlg, id)), "msctls_progress32") << id;
            EXPECT_TRUE(styleOf(GetDlgItem(dlg, id)) & PBS_SMOOTH) << id;
        }

        // The directory list: a report with grid lines and full-row selection, six
        // columns at least as wide as set, and wide enough for their titles.
        const HWND list = GetDlgItem(dlg, IDC_DIRECTORY);
        EXPECT_EQ(styleOf(list) & LVS_TYPEMASK, LVS_REPORT);
        const auto extended = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
        EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        const std::vector<std::pair<const char*, int>> columns { { "No.", 40 }, { "type", 60 }, { "points", 55 },
            { "addr", 70 }, { "size", 60 }, { "ignore color", 60 } };
        for (int c = 0; c < 6; ++c) {
            EXPECT_EQ(win32::listColumnTitle(list, c), columns[c].first);
            const auto width = SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0);
            EXPECT_GE(width, MulDiv(columns[c].second, win32::windowDpi(dlg), USER_DEFAULT_SCREEN_DPI));
            EXPECT_GT(width,
                SendMessageW(
                    list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(win32::wide(columns[c].first).c_str())));
        }
        EXPECT_TRUE(win32::listColumnTitle(list, 6).empty());

        // The picture area is where the template put the picture control.
        const RECT picture = pixelsOf(dlg, 7, 58, 267, 200);
        EXPECT_EQ(window.pictureArea(),
            (zarn::Rect { picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top }));
    }

} // namespace
} // namespace zarn::test
