#pragma once
// The folder of the running program: the staging file and the default save
// folder of new resource files live there.

#include <string>

namespace zarn {

// The folder of the running executable, without a trailing slash; empty if unknown.
std::string programFolder();

} // namespace zarn
