// The entry points of LZ32.dll the program would import, each failing. Without
// <windows.h>, whose declarations of them would clash.
#define PLANTED extern "C" __declspec(dllexport)
#define MARK PlantedCalled(__builtin_return_address(0))

extern "C" void PlantedCalled(void* returnAddress);

PLANTED int __stdcall GetExpandedNameW(wchar_t*, wchar_t*)
{
    return MARK, -1;
}
PLANTED int __stdcall LZOpenFileW(wchar_t*, void*, unsigned short)
{
    return MARK, -1;
}
PLANTED long __stdcall LZCopy(int, int)
{
    return MARK, -1;
}
PLANTED void __stdcall LZClose(int)
{
    MARK;
}
