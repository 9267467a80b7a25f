#pragma once
// Files dropped on a window that accepts them (WM_DROPFILES).

#include <windows.h>

#include <string>
#include <vector>

namespace zarn::win32 {

// The dropped files' full paths, in the order given; releases the drop.
std::vector<std::string> takeDroppedFiles(HDROP drop);

} // namespace zarn::win32
