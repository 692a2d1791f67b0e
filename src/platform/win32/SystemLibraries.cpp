// Win32 calls only: the library search and the system libraries loaded at run time.
#include "platform/win32/SystemLibraries.h"

#include <cwctype>

namespace lorvel::win32 {

namespace {

// Not in the oldest headers the program builds against.
constexpr DWORD kSearchDllLoadDir = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;    // LOAD_LIBRARY_SEARCH_SYSTEM32

template <typename Function>
Function Entry(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

HMODULE Kernel()
{
    return ::GetModuleHandleW(L"kernel32.dll");
}

// Whether the search flags of LoadLibraryEx are there (Windows 8, or 7 with its
// update): the same update brings SetDefaultDllDirectories.
bool HasSearchFlags()
{
    return Entry<FARPROC>(Kernel(), "SetDefaultDllDirectories") != nullptr;
}

bool IsFullPath(const std::wstring& path)
{
    if (path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'))
        return true;
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\';
}

}  // namespace

void RestrictLibrarySearch()
{
    using SetDefaultFn = BOOL(WINAPI*)(DWORD);
    using SetDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    if (const auto setDefault = Entry<SetDefaultFn>(Kernel(), "SetDefaultDllDirectories"))
        if (setDefault(kSearchSystem32)) return;
    if (const auto setDirectory = Entry<SetDirectoryFn>(Kernel(), "SetDllDirectoryW")) setDirectory(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    if (path.back() != L'\\') path.push_back(L'\\');
    path += name;
    return ::LoadLibraryExW(path.c_str(), nullptr, HasSearchFlags() ? kSearchSystem32 : 0);
}

HMODULE LoadComponentLibrary(const std::wstring& path)
{
    if (!IsFullPath(path)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A library that cannot be found must not bring up the system's own error box.
    const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD flags = HasSearchFlags() ? kSearchDllLoadDir | kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, flags);
    ::SetErrorMode(previous);
    return module;
}

const VersionFunctions& Version()
{
    static const VersionFunctions functions = [] {
        VersionFunctions f;
        // Kept for the life of the process, as a static import would be.
        const HMODULE module = LoadSystemLibrary(L"version.dll");
        f.getSize = Entry<decltype(f.getSize)>(module, "GetFileVersionInfoSizeW");
        f.getInfo = Entry<decltype(f.getInfo)>(module, "GetFileVersionInfoW");
        f.query = Entry<decltype(f.query)>(module, "VerQueryValueW");
        return f;
    }();
    return functions;
}

const LzFunctions& Lz()
{
    static const LzFunctions functions = [] {
        LzFunctions f;
        const HMODULE module = LoadSystemLibrary(L"lz32.dll");
        f.expandedName = Entry<decltype(f.expandedName)>(module, "GetExpandedNameW");
        f.open = Entry<decltype(f.open)>(module, "LZOpenFileW");
        f.copy = Entry<decltype(f.copy)>(module, "LZCopy");
        f.close = Entry<decltype(f.close)>(module, "LZClose");
        return f;
    }();
    return functions;
}

}  // namespace lorvel::win32
