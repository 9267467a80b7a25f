#pragma once
// Port numbers on Linux and macOS. Links COM1 ... COM16 in the port folder
// take precedence; the numbers no link takes go, in ascending order, to the
// system's serial devices that no link points at, sorted: /dev/ttyUSB* first,
// then /dev/ttyACM*, then every other device, each group by path with the
// trailing number compared as a number (ttyUSB2 before ttyUSB10).

#include <optional>
#include <string>
#include <vector>

namespace zarn {

inline constexpr int kMaxLinkedPort = 16;

struct PortLink {
    int number = 0; // n of COMn
    std::string path; // the link itself
    std::string target; // where the link points (resolved path, empty when dangling)
    bool targetExists = false;
};

struct PortMapEntry {
    int number = 0;
    std::string device; // what to open: the device path, or the link's own path
    std::string target; // for links, where the link points
    bool viaLink = false;
    bool listed = false; // the device exists now
    std::string description; // what the system calls the device, when it says
};

// Sorts device paths in the documented order.
std::vector<std::string> sortSerialDevices(std::vector<std::string> devices);

// The mapping for numbers 1 ... max(16, enough for every device).
std::vector<PortMapEntry> buildPortMap(const std::vector<PortLink>& links, const std::vector<std::string>& devices);

// The entry for one number, if any device or link takes it.
std::optional<PortMapEntry> findPort(const std::vector<PortMapEntry>& map, int number);

} // namespace zarn
