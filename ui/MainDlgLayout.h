#pragma once
// Sizes shared by the main window's two source files.

namespace zarn::ui {

inline constexpr int kPictureAreaWidth = 400;
inline constexpr int kPictureAreaHeight = 300;

} // namespace zarn::ui
