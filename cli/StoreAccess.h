#pragma once
// Helpers shared by the zarnres subcommands that work on a resource file:
// opening it under its lock, refusing with the store's message.

#include "cli/Arguments.h"
#include "cli/Command.h"
#include "resfile/ResourceStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarn::cli {

// Opens FILE through the store and, given a `mode`, keeps its lock until the
// store is released or destroyed: shared for a command that only reads,
// exclusive for one that checks and then changes the file. Without one the
// file is not held (a command that locks for its change by itself). Refuses
// (status 1) with the store's message.
ResourceStore openStore(const std::string& path, std::optional<LockMode> mode);

// Refuses with the result's message unless it is ok.
void requireOk(const StoreResult& result);

} // namespace zarn::cli
