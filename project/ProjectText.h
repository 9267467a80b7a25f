#pragma once
// Texts the project commands share.

#include <string>

namespace zarn {

// A message with its detail on the next line, when there is one.
inline std::string withDetail(const std::string& message, const std::string& detail)
{
    return detail.empty() ? message : message + "\n" + detail;
}

} // namespace zarn
