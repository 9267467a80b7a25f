#pragma once
// Whole files replaced the way that survives a crash or a power cut: the new
// content is written beside the file, flushed, renamed over it, and the folder
// flushed. At every moment the file is either the complete old one or the
// complete new one, and a failure leaves nothing behind.

#include "resfile/FileIo.h"

#include <cstdint>
#include <span>
#include <string>

namespace zarn {

// Writes `bytes` as the new content of `path`. A symbolic link is followed and
// its target replaced; an existing file keeps its permissions and, where the
// system allows, its owner; a new file gets those of a plain creation.
// The new file is locked exclusively before it takes the name; with `lockedFd`
// its descriptor is handed back open, so that a lock holder keeps the file locked.
// `heldFd` is a descriptor the caller holds open on `path` (its lock): where the
// system replaces no file that is open (Windows), it is closed just before the
// rename and set to -1; a rename that then finds the file opened by another
// program fails, and the old file stays as it was.
// Returns empty, or why it failed (then the old file is untouched).
std::string replaceFile(FileIo& io, const std::string& path, std::span<const std::uint8_t> bytes,
    int* lockedFd = nullptr, int* heldFd = nullptr);

// The file a path names once symbolic links are followed (the path itself when it is none).
std::string followLinks(const std::string& path);

} // namespace zarn
