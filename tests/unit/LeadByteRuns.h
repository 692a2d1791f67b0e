// Long runs of Shift-JIS lead bytes, for the path rules that must read them by parity.
#pragma once

#include <string>

namespace lorvel::testing {

inline std::string Leads(std::size_t count)
{
    return std::string(count, '\x81');
}

inline std::string Repeat(const std::string& unit, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += unit;
    return text;
}

}  // namespace lorvel::testing
