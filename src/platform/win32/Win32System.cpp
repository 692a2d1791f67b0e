// Win32 calls only: version, folders, the running program, error texts, mutex, time.
#include <vector>

#include "platform/win32/SystemLibraries.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"
#include "util/PeImage.h"

namespace lorvel::platform::win32 {

using lorvel::win32::Narrow;
using lorvel::win32::Wide;

namespace {

class Win32Mutex final : public NamedMutex {
public:
    explicit Win32Mutex(HANDLE handle) : handle_(handle) {}

private:
    lorvel::win32::UniqueHandle handle_;
};

// A folder with no Shift-JIS name is told as none, as when the call fails: start-up
// takes "" for a folder the system did not give, where a near name would be another
// folder, perhaps one anybody may write.
template <typename Query>
std::string Folder(Query query)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = query(buffer, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return {};
    return Narrow(std::wstring(buffer, length));
}

class Win32System final : public System {
public:
    std::optional<OsVersion> GetVersion() override
    {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!::GetVersionExW(&info)) return std::nullopt;
        return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
    }

    std::string GetWindowsFolder() override
    {
        // The system's own Windows folder: on a Remote Desktop host a program not
        // marked as knowing it is given the user's private one, which the user can
        // write. Looked up, for systems before the call existed.
        using Query = UINT(WINAPI*)(LPWSTR, UINT);
        const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetSystemWindowsDirectoryW")));
        if (query) return Folder([query](wchar_t* b, UINT n) { return query(b, n); });
        return Folder([](wchar_t* b, UINT n) { return ::GetWindowsDirectoryW(b, n); });
    }

    std::string GetSystemFolder() override
    {
        return Folder([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); });
    }

    std::string GetSystemWow64Folder() override
    {
        // Looked up: older 32-bit systems have no such call, and no such folder.
        using Query = UINT(WINAPI*)(LPWSTR, UINT);
        const auto query = reinterpret_cast<Query>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetSystemWow64DirectoryW")));
        if (!query) return {};
        return Folder([query](wchar_t* b, UINT n) { return query(b, n); });
    }

    std::string GetOtherProgramFilesFolder() override
    {
        // Windows sets both for every process on 64-bit Windows, and neither on 32-bit.
        const wchar_t* name = sizeof(void*) == 8 ? L"ProgramFiles(x86)" : L"ProgramW6432";
        return Folder([name](wchar_t* b, UINT n) { return ::GetEnvironmentVariableW(name, b, n); });
    }

    std::string GetTempFolder() override
    {
        return Folder([](wchar_t* b, UINT n) { return static_cast<UINT>(::GetTempPathW(n, b)); });
    }

