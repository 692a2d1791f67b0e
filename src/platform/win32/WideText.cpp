// Win32 calls only: code page 932 and system code page conversions.
#include <algorithm>
#include <climits>

#include "platform/win32/WindowsSupport.h"

namespace lorvel::win32 {

constexpr UINT kShiftJis = 932;

namespace {

std::optional<std::wstring> ExactWideFrom(UINT codePage, std::string_view text)
{
    if (text.empty()) return std::wstring();
    if (text.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length) != length)
        return std::nullopt;
    return wide;
}

// usedDefault receives whether a character had no code of its own; the default
// character then stands in its place.
std::optional<std::string> NarrowTo(UINT codePage, std::wstring_view text, BOOL& usedDefault)
{
    usedDefault = FALSE;
    if (text.empty()) return std::string();
    if (text.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int length =
        ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, narrow.data(), length, nullptr,
                              &usedDefault) != length)
        return std::nullopt;
    return narrow;
}

}  // namespace

std::optional<std::wstring> ExactWide(std::string_view text)
{
    return ExactWideFrom(kShiftJis, text);
}

std::optional<std::string> ExactNarrow(std::wstring_view text)
{
    BOOL usedDefault = FALSE;
    std::optional<std::string> narrow = NarrowTo(kShiftJis, text, usedDefault);
    if (usedDefault) return std::nullopt;
    return narrow;
}

std::wstring Wide(const std::string& text)
{
    return ExactWide(text).value_or(std::wstring());
}

std::string Narrow(std::wstring_view text)
{
    return ExactNarrow(text).value_or(std::string());
}

std::string Narrow(const wchar_t* text)
{
    return text ? Narrow(std::wstring_view(text)) : std::string();
}

std::wstring ShownWide(const std::string& text)
{
    if (std::optional<std::wstring> exact = ExactWide(text)) return *std::move(exact);
    // Without the flag the system puts its default character where bytes are no
    // Shift-JIS, which is what a reader should see there.
    const int size = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
    const int length = ::MultiByteToWideChar(kShiftJis, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(kShiftJis, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string ShownNarrow(std::wstring_view text)
{
    BOOL usedDefault = FALSE;
    return NarrowTo(kShiftJis, text, usedDefault).value_or(std::string());
}

std::optional<std::wstring> ExactWideFromSystemCodePage(std::string_view text)
{
    return ExactWideFrom(CP_ACP, text);
}

WideName::WideName(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos) {
        error_ = ERROR_INVALID_NAME;
        return;
    }
    std::optional<std::wstring> wide = ExactWide(text);
    if (!wide) {
        error_ = ERROR_NO_UNICODE_TRANSLATION;
        return;
    }
    text_ = *std::move(wide);
}

}  // namespace lorvel::win32
