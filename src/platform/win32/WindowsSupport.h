// The helpers every Win32 file shares, over the system headers of WindowsHeaders.h.
#pragma once

#include "platform/WindowsHeaders.h"

#include <optional>
#include <string>
#include <string_view>

namespace lorvel::win32 {

// Shift-JIS bytes to UTF-16 and back; the program's strings are code page 932
// whatever the code page of the Windows it runs on. A text converts exactly or not
// at all: nullopt for bytes that are no Shift-JIS (a lead byte without its trail, a
// code that is no character) and for a character with no Shift-JIS code. The
// system's best fit would give a near character instead, and a near name is another
// file: U+00A5 YEN SIGN would become 0x5C, "\", so "C:\A<U+00A5>B" would name B in A.
//   ExactNarrow(L"C:\\\x8868") => "C:\\\x95\x5C"     ExactNarrow(L"\xA5") => nullopt
//   ExactWide("A\x81")         => nullopt            ExactWide("")        => L""
std::optional<std::wstring> ExactWide(std::string_view text);
std::optional<std::string> ExactNarrow(std::wstring_view text);
// The same with "" for a text that does not convert: an empty name names no file, so
// a call given one fails where a near name would have reached another file.
std::wstring Wide(const std::string& text);
std::string Narrow(std::wstring_view text);
std::string Narrow(const wchar_t* text);
// For texts that are only read by a person (captions, messages, the system's error
// texts), never for names: what does not convert shows as the default character.
std::wstring ShownWide(const std::string& text);
std::string ShownNarrow(std::wstring_view text);
// For the few "A" interfaces that read their texts in the system's code page: a wide
// text handed beside them must be read the same way to name the same thing.
std::optional<std::wstring> ExactWideFromSystemCodePage(std::string_view text);

// A name (a path, a registry key or value) as the system takes it, or the error the
// system gives for one it cannot take: ERROR_NO_UNICODE_TRANSLATION for bytes that
// are no Shift-JIS, ERROR_INVALID_NAME for a NUL, which would end the name early and
// so name another file.
class WideName {
public:
    explicit WideName(std::string_view text);
    DWORD Error() const { return error_; }
    const wchar_t* Get() const { return text_.c_str(); }
    const std::wstring& Text() const { return text_; }

private:
    std::wstring text_;
    DWORD error_ = ERROR_SUCCESS;
};

// Closes a handle on every path out of a scope.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr)
    {
        if (Valid()) ::CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

class UniqueFindHandle {
public:
    explicit UniqueFindHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueFindHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
    }
    UniqueFindHandle(const UniqueFindHandle&) = delete;
    UniqueFindHandle& operator=(const UniqueFindHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

class UniqueHKey {
public:
    UniqueHKey() = default;
    ~UniqueHKey()
    {
        if (key_) ::RegCloseKey(key_);
    }
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace lorvel::win32
