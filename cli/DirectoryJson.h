#pragma once
// A directory as zarnres list --json prints it: one object of numbers per entry.

#include "resfile/ResourceFormat.h"

#include <ostream>
#include <span>

namespace zarn::cli {

void printDirectoryJson(std::ostream& out, std::span<const ResourceEntry> entries);

} // namespace zarn::cli
