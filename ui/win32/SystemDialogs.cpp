#include "ui/win32/SystemDialogs.h"

#include "ui/win32/Utf16.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shobjidl.h>

namespace zarn::win32 {

namespace {
    // Releases a COM interface when it goes.
    template <class T> struct ComPtr {
        T* p = nullptr;
        ~ComPtr()
        {
            if (p)
                p->Release();
        }
        T* operator->() const { return p; }
    };
}

namespace {
    // A task dialog with the detail open under the text; false when the system has none to show.
    bool taskDialog(HWND owner, const std::wstring& text, const std::wstring& caption, const std::string& detail,
        TASKDIALOG_COMMON_BUTTON_FLAGS buttons, int defaultButton, PCWSTR icon, int* pressed)
    {
        const std::wstring wDetail = wide(windowsLineBreaks(detail));
        TASKDIALOGCONFIG config {};
        config.cbSize = sizeof config;
        config.hwndParent = owner;
        config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW | TDF_EXPANDED_BY_DEFAULT;
        config.dwCommonButtons = buttons;
        config.nDefaultButton = defaultButton;
        config.pszWindowTitle = caption.c_str();
        config.pszMainIcon = icon;
        config.pszContent = text.c_str();
        config.pszExpandedInformation = wDetail.c_str();
        return SUCCEEDED(TaskDialogIndirect(&config, pressed, nullptr, nullptr));
    }
}

void showMessage(
    HWND owner, const std::string& text, const std::string& caption, const std::string& detail, BoxKind kind)
{
    std::wstring wText = wide(windowsLineBreaks(text));
    const std::wstring wCaption = wide(caption);
    if (!detail.empty()) {
        if (taskDialog(owner, wText, wCaption, detail, TDCBF_OK_BUTTON, IDOK,
                kind == BoxKind::Error ? TD_ERROR_ICON : nullptr, nullptr))
            return;
        // Without task dialogs the detail goes under the text.
        wText += L"\r\n\r\n" + wide(windowsLineBreaks(detail));
    }
    MessageBoxW(owner, wText.c_str(), wCaption.c_str(), MB_OK | (kind == BoxKind::Error ? MB_ICONERROR : 0));
}

bool askYesNo(HWND owner, const std::string& text, const std::string& caption, const std::string& detail)
{
    std::wstring wText = wide(windowsLineBreaks(text));
    const std::wstring wCaption = wide(caption);
    if (!detail.empty()) {
        int pressed = IDNO;
        if (taskDialog(owner, wText, wCaption, detail, TDCBF_YES_BUTTON | TDCBF_NO_BUTTON, IDNO, nullptr, &pressed))
            return pressed == IDYES;
        wText += L"\r\n\r\n" + wide(windowsLineBreaks(detail));
    }
    return MessageBoxW(owner, wText.c_str(), wCaption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::optional<std::size_t> popUpMenu(HWND owner, POINT screen, const std::vector<MenuChoice>& entries)
{
    const HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < entries.size(); ++i)
        AppendMenuW(
            menu, MF_STRING | (entries[i].checked ? MF_CHECKED : MF_UNCHECKED), i + 1, wide(entries[i].text).c_str());
    const auto chosen = static_cast<std::size_t>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x, screen.y, 0, owner, nullptr));
    DestroyMenu(menu);
    if (chosen == 0 || chosen > entries.size())
        return std::nullopt;
    return chosen - 1;
}

std::optional<std::string> chooseOpenFile(
    HWND owner, const std::string& title, const std::vector<FilterPair>& filters, const std::string& folder)
{
    // "label\0pattern\0...\0\0"; the system separates patterns with semicolons.
    std::wstring filter;
    for (const auto& f : filters) {
        std::wstring pattern = wide(f.pattern);
        for (auto& c : pattern)
            if (c == L' ')
                c = L';';
        filter += wide(f.label) + L'\0' + pattern + L'\0';
    }
    filter += L'\0';
    std::wstring file(32768, L'\0');
    const std::wstring wTitle = wide(title), wFolder = wide(folder);
    OPENFILENAMEW ofn {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = wTitle.c_str();
    ofn.lpstrInitialDir = wFolder.empty() ? nullptr : wFolder.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn))
        return std::nullopt;
    file.resize(wcslen(file.c_str()));
    return narrow(file);
}

std::optional<std::string> chooseFolder(HWND owner, const std::string& start)
{
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog.p))))
        return std::nullopt;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(wide(kFolderChooserTitle).c_str());
    dialog->SetOkButtonLabel(wide(kFolderChooserConfirm).c_str());
    if (!start.empty()) {
        ComPtr<IShellItem> folder;
        if (SUCCEEDED(SHCreateItemFromParsingName(wide(start).c_str(), nullptr, IID_PPV_ARGS(&folder.p))))
            dialog->SetFolder(folder.p);
    }
    if (FAILED(dialog->Show(owner)))
        return std::nullopt; // cancelled, or no dialog to show
    ComPtr<IShellItem> chosen;
    if (FAILED(dialog->GetResult(&chosen.p)))
        return std::nullopt;
    wchar_t* path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path)
        return std::nullopt;
    std::string folder = narrow(path);
    CoTaskMemFree(path);
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/'))
        folder += '\\';
    return folder;
}

} // namespace zarn::win32
