#pragma once
// Whole files replaced the way that survives a crash or a power cut: the new
// content is written beside the file, flushed, renamed over it, and the folder
// flushed. At every moment the file is either the complete old one or the
// complete new one, and a failure leaves nothing behind.

#include "platform/FileIo.h"
#include "platform/FileLock.h"

#include <cstdint>
#include <span>
#include <string>

namespace zarn {

// Writes `bytes` as the new content of `path`. A symbolic link is followed and
// its target replaced; an existing file keeps its permissions and, where the
// system allows, its owner; a new file gets those of a plain creation.
// The new file is locked exclusively from its creation until it has the name.
// With `lock` (held on `path`, or not held), the lock moves on to the new file:
// where an open file cannot be replaced (Windows), the old one is let go just
// before the rename, and a rename that then finds the file opened by another
// program fails, with the old file as it was and the lock let go.
// Returns empty, or why it failed (then the old file is untouched).
std::string replaceFile(
    FileIo& io, const std::string& path, std::span<const std::uint8_t> bytes, FileLock* lock = nullptr);

// Whether another writer is replacing `path` now: a temporary file of its
// replacement is there and locked. A lock holder on Windows lets go of the old
// file before its rename, so taking that lock proves nothing while this is true.
bool replacementUnderWay(FileIo& io, const std::string& path);

// Removes the temporary files that replacements of `path` left when their
// writer died (killed between writing and renaming): those whose lock can be
// taken. Call it only while holding `path`'s lock, so that no live writer can be
// between creating its temporary file and locking it.
void removeStaleTemporaries(FileIo& io, const std::string& path);

// The file a path names once symbolic links are followed (the path itself when it is none).
std::string followLinks(const std::string& path);

} // namespace zarn
