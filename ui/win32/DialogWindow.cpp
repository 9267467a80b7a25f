#include "ui/win32/DialogWindow.h"

#include "ui/win32/Controls.h"

namespace zarn::win32 {

HINSTANCE programInstance() { return GetModuleHandleW(nullptr); }

DialogWindow::DialogWindow(int templateId)
    : m_templateId(templateId)
{
}

DialogWindow::~DialogWindow()
{
    if (m_hwnd && !m_modal)
        DestroyWindow(m_hwnd);
}

INT_PTR DialogWindow::runModal(HWND owner)
{
    m_modal = true;
    m_result.reset();
    const INT_PTR result = DialogBoxParamW(
        programInstance(), MAKEINTRESOURCEW(m_templateId), owner, procedure, reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return result;
}

HWND DialogWindow::create(HWND owner)
{
    m_modal = false;
    m_result.reset();
    return CreateDialogParamW(
        programInstance(), MAKEINTRESOURCEW(m_templateId), owner, procedure, reinterpret_cast<LPARAM>(this));
}

void DialogWindow::setText(int id, const std::string& utf8) const { setFieldText(item(id), utf8); }

std::string DialogWindow::text(int id) const { return fieldText(item(id)); }

void DialogWindow::close(INT_PTR result)
{
    m_result = result;
    if (m_modal)
        EndDialog(m_hwnd, result);
    else if (m_hwnd)
        DestroyWindow(m_hwnd);
}

std::optional<INT_PTR> DialogWindow::onMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        close(LOWORD(wParam));
        return TRUE;
    }
    return std::nullopt;
}

INT_PTR CALLBACK DialogWindow::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogWindow*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        return self->onInit() ? TRUE : FALSE;
    }
    if (!self)
        return FALSE;
    if (message == WM_DESTROY) {
        self->onDestroy();
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        return FALSE;
    }
    const auto answer = self->onMessage(message, wParam, lParam);
    return answer ? *answer : FALSE;
}

} // namespace zarn::win32
