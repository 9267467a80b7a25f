#pragma once
// The folder of the running program: the staging file and the default save
// folder of new resource files live there, unless the program is installed
// among the system's programs.

#include <string>

namespace zarn {

// The folder of the running executable, without a trailing slash; empty if unknown.
std::string programFolder();

// Whether a program folder is where the system keeps installed programs (the
// folder this build installs into, /usr/bin, /usr/local/bin, ...; on Windows
// under Program Files or the Windows folder): nothing of the user's belongs
// there, even when it can be written, as it can by root or an administrator.
bool isInstalledProgramFolder(const std::string& folder);

// The program's folder when the user's files may live beside the program (a
// build tree, an unpacked zip); empty when it is unknown or an installed one.
std::string programWorkFolder();

} // namespace zarn
