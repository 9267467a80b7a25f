#pragma once
// Where the links COM1 ... COM16 live on Linux and macOS: the folder named by
// ZARN_PORT_DIR, else zarn/ports under the user's runtime folder
// ($XDG_RUNTIME_DIR, or /tmp/zarn-<uid> when that is not set). Windows has
// none (empty unless ZARN_PORT_DIR is set): COMn there is the system's COMn.

#include <string>

namespace zarn {

std::string portFolder();
std::string portLinkPath(int portNumber); // portFolder() + "/COM<n>"

} // namespace zarn
