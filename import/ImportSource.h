#pragma once
// Opening a chosen import file just far enough to learn its length.

#include <cstdint>
#include <optional>
#include <string>

namespace zarn {

// The length of a regular file that can be opened for reading; nullopt otherwise.
std::optional<std::uint64_t> importFileLength(const std::string& path);

inline constexpr char kMsgImportSpaceNotEnough[] = "Resource file space not enough";
inline constexpr char kMsgImportExceedMaxItems[] = "Exceed the maximum number of resources";

} // namespace zarn
