#include "ui/win32/FileDrop.h"

#include "ui/win32/Utf16.h"

#include <shellapi.h>

namespace zarn::win32 {

std::vector<std::string> takeDroppedFiles(HDROP drop)
{
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        const UINT n = DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size()));
        path.resize(n);
        if (!path.empty())
            paths.push_back(narrow(path));
    }
    DragFinish(drop);
    return paths;
}

} // namespace zarn::win32
