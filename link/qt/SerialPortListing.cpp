#include "link/qt/SerialPortListing.h"

#include "platform/PortFolder.h"

#include <QSerialPortInfo>

#include <algorithm>
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
}

#ifdef Q_OS_WIN
// On Windows COMn is the system's COMn: no port folder, no renumbering.
std::optional<std::vector<PortMapEntry>> currentPortMap()
{
    std::vector<PortMapEntry> map;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const int n = portNumberFromName(info.portName().toStdString());
        if (n <= 0)
            continue;
        PortMapEntry e;
        e.number = n;
        e.device = info.portName().toStdString();
        e.listed = true;
        map.push_back(std::move(e));
    }
    std::sort(map.begin(), map.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    return map;
}
#else
std::optional<std::vector<PortMapEntry>> currentPortMap()
{
    namespace fs = std::filesystem;
    std::vector<PortLink> links;
    const fs::path folder = portFolder();
    std::error_code ec;
    if (fs::exists(folder, ec)) {
        fs::directory_iterator it(folder, ec);
        if (ec)
            return std::nullopt; // the listing itself failed
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec)
                return std::nullopt;
            const int n = linkNumber(it->path().filename().string());
            if (n == 0)
                continue;
            PortLink link;
            link.number = n;
            link.path = it->path().string();
            std::error_code lec;
            const fs::path target = fs::canonical(it->path(), lec);
            if (!lec) {
                link.target = target.string();
                link.targetExists = true;
            }
            links.push_back(std::move(link));
        }
    }
    std::vector<std::string> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.push_back(info.systemLocation().toStdString());
    return buildPortMap(links, devices);
}
#endif

PortPresence SerialPortListing::FindListedPort(int portNumber)
{
    const auto map = currentPortMap();
    if (!map)
        return PortPresence::KeyNotOpened;
    // Numbers agree in their low eight bits, as a port name's number does.
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

} // namespace zarn
