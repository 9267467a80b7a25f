#pragma once
// A window made from a dialog template of zarntool.rc. The program runs its
// dialogs modally; tests and the screenshot tool create them modeless and
// drive them with messages, through the same handlers.

#include <windows.h>

#include <optional>
#include <string>

namespace zarn::win32 {

class DialogWindow {
public:
    explicit DialogWindow(int templateId);
    virtual ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Shows the dialog and returns when it closes: IDOK, IDCANCEL or what close() was given.
    INT_PTR runModal(HWND owner);
    // Creates the dialog without showing it and returns at once; null when the template fails.
    HWND create(HWND owner);

    HWND hwnd() const { return m_hwnd; }
    HWND item(int id) const { return GetDlgItem(m_hwnd, id); }
    void setText(int id, const std::string& utf8) const;
    std::string text(int id) const;
    // Run by runModal (the program), not made by create() (tests).
    bool modal() const { return m_modal; }
    // The result a modeless dialog was closed with; nothing while it is open.
    std::optional<INT_PTR> result() const { return m_result; }

    // Ends a modal run, or destroys a modeless dialog; `result` is what the run returns.
    void close(INT_PTR result);

protected:
    // WM_INITDIALOG, once the controls exist. True lets the system choose the focus.
    virtual bool onInit() { return true; }
    // Every other message. A value is the dialog procedure's answer; nothing
    // leaves the message to the default handling. OK and Cancel close by default.
    virtual std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_DESTROY: the last moment the controls exist.
    virtual void onDestroy() { }

private:
    static INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_hwnd = nullptr;
    bool m_modal = false;
    std::optional<INT_PTR> m_result;
};

// The program's module: where the templates, the icon and the strings are.
HINSTANCE programInstance();

} // namespace zarn::win32
