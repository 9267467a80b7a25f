#pragma once
// The common controls the window shows its state in: the report-style list,
// progress bars and read-only fields. Every text is UTF-8 on this side.

#include "resfile/DirectoryView.h"

#include <windows.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn::win32 {

// The directory list's row: No., type, points, addr, size, ignore color.
using ListRow = std::array<std::string, 6>;

// A report-style list: grid lines and full-row selection added to its own
// styles, one left-aligned column per entry, each as wide as it says in pixels
// at 96 DPI, scaled to the window's DPI.
void setUpReportList(HWND list, std::span<const zarn::DirectoryColumn> columns);
// Widens each column past its set width where its title or a text needs more.
void fitListColumns(HWND list, std::span<const zarn::DirectoryColumn> columns);
// All rows replaced by `rows`, in order.
void setListRows(HWND list, std::span<const ListRow> rows);
// One row inserted at `index` (at the end when it is past the last row).
void insertListRow(HWND list, int index, const ListRow& row);
void setListCell(HWND list, int row, int column, const std::string& text);
std::string listCell(HWND list, int row, int column);
int listRowCount(HWND list);
// The row last selected by the user, if any.
std::optional<int> listSelectionMark(HWND list);
// Selects `row` alone, with the focus and the selection mark, and scrolls it into view.
void selectListRow(HWND list, int row);
std::string listColumnTitle(HWND list, int column);

// A progress bar: its range from 0 and its position.
void setProgress(HWND bar, int range, int position);
struct ProgressState {
    int low = 0, high = 0, position = 0;
};
ProgressState progressState(HWND bar);

// A field's text; multi-line fields show "\r", "\n" and "\r\n" as line breaks.
void setFieldText(HWND field, const std::string& utf8);
std::string fieldText(HWND field);

// The pixels per inch of the monitor a window is on (96 where the system cannot say).
UINT windowDpi(HWND window);

} // namespace zarn::win32
