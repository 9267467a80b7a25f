#pragma once
// Opening a chosen import file just far enough to learn its length.

#include <cstdint>
#include <optional>
#include <string>

namespace zarn {

// The length of a regular file that can be opened for reading; nullopt otherwise,
// with *reason naming the file and why. Nothing but a regular file is opened.
std::optional<std::uint64_t> importFileLength(const std::string& path, std::string* reason = nullptr);

} // namespace zarn
