// The entry points of VERSION.dll the program would import, each failing. Without
// <windows.h>, whose declarations of them would clash.
#define PLANTED extern "C" __declspec(dllexport)
#define MARK PlantedCalled(__builtin_return_address(0))

extern "C" void PlantedCalled(void* returnAddress);

PLANTED unsigned long __stdcall GetFileVersionInfoSizeW(const wchar_t*, unsigned long*)
{
    return MARK, 0;
}
PLANTED int __stdcall GetFileVersionInfoW(const wchar_t*, unsigned long, unsigned long, void*)
{
    return MARK, 0;
}
PLANTED int __stdcall VerQueryValueW(const void*, const wchar_t*, void**, unsigned*)
{
    return MARK, 0;
}
