#pragma once
// The system's own dialogs: message boxes, the Yes/No question, the file-open
// dialog and the folder chooser. All modal to `owner`; while one is open the
// owner's timer and posted messages go on being handled.

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarn::win32 {

enum class BoxKind { Plain, Error };

// One OK button. With a `detail`, a task dialog that shows the detail as its
// expanded information, open from the start; otherwise a plain message box.
void showMessage(HWND owner, const std::string& text, const std::string& caption, const std::string& detail = {},
    BoxKind kind = BoxKind::Plain);
// Yes and No, No the default, the detail as with showMessage; true for Yes.
bool askYesNo(HWND owner, const std::string& text, const std::string& caption, const std::string& detail = {});

// A filter of the file-open dialog: what the list shows and its patterns
// ("*.BMP"; several separated by blanks or semicolons).
struct FilterPair {
    std::string label, pattern;
};
// An existing file, starting in `folder` when it is not empty; nothing when cancelled.
std::optional<std::string> chooseOpenFile(
    HWND owner, const std::string& title, const std::vector<FilterPair>& filters, const std::string& folder = {});

// A pop-up menu at `screen`: each entry's text and check mark. The index of the entry chosen; nothing when none.
struct MenuChoice {
    std::string text;
    bool checked = false;
};
std::optional<std::size_t> popUpMenu(HWND owner, POINT screen, const std::vector<MenuChoice>& entries);

// A folder, starting in `start`: titled "Choose folder", confirmed with
// "Select". The result ends with a path separator; nothing when cancelled.
std::optional<std::string> chooseFolder(HWND owner, const std::string& start);

inline constexpr const char* kFolderChooserTitle = "Choose folder";
inline constexpr const char* kFolderChooserConfirm = "Select";

} // namespace zarn::win32
