// One compressed file expanded the two ways a Windows build can: through the system's
// LZ32 exactly as SETUP.EXE calls it (the library loaded from the system folder,
// LZOpenFileW, LZCopy, LZClose and the check of the stated length), or through our own
// expander, reading the whole file and writing the result with WriteFile. Timed
// inside the process, so Wine's process start-up is not counted.
//   lz_throughput lz32 <compressed> <expanded>
//   lz_throughput ours <compressed> <expanded>
// Prints "<bytes written> <milliseconds>"; exits 1 when the expansion fails.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/Win32Platform.h"
#include "util/Szdd.h"

namespace {

double Now()
{
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; *text; ++text) out += static_cast<char>(*text);  // the benchmark's paths are ASCII
    return out;
}

bool ReadWhole(const wchar_t* path, std::string& bytes)
{
    const HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(file, &size) != 0;
    bytes.resize(ok ? static_cast<std::size_t>(size.QuadPart) : 0);
    DWORD got = 0;
    ok = ok && ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size();
    ::CloseHandle(file);
    return ok;
}

bool WriteWhole(const wchar_t* path, const std::string& bytes)
{
    const HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool ok =
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
    return ::CloseHandle(file) && ok;
}

long long SizeOf(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) return 2;
    const std::wstring verb = argv[1];
    double start = 0;
    bool ok = false;
    if (verb == L"lz32") {
        const auto lz = lorvel::platform::win32::MakeWin32Lz();
        start = Now();
        ok = lz->Expand(Narrow(argv[2]), Narrow(argv[3])) == lorvel::platform::kErrorSuccess;
    } else if (verb == L"ours") {
        start = Now();
        std::string compressed, expanded;
        ok = ReadWhole(argv[2], compressed) &&
             lorvel::ExpandSzdd(compressed, expanded) == lorvel::SzddResult::Expanded && WriteWhole(argv[3], expanded);
    } else {
        return 2;
    }
    const double elapsed = Now() - start;
    std::printf("%lld %.1f\n", SizeOf(argv[3]), elapsed);
    return ok ? 0 : 1;
}
