// The conversions the tool shares with the simulated machine, which keeps its names
// in UTF-8 on every host.
#include "HostText.h"

#include "platform/virtual/HostAccess.h"

namespace lorvel::tool {

std::optional<std::string> Utf8ToShiftJis(const std::string& utf8)
{
    if (utf8.empty()) return std::string();
    std::string sjis = platform::virt::Utf8ToShiftJis(utf8);
    if (sjis.empty()) return std::nullopt;
    return sjis;
}

std::string ShiftJisToUtf8(const std::string& sjis)
{
    std::string utf8 = platform::virt::ShiftJisToUtf8(sjis);
    return utf8.empty() ? sjis : utf8;
}

}  // namespace lorvel::tool
