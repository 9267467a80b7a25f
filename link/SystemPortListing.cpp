#include "link/SystemPortListing.h"

#include "platform/PortFolder.h"
#include "platform/SerialPortList.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace zarn {

namespace {

    // "COM<n>" with n in 1 ... 16, nothing else.
    int linkNumber(const std::string& name)
    {
        if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0)
            return 0;
        int n = 0;
        for (std::size_t i = 3; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9')
                return 0;
            n = n * 10 + (name[i] - '0');
        }
        return (n >= 1 && n <= kMaxLinkedPort && name[3] != '0') ? n : 0;
    }

    // The links COM1 ... COM16 of the port folder; nothing when the folder
    // exists but cannot be read.
    std::optional<std::vector<PortLink>> portLinks()
    {
        namespace fs = std::filesystem;
        std::vector<PortLink> links;
        const std::string folder = portFolder();
        std::error_code ec;
        if (folder.empty() || !fs::exists(pathOf(folder), ec))
            return links;
        fs::directory_iterator it(pathOf(folder), ec);
        if (ec)
            return std::nullopt;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec)
                return std::nullopt;
            const int n = linkNumber(utf8Of(it->path().filename()));
            if (n == 0)
                continue;
            PortLink link;
            link.number = n;
            link.path = utf8Of(it->path());
            std::error_code lec;
            const fs::path target = fs::canonical(it->path(), lec);
            if (!lec) {
                link.target = utf8Of(target);
                link.targetExists = true;
            }
            links.push_back(std::move(link));
        }
        return links;
    }

    std::string upper(std::string text)
    {
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    }

} // namespace

bool systemNumbersPorts() { return !systemPortName(1).empty(); }

std::optional<std::vector<PortMapEntry>> currentPortMap(bool withDescriptions)
{
    const auto system = systemSerialPorts(withDescriptions);
    if (!system)
        return std::nullopt; // the listing itself failed
    std::vector<PortMapEntry> map;
    if (systemNumbersPorts()) {
        for (const SystemSerialPort& p : *system) {
            PortMapEntry e;
            e.number = p.number;
            e.device = p.device;
            e.listed = true;
            e.description = p.description;
            map.push_back(std::move(e));
        }
        std::sort(map.begin(), map.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
        return map;
    }
    const auto links = portLinks();
    if (!links)
        return std::nullopt;
    std::vector<std::string> devices;
    for (const SystemSerialPort& p : *system)
        devices.push_back(p.device);
    map = buildPortMap(*links, devices);
    for (PortMapEntry& e : map)
        for (const SystemSerialPort& p : *system)
            if (p.device == e.target)
                e.description = p.description;
    return map;
}

PortPresence SystemPortListing::FindListedPort(int portNumber)
{
    const auto map = currentPortMap();
    if (!map)
        return PortPresence::KeyNotOpened;
    for (const auto& e : *map)
        if (static_cast<std::uint8_t>(e.number) == static_cast<std::uint8_t>(portNumber))
            return e.listed ? PortPresence::Listed : PortPresence::NotListed;
    return PortPresence::NotListed;
}

std::string devicePathForPort(int portNumber)
{
    const auto map = currentPortMap();
    if (!map)
        return {};
    const auto e = findPort(*map, portNumber);
    return e ? e->device : std::string();
}

PortPresence DeviceListing::FindListedPort(int)
{
    std::error_code ec;
    if (std::filesystem::exists(pathOf(m_device), ec))
        return PortPresence::Listed;
    // "COM5" or "\\.\COM5": a name of the system's, not a file.
    std::string name = upper(m_device);
    if (name.rfind("\\\\.\\", 0) == 0)
        name.erase(0, 4);
    if (const auto system = systemSerialPorts())
        for (const SystemSerialPort& p : *system)
            if (upper(p.device) == name)
                return PortPresence::Listed;
    return PortPresence::NotListed;
}

} // namespace zarn
