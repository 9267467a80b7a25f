#pragma once
// Texts of the main window and its commands that the core does not carry.

namespace zarn::ui {

inline constexpr const char* kMainTitle = "Zarn series module resource tools";
inline constexpr const char* kBitmapFieldStart = "Bitmap Message Output...";
inline constexpr const char* kAboutMenuText = "About ZarnTool(&A)...";
inline constexpr const char* kDitherMenuText = "Dither true-colour pictures";
inline constexpr const char* kApplicationErrorCaption = "Application Error";
inline constexpr const char* kMsgResourceFieldStart = "Resource File Message Output...";

inline constexpr const char* kOpenResourceTitle = "Open Resource File";
inline constexpr const char* kResourceFilterText = "Resource File(*.zrf)";
inline constexpr const char* kResourceFilterPattern = "*.ZRF";
inline constexpr const char* kAllFilesFilterText = "All Files(*.*)";
inline constexpr const char* kAllFilesFilterPattern = "*.*";

inline constexpr const char* kOpenBmpTitle = "Open BMP File";
inline constexpr const char* kBmpFilterText = "BMP File(*.BMP)";
inline constexpr const char* kBmpFilterPattern = "*.BMP";
inline constexpr const char* kLoadHzlibTitle = "Load GBK2312 lib File";
inline constexpr const char* kLoadAsciilibTitle = "Load ACII Lib File";
inline constexpr const char* kLoadWaveTitle = "Load WAVE File";

inline constexpr const char* kMsgSelectBitmapToDisplay = "Please select a bitmap to display to resource items";
inline constexpr const char* kMsgNotBitmapItem = "Selected item is not a bitmap image resources";

} // namespace zarn::ui
