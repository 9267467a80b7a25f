#include "link/LinkPorts.h"

namespace zarn {

int portNumberFromName(std::string_view name)
{
    const auto m = name.find('M');
    if (m == std::string_view::npos)
        return -1;
    std::uint8_t value = 0;
    for (std::size_t i = m + 1; i < name.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9')
            break;
        value = static_cast<std::uint8_t>(value * 10 + (c - '0'));
    }
    return value;
}

} // namespace zarn
