#include "link/PortNumbering.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace zarn {

namespace {
    int groupOf(const std::string& path)
    {
        if (path.rfind("/dev/ttyUSB", 0) == 0)
            return 0;
        if (path.rfind("/dev/ttyACM", 0) == 0)
            return 1;
        return 2;
    }

    // The path without its trailing digits, and those digits as a number.
    std::tuple<int, std::string, unsigned long long, std::string> sortKey(const std::string& path)
    {
        std::size_t end = path.size();
        while (end > 0 && path[end - 1] >= '0' && path[end - 1] <= '9')
            --end;
        unsigned long long number = 0;
        const std::string digits = path.substr(end);
        for (char c : digits.substr(0, 18))
            number = number * 10 + static_cast<unsigned>(c - '0');
        return { groupOf(path), path.substr(0, end), number, path };
    }
}

std::vector<std::string> sortSerialDevices(std::vector<std::string> devices)
{
    std::sort(devices.begin(), devices.end(),
        [](const std::string& a, const std::string& b) { return sortKey(a) < sortKey(b); });
    devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
    return devices;
}

std::vector<PortMapEntry> buildPortMap(const std::vector<PortLink>& links, const std::vector<std::string>& devices)
{
    std::vector<PortMapEntry> map;
    std::set<int> taken;
    std::set<std::string> linkedTargets;
    for (const auto& link : links) {
        if (link.number < 1 || link.number > kMaxLinkedPort || taken.count(link.number))
            continue;
        taken.insert(link.number);
        if (!link.target.empty())
            linkedTargets.insert(link.target);
    }

    std::vector<std::string> free;
    for (const auto& d : sortSerialDevices(devices))
        if (!linkedTargets.count(d))
            free.push_back(d);

    std::size_t next = 0;
    for (int n = 1; n <= kMaxLinkedPort || next < free.size(); ++n) {
        auto link = std::find_if(links.begin(), links.end(), [n](const PortLink& l) { return l.number == n; });
        if (n <= kMaxLinkedPort && link != links.end()) {
            map.push_back({ n, link->path, link->target, true, link->targetExists, {} });
            continue;
        }
        if (next < free.size()) {
            map.push_back({ n, free[next], free[next], false, true, {} });
            ++next;
        }
        if (n >= 255)
            break;
    }
    return map;
}

std::optional<PortMapEntry> findPort(const std::vector<PortMapEntry>& map, int number)
{
    for (const auto& e : map)
        if (e.number == number)
            return e;
    return std::nullopt;
}

} // namespace zarn
