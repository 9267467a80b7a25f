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

#include <functional>
#include <string>
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

// Answers the next modal window of this thread (a message box, a task dialog,
// a file dialog) while the code under test waits for it: `answer` sees the
// window and closes it. Polls from a timer that the modal loop runs.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(HWND)> answer)
        : m_answer(std::move(answer))
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

    // The window was there, and the answer closed it.
    bool answered() const { return m_answered && !m_stuck; }
    std::string caption;
    std::vector<std::string> texts; // every child's text, in order

private:
    static HWND openWindow()
    {
        HWND found = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM out) {
                if (IsWindowVisible(window) && IsWindowEnabled(window)) {
                    *reinterpret_cast<HWND*>(out) = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalAnswer* self = s_current;
        if (!self)
            return;
        const HWND found = openWindow();
        if (self->m_answered) {
            // An answer that did not close the window fails the test instead of hanging it.
            if (found && ++self->m_ticksAfter == 100) {
                self->m_stuck = true;
                PostMessageW(found, WM_CLOSE, 0, 0);
            }
            return;
        }
        if (!found)
            return;
        self->m_answered = true;
        self->caption = windowText(found);
        for (HWND child : children(found))
            self->texts.push_back(windowText(child));
        self->m_answer(found);
    }

    static inline ModalAnswer* s_current = nullptr;
    std::function<void(HWND)> m_answer;
    UINT_PTR m_timer = 0;
    bool m_answered = false;
    bool m_stuck = false;
    int m_ticksAfter = 0;
};

// Presses the button whose text is `text` in `window` (a box or a system dialog).
inline void pressButton(HWND window, const std::string& text)
{
    if (HWND button = childWithText(window, text))
        PostMessageW(button, BM_CLICK, 0, 0);
}

} // namespace zarn::test
