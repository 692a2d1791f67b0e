// The host calls of the simulated machine on Windows, for the console tool: the
// machine's UTF-8 names become the system's UTF-16 ones at every call.
#include "platform/WindowsHeaders.h"
#include <algorithm>

#include "platform/virtual/HostAccess.h"

namespace lorvel::platform::virt {

namespace {

std::wstring FromCodePage(const std::string& text, UINT codePage)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int wide = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), wide);
    return out;
}

std::string ToCodePage(const std::wstring& text, UINT codePage)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    // UTF-8 takes every character; code page 932 is asked whether it had to guess.
    BOOL guessed = FALSE;
    BOOL* guess = codePage == CP_UTF8 ? nullptr : &guessed;
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int bytes = ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, guess);
    if (bytes <= 0 || guessed) return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring WideOf(const std::string& host)
{
    return FromCodePage(host, CP_UTF8);
}

std::uint64_t FileTimeValue(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FileTimeOf(std::uint64_t value)
{
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

// Folders are opened too, which takes the backup flag.
bool SetWriteTime(const std::wstring& path, std::uint64_t fileTime)
{
    const HANDLE handle = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const FILETIME time = FileTimeOf(fileTime);
    const bool set = ::SetFileTime(handle, nullptr, nullptr, &time) != 0;
    ::CloseHandle(handle);
    return set;
}

}  // namespace

std::filesystem::path HostFsPath(const std::string& host)
{
    return std::filesystem::path(WideOf(host));
}

std::string HostText(const std::filesystem::path& path)
{
    return ToCodePage(path.generic_wstring(), CP_UTF8);
}

bool StatHost(const std::string& host, HostStatus& status)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(WideOf(host).c_str(), GetFileExInfoStandard, &data)) return false;
    status.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.size = status.directory ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.writeTime = FileTimeValue(data.ftLastWriteTime);
    status.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return true;
}

void SetHostWriteTime(const std::string& host, std::uint64_t fileTime)
{
    SetWriteTime(WideOf(host), fileTime);
}

// The machine knows the size already; the system's copy finds it for itself.
bool CopyHostFile(const std::string& from, const std::string& to, std::uint64_t, std::uint64_t fileTime,
                  HostStatus& status)
{
    const std::wstring target = WideOf(to);
    return ::CopyFileW(WideOf(from).c_str(), target.c_str(), FALSE) && SetWriteTime(target, fileTime) &&
           StatHost(to, status);
}

bool WriteNewHostFile(const std::string& host, const std::string& bytes)
{
    const std::wstring name = WideOf(host);
    const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!::WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) break;
        done += wrote;
    }
    ::CloseHandle(file);
    if (done == bytes.size()) return true;
    ::DeleteFileW(name.c_str());
    return false;
}

bool ReplaceHostFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string ShiftJisToUtf8(const std::string& sjis)
{
    return ToCodePage(FromCodePage(sjis, 932), CP_UTF8);
}

std::string Utf8ToShiftJis(const std::string& utf8)
{
    return ToCodePage(FromCodePage(utf8, CP_UTF8), 932);
}

}  // namespace lorvel::platform::virt
