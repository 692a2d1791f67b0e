// The least a copy or a delete of many small files can cost on this Windows: one
// existence check and one copy per file, or one deletion per file, or the pauses a
// run makes, timed inside the process so process start-up is not counted.
//   bare_loop copy <from folder> <to folder> <count>   F1.DAT ... F<count>.DAT
//   bare_loop delete <folder> <count>
//   bare_loop sleep <count>                             Sleep(1) count times
//   bare_loop hold                                      prints "ready", then waits for its input to end
// Prints the elapsed milliseconds; exits 1 when a call fails.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

double Now()
{
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring FileIn(const std::wstring& folder, int i) { return folder + L"\\F" + std::to_wstring(i) + L".DAT"; }

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && std::wstring(argv[1]) == L"hold") {
        // Wine as Debian starts it ends the session, its services and the desktop
        // as soon as the last program ends, and the next program waits a second or
        // more for new ones. The desktop stays only for a program that joined it,
        // which the other verbs never do.
        ::GetDesktopWindow();
        std::printf("ready\n");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    if (argc < 3) return 2;
    const std::wstring verb = argv[1];
    const double start = Now();
    bool ok = true;
    if (verb == L"copy" && argc == 5) {
        const int count = _wtoi(argv[4]);
        for (int i = 1; i <= count && ok; ++i) {
            const std::wstring to = FileIn(argv[3], i);
            // The check an installer must make before it copies: is something there?
            ::GetFileAttributesW(to.c_str());
            ok = ::CopyFileW(FileIn(argv[2], i).c_str(), to.c_str(), FALSE) != 0;
        }
    } else if (verb == L"delete" && argc == 4) {
        const int count = _wtoi(argv[3]);
        for (int i = 1; i <= count && ok; ++i) ok = ::DeleteFileW(FileIn(argv[2], i).c_str()) != 0;
    } else if (verb == L"sleep" && argc == 3) {
        const int count = _wtoi(argv[2]);
        for (int i = 1; i <= count; ++i) ::Sleep(1);
    } else {
        return 2;
    }
    std::printf("%.1f\n", Now() - start);
    return ok ? 0 : 1;
}
