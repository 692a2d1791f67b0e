// A library an attacker leaves beside SETUP.EXE under the name of a system library
// that is no known DLL (VERSION.dll, LZ32.dll). It leaves marks the test looks for
// in C:\e2e-planted: "<its file name>.loaded" when it is loaded at all, and
// "<its file name>.called" when the program's own code calls one of its entry points
// (PlantedVersion.cpp, PlantedLz32.cpp), which only fail.
#include <windows.h>

namespace {

HINSTANCE g_instance = nullptr;

void LeaveMark(const wchar_t* suffix)
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(g_instance, path, MAX_PATH);
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\') name = p + 1;
    ::CreateDirectoryW(L"C:\\e2e-planted", nullptr);
    wchar_t mark[MAX_PATH] = L"C:\\e2e-planted\\";
    lstrcatW(mark, name);
    lstrcatW(mark, suffix);
    const HANDLE file = ::CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

}  // namespace

// Marks a call whose caller lies in the program's own image.
extern "C" void PlantedCalled(void* returnAddress)
{
    HMODULE caller = nullptr;
    if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<LPCWSTR>(returnAddress), &caller) &&
        caller == ::GetModuleHandleW(nullptr))
        LeaveMark(L".called");
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        LeaveMark(L".loaded");
    }
    return TRUE;
}
