#pragma once
// A validated font library or WAVE file waiting to be inserted: its directory
// entry (address filled in by the insertion) and the file holding its data.

#include "resfile/ResourceFormat.h"

#include <string>

namespace zarn {

struct PendingItem {
    ResourceEntry entry;
    std::string sourcePath;
};

} // namespace zarn
