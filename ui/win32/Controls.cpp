#include "ui/win32/Controls.h"

#include "ui/win32/Utf16.h"

#include <commctrl.h>

#include <algorithm>

namespace zarn::win32 {

UINT windowDpi(HWND window)
{
    const UINT dpi = window ? GetDpiForWindow(window) : 0;
    return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

void setUpReportList(HWND list, std::span<const zarn::DirectoryColumn> columns)
{
    const DWORD added = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, added, added);
    const UINT dpi = windowDpi(list);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring title = wide(columns[i].title);
        LVCOLUMNW column {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = MulDiv(columns[i].width, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
        column.pszText = title.data();
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

void fitListColumns(HWND list, std::span<const zarn::DirectoryColumn> columns)
{
    const int dpi = static_cast<int>(windowDpi(list));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        // The widest text as the list measures it, the title with the header's margins.
        SendMessageW(list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE);
        const auto texts = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
        const auto title = static_cast<int>(
            SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide(columns[i].title).c_str())));
        const int set = MulDiv(columns[i].width, dpi, USER_DEFAULT_SCREEN_DPI);
        const int header = title + MulDiv(12, dpi, USER_DEFAULT_SCREEN_DPI);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, i, std::max({ set, texts, header }));
    }
}

void setListCell(HWND list, int row, int column, const std::string& text)
{
    std::wstring w = wide(text);
    LVITEMW item {};
    item.iSubItem = column;
    item.pszText = w.data();
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void insertListRow(HWND list, int index, const ListRow& row)
{
    LVITEMW item {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(L"");
    const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0)
        return;
    for (int c = 0; c < static_cast<int>(row.size()); ++c)
        setListCell(list, at, c, row[c]);
}

void setListRows(HWND list, std::span<const ListRow> rows)
{
    // One redraw for the whole list, not one per row.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < rows.size(); ++i)
        insertListRow(list, static_cast<int>(i), rows[i]);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

std::string listCell(HWND list, int row, int column)
{
    // The list copies at most the buffer's size; a longer text asks for a larger one.
    for (std::size_t size = 256;; size *= 4) {
        std::wstring buffer(size, L'\0');
        LVITEMW item {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const auto n
            = static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (n + 1 < size || size > 65536) {
            buffer.resize(n < size ? n : size - 1);
            return narrow(buffer);
        }
    }
}

int listRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::optional<int> listSelectionMark(HWND list)
{
    const int mark = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
    if (mark < 0 || mark >= listRowCount(list))
        return std::nullopt;
    return mark;
}

void selectListRow(HWND list, int row)
{
    LVITEMW none {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMW state {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
}

std::string listColumnTitle(HWND list, int column)
{
    wchar_t buffer[256] = {};
    LVCOLUMNW c {};
    c.mask = LVCF_TEXT;
    c.pszText = buffer;
    c.cchTextMax = 256;
    if (!SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&c)))
        return {};
    return narrow(buffer);
}

void setProgress(HWND bar, int range, int position)
{
    SendMessageW(bar, PBM_SETRANGE32, 0, range);
    SendMessageW(bar, PBM_SETPOS, position, 0);
}

ProgressState progressState(HWND bar)
{
    PBRANGE range {};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    return { range.iLow, range.iHigh, static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)) };
}

void setFieldText(HWND field, const std::string& utf8)
{
    const bool multiLine = (GetWindowLongPtrW(field, GWL_STYLE) & ES_MULTILINE) != 0;
    SetWindowTextW(field, wide(multiLine ? windowsLineBreaks(utf8) : utf8).c_str());
}

std::string fieldText(HWND field)
{
    std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    const int n = GetWindowTextW(field, buffer.data(), static_cast<int>(buffer.size()));
    buffer.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return narrow(buffer);
}

} // namespace zarn::win32
