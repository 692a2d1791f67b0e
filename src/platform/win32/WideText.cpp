// Win32 calls only: code page 932 and system code page conversions.
#include "platform/win32/WindowsSupport.h"

namespace lorvel::win32 {

constexpr UINT kShiftJis = 932;

namespace {

std::wstring WideFrom(UINT codePage, const std::string& text)
{
    if (text.empty()) return {};
    const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

}  // namespace

std::wstring Wide(const std::string& text) { return WideFrom(kShiftJis, text); }

std::wstring WideFromSystemCodePage(const std::string& text) { return WideFrom(CP_ACP, text); }

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(kShiftJis, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(kShiftJis, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                          nullptr);
    return narrow;
}

std::string Narrow(const wchar_t* text) { return text ? Narrow(std::wstring(text)) : std::string(); }

}  // namespace lorvel::win32
