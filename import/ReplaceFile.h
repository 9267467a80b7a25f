#pragma once
// Whole files written beside their target and renamed over it only when
// complete, so a failure part way leaves neither a partial file nor a damaged
// older one.

#include <cstdint>
#include <span>
#include <string>

namespace zarn {

// Writes `bytes` as the new content of `path`. Returns 0, or the errno of the
// step that failed (nothing is left behind then). The file gets the mode a
// plainly created file would have under the process's umask.
int replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace zarn
