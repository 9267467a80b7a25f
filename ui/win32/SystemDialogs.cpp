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

void showMessage(
    HWND owner, const std::string& text, const std::string& caption, const std::string& detail, BoxKind kind)
{
    const std::wstring wText = wide(windowsLineBreaks(text)), wCaption = wide(caption);
    if (!detail.empty()) {
        const std::wstring wDetail = wide(windowsLineBreaks(detail));
        TASKDIALOGCONFIG config {};
        config.cbSize = sizeof config;
        config.hwndParent = owner;
        config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
        config.dwCommonButtons = TDCBF_OK_BUTTON;
        config.pszWindowTitle = wCaption.c_str();
        config.pszMainIcon = kind == BoxKind::Error ? TD_ERROR_ICON : nullptr;
        config.pszContent = wText.c_str();
        config.pszExpandedInformation = wDetail.c_str();
        if (SUCCEEDED(TaskDialogIndirect(&config, nullptr, nullptr, nullptr)))
            return;
        // Without task dialogs the detail goes under the text.
        const std::wstring both = wText + L"\r\n\r\n" + wDetail;
        MessageBoxW(owner, both.c_str(), wCaption.c_str(), MB_OK | (kind == BoxKind::Error ? MB_ICONERROR : 0));
        return;
    }
    MessageBoxW(owner, wText.c_str(), wCaption.c_str(), MB_OK | (kind == BoxKind::Error ? MB_ICONERROR : 0));
}

bool askYesNo(HWND owner, const std::string& text, const std::string& caption)
{
    return MessageBoxW(owner, wide(windowsLineBreaks(text)).c_str(), wide(caption).c_str(),
               MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
        == IDYES;
}

std::optional<std::string> chooseOpenFile(HWND owner, const std::string& title, const std::vector<FilterPair>& filters)
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
    const std::wstring wTitle = wide(title);
    OPENFILENAMEW ofn {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = wTitle.c_str();
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
