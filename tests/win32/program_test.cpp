// zarntool.exe as a user starts it: its main window comes up with its title,
// the system menu opens the About box, and Exit ends the program; --version
// answers on standard output without a window.
#include "Win32Harness.h"

#include "ui/win32/ResourceIds.h"

namespace zarn::test {
namespace {

    // Polls for a top-level window of `process` titled `title`.
    HWND waitForWindow(DWORD process, const std::wstring& title, int ms)
    {
        struct Search {
            DWORD process;
            const std::wstring* title;
            HWND found = nullptr;
        } search { process, &title };
        for (int waited = 0; waited < ms && !search.found; waited += 50) {
            EnumWindows(
                [](HWND window, LPARAM p) {
                    auto* s = reinterpret_cast<Search*>(p);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    if (owner == s->process && IsWindowVisible(window) && win32::wide(windowText(window)) == *s->title)
                        s->found = window;
                    return s->found ? FALSE : TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (!search.found)
                Sleep(50);
        }
        return search.found;
    }

    TEST(Program, StartsWithItsMainWindowShowsAboutAndEndsOnExit)
    {
        std::wstring command = L"\"" + win32::wide(ZARNTOOL_EXE) + L"\"";
        STARTUPINFOW startup {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process {};
        ASSERT_TRUE(
            CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        const HWND main = waitForWindow(process.dwProcessId, L"Zarn series module resource tools", 20000);
        EXPECT_NE(main, nullptr);
        if (main) {
            wchar_t text[128] = {}; // another process's control answers WM_GETTEXT only
            SendMessageW(GetDlgItem(main, IDC_MODULE_MSG), WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
            EXPECT_EQ(win32::narrow(text), "Module Connection information output...");
            PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            const HWND about = waitForWindow(process.dwProcessId, L"About Resource tool", 5000);
            EXPECT_NE(about, nullptr);
            if (about)
                PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
            // Exit waits for the About box to close, as a click would.
            PostMessageW(GetDlgItem(main, IDOK), BM_CLICK, 0, 0);
        }
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    TEST(Program, AnswersVersionOnItsStandardOutput)
    {
        SECURITY_ATTRIBUTES inherit { sizeof inherit, nullptr, TRUE };
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        std::wstring command = L"\"" + win32::wide(ZARNTOOL_EXE) + L"\" --version";
        STARTUPINFOW startup {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = writeEnd;
        PROCESS_INFORMATION process {};
        ASSERT_TRUE(
            CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
        CloseHandle(writeEnd);
        // Read what it wrote once it has ended, not up to the pipe's end: a process it
        // happens to start (Wine's desktop) may inherit the pipe and keep it open.
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
        std::string out;
        char buffer[256];
        DWORD n = 0, waiting = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0
            && ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
            out.append(buffer, n);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(out.rfind("zarntool 2.2", 0), 0u) << out;
        CloseHandle(readEnd);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

} // namespace
} // namespace zarn::test
