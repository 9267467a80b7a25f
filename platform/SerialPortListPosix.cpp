#include "platform/SerialPortList.h"

#include <filesystem>
#include <fstream>

namespace zarn {

namespace {

    namespace fs = std::filesystem;

    std::string firstLine(const fs::path& file)
    {
        std::ifstream in(file);
        std::string line;
        std::getline(in, line);
        return line;
    }

    // The product name of a USB device somewhere above the terminal's device.
    std::string productOf(const fs::path& device)
    {
        std::error_code ec;
        fs::path at = fs::canonical(device, ec);
        for (int up = 0; !ec && up < 4 && !at.empty(); ++up, at = at.parent_path()) {
            if (fs::exists(at / "product", ec))
                return firstLine(at / "product");
        }
        return {};
    }

} // namespace

std::optional<std::vector<SystemSerialPort>> systemSerialPorts(bool withDescriptions)
{
    std::vector<SystemSerialPort> ports;
    const fs::path classDir = "/sys/class/tty";
    std::error_code ec;
    if (!fs::exists(classDir, ec))
        return ports; // no sysfs: no ports the system lists (links may still name some)
    fs::directory_iterator it(classDir, ec);
    if (ec)
        return std::nullopt;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        const fs::path entry = it->path();
        std::error_code e;
        if (!fs::exists(entry / "device", e))
            continue; // virtual terminals, pseudo-terminals
        // A serial8250 slot without a UART behind it reports type 0.
        if (fs::exists(entry / "type", e) && firstLine(entry / "type") == "0")
            continue;
        const fs::path dev = fs::path("/dev") / entry.filename();
        if (!fs::exists(dev, e))
            continue;
        ports.push_back({ dev.string(), 0, withDescriptions ? productOf(entry / "device") : std::string() });
    }
    return ports;
}

std::string systemPortName(int) { return {}; }

} // namespace zarn
