// The Windows build's conversions: Win32 calls only.
#include "platform/win32/WindowsSupport.h"

#include "HostText.h"

namespace lorvel::tool {

std::optional<std::string> Utf8ToShiftJis(const std::string& utf8)
{
    if (utf8.empty()) return std::string();
    const int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wide <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), wide);
    BOOL lost = FALSE;
    const int size = ::WideCharToMultiByte(932, 0, text.data(), wide, nullptr, 0, nullptr, &lost);
    if (size <= 0 || lost) return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(932, 0, text.data(), wide, out.data(), size, nullptr, nullptr);
    return out;
}

namespace {

std::string Recode(const std::string& text, UINT from, UINT to)
{
    if (text.empty()) return text;
    const int wide = ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return text;
    std::wstring middle(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), middle.data(), wide);
    const int size = ::WideCharToMultiByte(to, 0, middle.data(), wide, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return text;
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(to, 0, middle.data(), wide, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace

// The console of a Japanese Windows shows code page 932 as it is.
std::string ShiftJisToTerminal(const std::string& sjis) { return sjis; }

std::string ShiftJisToUtf8(const std::string& sjis) { return Recode(sjis, 932, CP_UTF8); }

std::string Utf8ToTerminal(const std::string& utf8) { return Recode(utf8, CP_UTF8, 932); }

std::string ShiftJisToHostName(const std::string& sjis) { return sjis; }

bool ErrorStreamIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace lorvel::tool
