#include "ui/win32/NewResourceWindow.h"

#include "ui/win32/ResourceIds.h"
#include "ui/win32/Utf16.h"

namespace zarn::win32 {

namespace {
    constexpr int kSizeButtons[4] = { IDC_SIZE_4M, IDC_SIZE_8M, IDC_SIZE_16M, IDC_SIZE_32M };
}

NewResourceWindow::NewResourceWindow(zarn::ui::CNewResourceDlg& state)
    : DialogWindow(IDD_NEW_RESOURCE)
    , m_state(state)
{
}

bool NewResourceWindow::onInit()
{
    const HWND list = item(IDC_MODEL_LIST);
    for (const std::string& row : zarn::ui::CNewResourceDlg::modelRows())
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(row).c_str()));
    SendMessageW(item(IDC_FILE_NAME), EM_LIMITTEXT, 256, 0);
    SendMessageW(item(IDC_SAVE_AT), EM_LIMITTEXT, 1024, 0);
    showState();
    return true;
}

// The fields the user types in go to the state before each handler runs.
void NewResourceWindow::takeFields()
{
    m_state.m_strName = text(IDC_FILE_NAME);
    m_state.m_strSaveAt = text(IDC_SAVE_AT);
}

void NewResourceWindow::showState()
{
    const HWND list = item(IDC_MODEL_LIST);
    if (m_state.m_nModelRow >= 0 && SendMessageW(list, CB_GETCURSEL, 0, 0) != m_state.m_nModelRow)
        SendMessageW(list, CB_SETCURSEL, m_state.m_nModelRow, 0);
    for (int k = 0; k < 4; ++k) {
        EnableWindow(item(kSizeButtons[k]), m_state.m_sizeEnabled[k]);
        SendMessageW(item(kSizeButtons[k]), BM_SETCHECK, k == m_state.m_nSizeChoice ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (text(IDC_FILE_NAME) != m_state.m_strName)
        setText(IDC_FILE_NAME, m_state.m_strName);
    if (text(IDC_SAVE_AT) != m_state.m_strSaveAt)
        setText(IDC_SAVE_AT, m_state.m_strSaveAt);
}

std::optional<INT_PTR> NewResourceWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return DialogWindow::onMessage(message, wParam, lParam);
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_MODEL_LIST && code == CBN_SELENDOK) {
        takeFields();
        m_state.OnModelChange(static_cast<int>(SendMessageW(item(IDC_MODEL_LIST), CB_GETCURSEL, 0, 0)));
        showState();
        return TRUE;
    }
    if (id == IDC_MODEL_LIST && code == CBN_EDITCHANGE) {
        m_state.OnModelEdit(text(IDC_MODEL_LIST));
        return TRUE;
    }
    for (int k = 0; k < 4; ++k)
        if (id == kSizeButtons[k] && code == BN_CLICKED) {
            m_state.m_nSizeChoice = k;
            return TRUE;
        }
    if (id == IDC_CHOOSE_FOLDER && code == BN_CLICKED) {
        takeFields();
        m_state.OnChooseFolder();
        showState();
        return TRUE;
    }
    if (id == IDOK && code == BN_CLICKED) {
        takeFields();
        if (m_state.OnOK())
            close(IDOK);
        else
            showState();
        return TRUE;
    }
    return DialogWindow::onMessage(message, wParam, lParam);
}

} // namespace zarn::win32
