// The host's terminal and file names are UTF-8.
#include <unistd.h>

#include "HostText.h"

namespace lorvel::tool {

std::string ShiftJisToTerminal(const std::string& sjis)
{
    return ShiftJisToUtf8(sjis);
}

std::string Utf8ToTerminal(const std::string& utf8)
{
    return utf8;
}

std::string ShiftJisToHostName(const std::string& sjis)
{
    return ShiftJisToUtf8(sjis);
}

bool ErrorStreamIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace lorvel::tool
