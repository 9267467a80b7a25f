#pragma once
// The version every program shows: the project's version (CMakeLists.txt) and
// the git commit the programs were built from, both written at build time.

#include <string>

namespace zarn {

extern const char* const kVersionNumber; // "2.2"
extern const char* const kVersionCommit; // "7a144f3d2e1c", with "-modified" for local changes; "" outside git

// The line --version prints: "zarnres 2.2 (commit 7a144f3d2e1c)", or "zarnres 2.2".
inline std::string versionLine(const std::string& program)
{
    std::string line = program + " " + kVersionNumber;
    if (*kVersionCommit)
        line += std::string(" (commit ") + kVersionCommit + ")";
    return line;
}

} // namespace zarn
