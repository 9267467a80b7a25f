#include "platform/PortFolder.h"

#include "platform/FileIo.h"

namespace zarn {

std::string portFolder()
{
    if (const std::string dir = environmentValue("ZARN_PORT_DIR"); !dir.empty())
        return dir;
    const std::string runtime = userRuntimeFolder();
    return runtime.empty() ? std::string() : runtime + "/zarn/ports";
}

std::string portLinkPath(int portNumber) { return portFolder() + "/COM" + std::to_string(portNumber); }

} // namespace zarn
