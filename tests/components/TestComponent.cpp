// Self-registering test components for the tests under Wine. Built three ways:
// COMPONENT_FAILS makes DllRegisterServer return 1; COMPONENT_NO_ENTRY exports
// nothing. A working one notes each call under the current user's key
// Software\LorvelTestComponents, value = its own path, data "registered" or "unregistered".
#include <windows.h>

namespace {

HMODULE g_module = nullptr;

[[maybe_unused]] void Note(const wchar_t* what)
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(g_module, path, MAX_PATH);
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\LorvelTestComponents", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key, path, 0, REG_SZ, reinterpret_cast<const BYTE*>(what),
                     static_cast<DWORD>((wcslen(what) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

#ifndef COMPONENT_NO_ENTRY
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    Note(L"registered");
#ifdef COMPONENT_FAILS
    return 1;
#else
    return 0;
#endif
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    Note(L"unregistered");
    return 0;
}
#endif
