// The console and the file names of a Japanese Windows are code page 932.
#include "platform/win32/WindowsSupport.h"

#include "HostText.h"

namespace lorvel::tool {

std::string ShiftJisToTerminal(const std::string& sjis)
{
    return sjis;
}

// A character the console cannot show becomes the code page's default, not the end of the report.
std::string Utf8ToTerminal(const std::string& utf8)
{
    if (utf8.empty()) return utf8;
    const int size = static_cast<int>(utf8.size());
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (wide <= 0) return utf8;
    std::wstring middle(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, middle.data(), wide);
    const int bytes = ::WideCharToMultiByte(932, 0, middle.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return utf8;
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(932, 0, middle.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string ShiftJisToHostName(const std::string& sjis)
{
    return sjis;
}

bool ErrorStreamIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace lorvel::tool
