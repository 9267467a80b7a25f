#include "cli/PortList.h"

#include "link/SystemPortListing.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>

namespace zarn::cli {

namespace {

    bool parseNumber(std::string_view text, int& value)
    {
        if (text.empty())
            return false;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        return ec == std::errc() && end == text.data() + text.size() && value >= 1 && value <= 255;
    }

} // namespace

std::string deviceOf(const LinkTarget& target)
{
    const std::string path = target.device.empty() ? devicePathForPort(target.port) : target.device;
    std::error_code ec;
    const auto real = std::filesystem::canonical(path, ec);
    return ec ? path : real.string();
}

std::optional<std::vector<int>> parsePortList(const std::string& text, std::string& error)
{
    const auto dash = text.find('-');
    int first = 0, last = 0;
    const bool ok = dash == std::string::npos ? parseNumber(text, first) && parseNumber(text, last)
                                              : parseNumber(std::string_view(text).substr(0, dash), first)
            && parseNumber(std::string_view(text).substr(dash + 1), last);
    if (!ok || last < first) {
        error = "--port " + text + ": give a port number N or a range A-B, from 1 to 255, A <= B";
        return std::nullopt;
    }
    std::vector<int> ports;
    for (int p = first; p <= last; ++p)
        ports.push_back(p);
    return ports;
}

std::optional<std::vector<LinkTarget>> linkTargets(
    const std::vector<std::string>& ports, const std::vector<std::string>& devices, std::string& error)
{
    std::vector<LinkTarget> targets;
    auto known = [&targets](const LinkTarget& t) {
        return std::any_of(targets.begin(), targets.end(),
            [&t](const LinkTarget& o) { return o.port == t.port && o.device == t.device; });
    };
    auto add = [&](LinkTarget t) {
        if (known(t)) {
            error = t.name() + " is named twice";
            return false;
        }
        targets.push_back(std::move(t));
        return true;
    };
    for (const std::string& text : ports) {
        const auto numbers = parsePortList(text, error);
        if (!numbers)
            return std::nullopt;
        for (int n : *numbers)
            if (!add(LinkTarget { n, {} }))
                return std::nullopt;
    }
    for (const std::string& path : devices) {
        if (path.empty()) {
            error = "--device needs a path";
            return std::nullopt;
        }
        if (!add(LinkTarget { 0, path }))
            return std::nullopt;
    }
    std::map<std::string, std::string> named;
    for (const LinkTarget& t : targets) {
        const std::string device = deviceOf(t);
        if (device.empty())
            continue;
        if (const auto [at, fresh] = named.emplace(device, t.name()); !fresh) {
            error = at->second + " and " + t.name() + " are the same device, " + device;
            return std::nullopt;
        }
    }
    return targets;
}

} // namespace zarn::cli
