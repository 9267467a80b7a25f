#pragma once
// The system's ports as port numbers, for the presence check, the channel and
// zarnres ports. Where the system numbers its ports itself (Windows' COMn),
// number n is the system's COMn. Elsewhere the links COM1 ... COM16 in the port
// folder come first, then the system's serial devices (link/PortNumbering.h).

#include "link/LinkPorts.h"
#include "link/PortNumbering.h"

#include <optional>
#include <string>
#include <vector>

namespace zarn {

class SystemPortListing final : public IPortListing {
public:
    // Listed when the number maps onto a device that exists now; numbers agree
    // in their low eight bits, as a listed port name's number does.
    // KeyNotOpened when the system's list (or the port folder) cannot be read.
    PortPresence FindListedPort(int portNumber) override;
};

// One device for every port number (the command line's --device): listed
// while it exists (or while the system lists it, for a name such as COM5).
class DeviceListing final : public IPortListing {
public:
    explicit DeviceListing(std::string device)
        : m_device(std::move(device))
    {
    }
    PortPresence FindListedPort(int) override;

private:
    std::string m_device;
};

// Whether port numbers are the system's own (Windows) rather than the port folder's and ours.
bool systemNumbersPorts();

// The current mapping; nothing when the listing itself failed. With
// descriptions: what the system calls each device, where it says.
std::optional<std::vector<PortMapEntry>> currentPortMap(bool withDescriptions = false);

// The device to open for a port number, or empty when none.
std::string devicePathForPort(int portNumber);

} // namespace zarn
