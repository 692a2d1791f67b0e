// Where the program's code comes from. It runs as administrator from a folder that is
// often writable by any program of the user (a Downloads folder, a medium copied to
// the desktop), and Windows looks for a library in the program's own folder before
// the system folder unless the library is one of the system's known DLLs. So the
// program imports statically only known DLLs, takes every other system library from
// the system folder by its full path, and narrows the search for the rest of the run.
#pragma once

#include "platform/win32/WindowsSupport.h"

namespace lorvel::win32 {

// Limits every later library search of the process to the system folder; the first
// thing the program does. Where the system lacks SetDefaultDllDirectories, at least
// the current folder leaves the search.
void RestrictLibrarySearch();

// A library of the system folder, loaded by its full path; null when it is missing.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A component the install brought, by the full path it was given: its own folder,
// which the install wrote, and the system folder supply what it imports. Null, with
// the last error set, for a path that is not a full one or a library that fails.
HMODULE LoadComponentLibrary(const std::wstring& path);

// The entry points of version.dll the program uses, loaded on first need.
struct VersionFunctions {
    DWORD(WINAPI* getSize)(LPCWSTR, LPDWORD) = nullptr;
    BOOL(WINAPI* getInfo)(LPCWSTR, DWORD, DWORD, LPVOID) = nullptr;
    BOOL(WINAPI* query)(LPCVOID, LPCWSTR, LPVOID*, PUINT) = nullptr;
    bool Loaded() const { return getSize && getInfo && query; }
};
const VersionFunctions& Version();

// The entry points of lz32.dll the program uses, loaded on first need.
struct LzFunctions {
    INT(WINAPI* expandedName)(LPWSTR, LPWSTR) = nullptr;
    INT(WINAPI* open)(LPWSTR, LPOFSTRUCT, WORD) = nullptr;
    LONG(WINAPI* copy)(INT, INT) = nullptr;
    void(WINAPI* close)(INT) = nullptr;
    bool Loaded() const { return expandedName && open && copy && close; }
};
const LzFunctions& Lz();

}  // namespace lorvel::win32