    std::string GetProgramPath() override
    {
        std::vector<wchar_t> buffer(32768);
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0 || length >= buffer.size()) return {};
        return Narrow(std::wstring_view(buffer.data(), length));  // "" as for a folder
    }

    std::optional<std::string> GetProgramSection(const std::string& name) override
    {
        const auto* base = reinterpret_cast<const char*>(::GetModuleHandleW(nullptr));
        if (base == nullptr) return std::nullopt;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const std::string_view image(base, nt->OptionalHeader.SizeOfImage);
        const auto section = FindPeSection(image, name, PeLayout::Mapped);
        if (!section) return std::nullopt;
        return std::string(*section);
    }

    // A command line that has no Shift-JIS form is taken as none: its record path
    // would otherwise be read as a near path, another file.
    std::string GetProgramCommandLine() override { return Narrow(::GetCommandLineW()); }

    std::optional<std::string> GetFileVersionString(const std::string& path) override
    {
        const lorvel::win32::VersionFunctions& version = lorvel::win32::Version();
        if (!version.Loaded()) return std::nullopt;
        const std::wstring file = Wide(path);
        DWORD handle = 0;
        const DWORD size = version.getSize(file.c_str(), &handle);
        if (size == 0) return std::nullopt;
        std::vector<BYTE> data(size);
        if (!version.getInfo(file.c_str(), 0, size, data.data())) return std::nullopt;
        wchar_t* text = nullptr;
        UINT length = 0;
        if (!version.query(data.data(), L"\\StringFileInfo\\041103a4\\FileVersion", reinterpret_cast<void**>(&text),
                           &length) ||
            !text)
            return std::string();
        return Narrow(text);
    }

    std::string GetErrorText(ErrorCode code) override
    {
        wchar_t buffer[257] = {};
        const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                              0, buffer, 256, nullptr);
        return lorvel::win32::ShownNarrow(std::wstring_view(buffer, length));
    }

    bool IsDoubleByteSystem() override { return ::GetSystemMetrics(SM_DBCSENABLED) != 0; }

    std::string MapTextBySystem(const std::string& text, std::uint32_t flags) override
    {
        const int length = static_cast<int>(text.size());
        const int size = ::LCMapStringA(LOCALE_SYSTEM_DEFAULT, flags, text.data(), length, nullptr, 0);
        if (size <= 0) return text;
        std::string mapped(static_cast<std::size_t>(size) + 1, '\0');
        if (!::LCMapStringA(LOCALE_SYSTEM_DEFAULT, flags, text.data(), length, mapped.data(), size)) return text;
        return std::string(mapped.c_str());
    }

    std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name) override
    {
        const lorvel::win32::WideName wide(name);
        if (wide.Error()) return nullptr;
        HANDLE handle = ::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, wide.Get());
        return handle ? std::make_unique<Win32Mutex>(handle) : nullptr;
    }

    std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name) override
    {
        const lorvel::win32::WideName wide(name);
        if (wide.Error()) return nullptr;
        HANDLE handle = ::CreateMutexW(nullptr, FALSE, wide.Get());
        return handle ? std::make_unique<Win32Mutex>(handle) : nullptr;
    }

    std::uint32_t ToLocalDosDateTime(std::uint64_t fileTime) override
    {
        FILETIME utc{static_cast<DWORD>(fileTime & 0xFFFFFFFFu), static_cast<DWORD>(fileTime >> 32)};
        FILETIME local{};
        WORD date = 0, time = 0;
        if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToDosDateTime(&local, &date, &time)) return 0;
        return (static_cast<std::uint32_t>(date) << 16) | time;
    }

    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
    std::uint32_t GetTickCount() override { return ::GetTickCount(); }

    std::uint64_t GetUnforeseeableNumber() override
    {
        ULONGLONG number = 0;
        // Without the system's source a clock is the best left; the names it makes
        // are still created new, so a name taken first is only skipped.
        if (!::RtlGenRandom(&number, sizeof number))
            number = static_cast<ULONGLONG>(::GetTickCount()) ^ (static_cast<ULONGLONG>(::GetCurrentProcessId()) << 32);
        return number;
    }

    std::uint64_t GetMicroseconds() override
    {
        // The counter's frequency is fixed at boot.
        static const auto perSecond = [] {
            LARGE_INTEGER frequency{};
            return ::QueryPerformanceFrequency(&frequency) ? static_cast<std::uint64_t>(frequency.QuadPart) : 0u;
        }();
        LARGE_INTEGER count{};
        ::QueryPerformanceCounter(&count);
        const auto ticks = static_cast<std::uint64_t>(count.QuadPart);
        if (perSecond == 0) return static_cast<std::uint64_t>(::GetTickCount()) * 1000u;  // before XP only
        // In two parts, so the product cannot overflow after a long uptime.
        return ticks / perSecond * 1000000u + ticks % perSecond * 1000000u / perSecond;
    }

    LocalTime GetLocalTime() override
    {
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    }

    std::optional<std::string> ShiftJisToUtf8(const std::string& text) override { return Convert(932, 65001, text); }
    std::optional<std::string> Utf8ToShiftJis(const std::string& text) override { return Convert(65001, 932, text); }

private:
    // Strictly: a byte sequence either side cannot read, or a character the target
    // lacks, fails the whole conversion instead of turning into a look-alike.
    static std::optional<std::string> Convert(UINT from, UINT to, const std::string& text)
    {
        if (text.empty()) return std::string();
        const int size = static_cast<int>(text.size());
        const int wideLength = ::MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
        if (wideLength <= 0) return std::nullopt;
        std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
        ::MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wideLength);
        // UTF-8 can hold whatever UTF-16 came from a code page; only the way back can lose.
        const DWORD flags = to == 65001 ? 0 : WC_NO_BEST_FIT_CHARS;
        BOOL lossy = FALSE;
        BOOL* lossyFlag = to == 65001 ? nullptr : &lossy;
        const int length = ::WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, nullptr, lossyFlag);
        if (length <= 0 || lossy) return std::nullopt;
        std::string converted(static_cast<std::size_t>(length), '\0');
        ::WideCharToMultiByte(to, flags, wide.data(), wideLength, converted.data(), length, nullptr, lossyFlag);
        return converted;
    }
};

}  // namespace

std::unique_ptr<System> MakeWin32System()
{
    return std::make_unique<Win32System>();
}

}  // namespace lorvel::platform::win32
