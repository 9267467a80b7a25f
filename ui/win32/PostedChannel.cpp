#include "ui/win32/PostedChannel.h"

namespace zarn::win32 {

bool postWakeUp(HWND window, UINT message) { return window && PostMessageW(window, message, 0, 0); }

} // namespace zarn::win32
