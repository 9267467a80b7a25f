// zarntool for Windows: the main window of the templates in zarntool.rc, a
// view of the shared commands. "zarntool FILE" opens FILE once the window
// shows; --version and --help answer without a window.
#include "ui/WindowStart.h"
#include "ui/win32/Utf16.h"
#include "ui/win32/Win32MainDlg.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> commandLineArguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments.push_back(zarn::win32::narrow(argv[i]));
        LocalFree(argv);
    }
    return arguments;
}

// A program of the window subsystem has no console of its own: its text goes
// where its standard handle leads (a file, a pipe), or else to the console of
// the program that started it (a command prompt), in UTF-16 so that every name shows.
void write(DWORD which, const std::string& text)
{
    if (text.empty())
        return;
    HANDLE out = GetStdHandle(which);
    DWORD mode = 0, written = 0;
    if (out && out != INVALID_HANDLE_VALUE && !GetConsoleMode(out, &mode)) {
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    if (!out || out == INVALID_HANDLE_VALUE) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
            return; // nowhere to write
        out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            OPEN_EXISTING, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE)
            return;
    }
    const std::wstring wide = zarn::win32::wide(zarn::win32::windowsLineBreaks(text));
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const zarn::ui::WindowStart start = zarn::ui::windowStart(commandLineArguments());
    if (!start.showWindow) {
        write(STD_OUTPUT_HANDLE, start.output);
        write(STD_ERROR_HANDLE, start.error);
        return start.exitStatus;
    }
    // The system's file and folder dialogs want a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);
    {
        zarn::win32::Win32MainDlg window(start);
        window.run(); // how the window closed is not looked at
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
