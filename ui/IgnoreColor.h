#pragma once
// The ignore colour: a colour picked on screen (its Rgb565 value is the
// module's 16-bit value of it), and how that value is shown.

#include "import/Rgb565.h"
#include "resfile/DirectoryView.h"

namespace zarn::ui {

// "0x%.4x", as the directory list shows it.
using zarn::ignoreColorText;

} // namespace zarn::ui
