// The one header that includes <windows.h>, with the settings every Win32 file shares.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif
#ifndef _WIN32_IE
#define _WIN32_IE 0x0600
#endif

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <lzexpand.h>
#include <sddl.h>

#include <string>

namespace lorvel::win32 {

// Shift-JIS bytes to UTF-16 and back; the program's strings are code page 932
// whatever the code page of the Windows it runs on.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);
std::string Narrow(const wchar_t* text);
// For the few "A" interfaces that read their texts in the system's code page: a wide
// text handed beside them must be read the same way to name the same thing.
std::wstring WideFromSystemCodePage(const std::string& text);

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
