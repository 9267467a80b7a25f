#pragma once
// The folder chooser of the "...." button (CommandHost::chooseFolder): any
// folder picker of the system that starts in the given folder, is titled
// "Choose folder", confirms with "Select", and returns the folder whose
// contents it shows (or the one highlighted in it) followed by one path
// separator. Cancel returns nothing.

#include <string>

namespace zarn::ui {

inline constexpr const char* kFolderDialogTitle = "Choose folder";
inline constexpr const char* kFolderDialogSelect = "Select";

// The chosen folder as the caller receives it: one separator at the end.
std::string withTrailingSeparator(const std::string& folder);

} // namespace zarn::ui
