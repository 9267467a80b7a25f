#pragma once
// The system's port listing for the presence check and the port numbering:
// links COM1 ... COM16 in the port folder first, then the serial devices that
// Qt lists (order: see link/PortNumbering.h).

#include "link/LinkPorts.h"
#include "link/PortNumbering.h"

#include <optional>
#include <string>
#include <vector>

namespace zarn {

class SerialPortListing final : public IPortListing {
public:
    // Listed when the number maps onto an existing device; KeyNotOpened when
    // the port folder exists but cannot be read.
    PortPresence FindListedPort(int portNumber) override;
};

// The current mapping; nullopt when the listing itself failed.
std::optional<std::vector<PortMapEntry>> currentPortMap();

// The device path for a port number, or empty when none.
std::string devicePathForPort(int portNumber);

} // namespace zarn
