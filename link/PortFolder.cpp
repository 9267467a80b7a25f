#include "link/PortFolder.h"

#include <cstdlib>
#include <unistd.h>

namespace zarn {

std::string portFolder()
{
    if (const char* dir = std::getenv("ZARN_PORT_DIR"); dir && *dir)
        return dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/zarn/ports";
    return "/tmp/zarn-" + std::to_string(::getuid()) + "/zarn/ports";
}

std::string portLinkPath(int portNumber) { return portFolder() + "/COM" + std::to_string(portNumber); }

} // namespace zarn
