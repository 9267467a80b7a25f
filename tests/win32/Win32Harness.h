#pragma once
// What the Win32 window's tests share: dialogs created in this process from
// the program's own templates, found by id, clicked and read back; and the
// system's modal boxes, answered from a timer while they run.

#include "ui/win32/Controls.h"
#include "ui/win32/Utf16.h"

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zarn::test {

// Common controls and COM, as the program has them.
class Win32Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls { sizeof controls,
            ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES };
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override { CoUninitialize(); }
};

inline void click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

inline std::string windowText(HWND window) { return win32::fieldText(window); }

inline std::string className(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return win32::narrow(name);
}

inline std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

inline HWND childWithText(HWND parent, const std::string& text)
{
    for (HWND child : children(parent))
        if (windowText(child) == text)
            return child;
    return nullptr;
}

// A control's place in its dialog's client area, in pixels.
inline RECT placeOf(HWND control)
{
    RECT r {};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Dialog units (x, y, width, height) in `dialog`'s pixels, as the dialog
// manager places a control: position and size each mapped on its own.
inline RECT pixelsOf(HWND dialog, int x, int y, int width, int height)
{
    RECT r { x, y, width, height };
    MapDialogRect(dialog, &r);
    return { r.left, r.top, r.left + r.right, r.top + r.bottom };
}

inline void pumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Handles this thread's messages until `done` or `ms` have passed; whether it was done.
template <class Done> bool pumpUntil(Done done, int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pumpMessages();
    }
    return true;
}

// Files dropped on `window` as the shell drops them.
inline void dropFiles(HWND window, const std::vector<std::string>& paths)
{
    std::wstring files;
    for (const auto& p : paths)
        files += win32::wide(p) + L'\0';
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (files.size() + 1) * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(files.begin(), files.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(memory);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

// A left press at (x, y) of `window`'s client area.
inline void press(HWND window, int x, int y) { SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }

// Answers the modal windows of this thread (message boxes, task dialogs, file
// dialogs, the program's dialogs) while the code under test waits for them,
// one answer per window in the order they come: each answer sees a window
// other than the one answered last, and closes it or opens the next. An answer
// that returns false is asked again at the next tick (it waits for something).
// Polls from a timer that the modal loops run.
class ModalAnswer {
public:
    using Answer = std::function<bool(HWND)>;
    // `besides`: a window of the thread that is not one to answer (the main window, shown).
    explicit ModalAnswer(std::function<void(HWND)> answer, HWND besides = nullptr)
        : ModalAnswer(std::vector<Answer> { [answer](HWND w) { return answer(w), true; } }, besides)
    {
    }
    explicit ModalAnswer(std::vector<Answer> answers, HWND besides = nullptr)
        : m_answers(std::move(answers))
        , m_besides(besides)
    {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 20, &ModalAnswer::tick);
    }
    ~ModalAnswer()
    {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    // Every answer was given, and the last one closed its window.
    bool answered() const { return m_given == m_answers.size() && !m_stuck; }
    std::string caption; // of the first window answered
    std::vector<std::string> texts; // every child's text of the first window, in order
    std::vector<std::string> captions; // of each window answered

private:
    HWND openWindow() const
    {
        struct Search {
            HWND besides, found = nullptr;
        } search { m_besides };
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM p) {
                auto* s = reinterpret_cast<Search*>(p);
                if (window != s->besides && IsWindowVisible(window) && IsWindowEnabled(window)) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalAnswer* self = s_current;
        if (!self || self->m_busy)
            return;
        const HWND found = self->openWindow();
        if (self->m_given == self->m_answers.size()) {
            // An answer that did not close the window fails the test instead of hanging it.
            if (found && found == self->m_last && ++self->m_ticksAfter == 100) {
                self->m_stuck = true;
                PostMessageW(found, WM_CLOSE, 0, 0);
            }
            return;
        }
        if (!found || (found == self->m_last && !self->m_waiting))
            return;
        if (!self->m_waiting) {
            self->captions.push_back(windowText(found));
            if (self->m_given == 0) {
                self->caption = self->captions.back();
                for (HWND child : children(found))
                    self->texts.push_back(windowText(child));
            }
        }
        self->m_busy = true; // an answer may run a message loop of its own
        const bool done = self->m_answers[self->m_given](found);
        self->m_busy = false;
        self->m_waiting = !done;
        self->m_last = found;
        if (done)
            ++self->m_given;
    }

    static inline ModalAnswer* s_current = nullptr;
    std::vector<Answer> m_answers;
    HWND m_besides;
    UINT_PTR m_timer = 0;
    std::size_t m_given = 0;
    HWND m_last = nullptr;
    bool m_waiting = false, m_busy = false, m_stuck = false;
    int m_ticksAfter = 0;
};

// Presses the button whose text is `text` in `window` (a box or a system dialog).
inline void pressButton(HWND window, const std::string& text)
{
    if (HWND button = childWithText(window, text))
        PostMessageW(button, BM_CLICK, 0, 0);
}

// Answers the system's file-open dialog with `path`, typed into its name field.
inline void openInFileDialog(HWND dialog, const std::string& path)
{
    for (HWND c : children(dialog))
        if (className(c) == "Edit" && IsWindowVisible(c)) {
            SetWindowTextW(c, win32::wide(path).c_str());
            break;
        }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// A pick confirmed in a dialog's drop-down list.
inline void pickInList(HWND dialog, int id, int index)
{
    const HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(list));
}

} // namespace zarn::test
