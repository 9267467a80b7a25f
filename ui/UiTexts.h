#pragma once
// Texts of the main window and its commands that the core does not carry.

#include <string>

namespace zarn::ui {

inline constexpr const char* kMainTitle = "Zarn series module resource tools";
inline constexpr const char* kBitmapFieldStart = "Bitmap Message Output...";
inline constexpr const char* kMsgResourceFieldStart = "Resource File Message Output...";
inline constexpr const char* kAboutMenuText = "About ZarnTool(&A)...";
inline constexpr const char* kDitherMenuText = "Dither true-colour pictures";
inline constexpr const char* kApplicationErrorCaption = "Application Error";
inline constexpr const char* kIgnoreColorLabel = "Ignore color:";
inline constexpr const char* kProgrammingLabel = "Programming Process:";

inline constexpr const char* kOpenResourceTitle = "Open Resource File";
inline constexpr const char* kResourceFilterText = "Resource File(*.zrf)";
inline constexpr const char* kResourceFilterPattern = "*.ZRF";
inline constexpr const char* kAllFilesFilterText = "All Files(*.*)";
inline constexpr const char* kAllFilesFilterPattern = "*.*";
inline constexpr const char* kOpenBmpTitle = "Open BMP File";
inline constexpr const char* kBmpFilterText = "BMP File(*.BMP)";
inline constexpr const char* kBmpFilterPattern = "*.BMP";
inline constexpr const char* kImageFilesFilterText = "Image Files(*.PNG;*.JPG;*.JPEG;*.GIF)";
inline constexpr const char* kImageFilesFilterPattern = "*.PNG *.JPG *.JPEG *.GIF";
inline constexpr const char* kLoadHzlibTitle = "Load GBK2312 lib File";
inline constexpr const char* kLoadAsciilibTitle = "Load ACII Lib File";
inline constexpr const char* kLoadWaveTitle = "Load WAVE File";

inline constexpr const char* kMsgSelectBitmapToDisplay = "Please select a bitmap to display to resource items";
inline constexpr const char* kMsgNotBitmapItem = "Selected item is not a bitmap image resources";
inline constexpr const char* kMsgSelectFontToPreview = "Please select a font library to preview in resource items";
inline constexpr const char* kMsgNotFontItem = "Selected item is not a font library";

// "New Resource" over a file that exists.
inline constexpr const char* kMsgReplaceLosesItems = "Everything the file holds now will be lost.";
std::string fileExistsQuestion(const std::string& path);
// ">>LOAD" of a picture fitted to a larger screen than the open file's.
std::string pictureLargerThanScreenText(int width, int height, int screenWidth, int screenHeight);
// A file a command, or a drop on the window, does not take; `takes` says what it does take.
std::string fileNotTakenText(const std::string& path);
inline constexpr const char* kOpenResourceTakes = "\"Open Resource\" takes resource files (.zrf).";
inline constexpr const char* kLoadHzlibTakes
    = "\"Load Hzlib\" takes GB2312 (.hzk), BIG5 (.big) and Hangul (.kzk) font libraries named by their glyph "
      "size, such as 16X16.hzk.";
inline constexpr const char* kLoadAsciilibTakes
    = "\"Load Asciilib\" takes ASCII font libraries (.asc) named by their glyph size, such as 8X16.asc.";
inline constexpr const char* kLoadWaveTakes = "\"Load WAVE\" takes WAVE files (.wav).";
std::string dropTakesText(bool otherPictureFormats);

} // namespace zarn::ui
