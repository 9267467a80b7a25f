#pragma once
// Helpers shared by the zarnres subcommands that work on a resource file:
// opening it, reading a ROW or a colour from the command line, refusing with
// the store's message.

#include "cli/Command.h"
#include "resfile/ResourceStore.h"

#include <cstdint>
#include <string>

namespace zarn::cli {

// Opens FILE through the store and keeps its lock in `mode` until the store is
// released or destroyed: shared for a command that only reads, exclusive for one
// that checks and then changes the file. Refuses (status 1) with the store's message.
ResourceStore openStore(const std::string& path, LockMode mode);

// Takes the exclusive lock for a change prepared while the file was not locked;
// the header and directory are read again, so the caller checks them again.
void lockForChange(ResourceStore& store);

// Refuses with the result's message unless it is ok.
void requireOk(const StoreResult& result);

// A directory row as the list shows it under "No." (0 = first item). A text
// that is not a number is a usage error (status 2); a row the file does not
// hold is refused (status 1).
int parseRow(const std::string& text, const ResourceStore& store);

// A colour as 0xNNNN or decimal, 0..65535; anything else is a usage error.
std::uint16_t parseColor(const std::string& text);

// Ends the program with status 2 and `message`.
[[noreturn]] void usageError(std::string message);

} // namespace zarn::cli
