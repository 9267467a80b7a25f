#pragma once
// The store commands' messages and their checks in their fixed order, shared
// by the main window and the command line so both report the same texts.

#include "resfile/ResourceStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarn {

inline constexpr const char* kMsgProgrammingModuleNew = "Programming Module...";
inline constexpr const char* kMsgProgrammingModule = "Programming module...";
inline constexpr const char* kMsgNotResourceOpen = "Not Resource Open";
inline constexpr const char* kMsgNotPictureLoaded = "Not Pictrue loaded";
inline constexpr const char* kMsgSpaceNotEnough = "Resource file space not enough";
inline constexpr const char* kMsgExceedMaxItems = "Exceed the maximum number of resources";
inline constexpr const char* kMsgNoItems = "Not items of Resource file";
inline constexpr const char* kMsgSelectItemToDelete = "Please select the items you want to delete the resources";
inline constexpr const char* kMsgResourceFileError = "Resource File Error";
inline constexpr const char* kMsgFalse = "False";
inline constexpr const char* kMsgResourceFieldStart = "Resource File Message Output...";
inline constexpr const char* kOpenResourceTitle = "Open Resource File";
inline constexpr const char* kResourceFilterText = "Resource File(*.zrf)";
inline constexpr const char* kResourceFilterPattern = "*.ZRF";
inline constexpr const char* kAllFilesFilterText = "All Files(*.*)";
inline constexpr const char* kAllFilesFilterPattern = "*.*";

// ">>LOAD": busy, open file, loaded bitmap, space, directory capacity.
std::optional<std::string> checkLoadBitmap(bool busy, const ResourceStore& store, bool bitmapLoaded,
                                           std::uint32_t bitmapSize);
// "Delete": busy, open file, items, selection mark.
std::optional<std::string> checkDelete(bool busy, const ResourceStore& store, std::optional<int> selectionMark);
std::optional<std::string> checkOpenResource(bool busy);
std::optional<std::string> checkNewResource(bool busy);
// "Open Resource" goes on only for the extension exactly "zrf".
bool hasResourceExtension(const std::string& path);
// Space (unrounded length against remainingBytes), then the item count.
std::optional<std::string> checkCapacity(const ResourceStore& store, std::uint32_t length);

} // namespace zarn
