// The least a copy or a delete of many small files can cost on this Windows: one
// existence check and one copy per file, or one deletion per file, or the pauses a
// run makes, timed inside the process so process start-up is not counted.
//   bare_loop copy <from folder> <to folder> <count>   F1.DAT ... F<count>.DAT
//   bare_loop copynew <from folder> <to folder> <count> one CopyFileW per file that only creates (fails
//                                                       if the file is there), with no check before it
//   bare_loop rawcopy <from> <to> <count>              the same with the copy written out: open, read,
//                                                       create, write, the source's time, close
//   bare_loop writeonly <from> <to> <count>            as an installer that carries its files inside
//                                                       itself: no source file, only the existence check,
//                                                       create, write and close
//   bare_loop delete <folder> <count>
//   bare_loop stat <folder> <count>                     one GetFileAttributesExW per file
//   bare_loop sleep <count>                             Sleep(1) count times
//   bare_loop hold                                      prints "ready", then waits for its input to end
//   bare_loop window <count>                            what a progress window costs per file: count times
//                                                       two label texts, a bar position, the pending
//                                                       messages, and Sleep(1), each timed apart
// Prints the elapsed milliseconds (window: "texts bar messages sleep"); exits 1 when
// a call fails.
#include <windows.h>
#include <commctrl.h>

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

std::wstring FileIn(const std::wstring& folder, int i)
{
    return folder + L"\\F" + std::to_wstring(i) + L".DAT";
}

void Pump()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// One file written by hand: from the source when one is named (its bytes and its time
// of last change), else the bytes of a small file from memory.
bool WriteOne(const std::wstring& from, const std::wstring& to)
{
    static char buffer[65536] = "small file data";
    ::GetFileAttributesW(to.c_str());
    HANDLE in = INVALID_HANDLE_VALUE;
    FILETIME written{};
    DWORD got = 15, put = 0;
    if (!from.empty()) {
        in = ::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (in == INVALID_HANDLE_VALUE || !::GetFileTime(in, nullptr, nullptr, &written) ||
            !::ReadFile(in, buffer, sizeof buffer, &got, nullptr)) {
            if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
            return false;
        }
    }
    HANDLE out = ::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = out != INVALID_HANDLE_VALUE;
    while (ok && got > 0) {
        ok = ::WriteFile(out, buffer, got, &put, nullptr) && put == got;
        if (ok && !from.empty() && got == sizeof buffer)
            ok = ::ReadFile(in, buffer, sizeof buffer, &got, nullptr) != 0;
        else
            got = 0;
    }
    ok = ok && (from.empty() || ::SetFileTime(out, nullptr, nullptr, &written));
    if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
    if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
    return ok;
}

// A shown window with a status label, a count label and a bar, as a progress window
// has, updated the way a copy loop updates it for each file.
int WindowCosts(int count)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    HWND window = ::CreateWindowExW(0, L"STATIC", L"progress", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200,
                                    nullptr, nullptr, nullptr, nullptr);
    HWND status =
        ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 380, 40, window, nullptr, nullptr, nullptr);
    HWND counter = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 60, 380, 20, window,
                                     nullptr, nullptr, nullptr);
    HWND bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 90, 380, 20, window, nullptr,
                                 nullptr, nullptr);
    if (!window || !status || !counter || !bar) return 1;
    Pump();
    double texts = 0, position = 0, messages = 0, pauses = 0;
    for (int i = 1; i <= count; ++i) {
        const std::wstring copying = L"Copying -> C:\\bench-target\\F" + std::to_wstring(i) + L".DAT";
        const std::wstring done =
            std::to_wstring(i * 100 / count) + L"%(" + std::to_wstring(i) + L"/" + std::to_wstring(count) + L")";
        double t = Now();
        ::SetWindowTextW(status, copying.c_str());
        ::SetWindowTextW(counter, done.c_str());
        texts += Now() - t;
        t = Now();
        ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(i * 100 / count), 0);
        position += Now() - t;
        t = Now();
        Pump();
        Pump();
        messages += Now() - t;
        t = Now();
        ::Sleep(1);
        pauses += Now() - t;
    }
    ::DestroyWindow(window);
    std::printf("%.1f %.1f %.1f %.1f\n", texts, position, messages, pauses);
    return 0;
}

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
        while (std::getchar() != EOF) {}
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"window") return WindowCosts(_wtoi(argv[2]));
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
    } else if (verb == L"copynew" && argc == 5) {
        const int count = _wtoi(argv[4]);
        for (int i = 1; i <= count && ok; ++i)
            ok = ::CopyFileW(FileIn(argv[2], i).c_str(), FileIn(argv[3], i).c_str(), TRUE) != 0;
    } else if ((verb == L"rawcopy" || verb == L"writeonly") && argc == 5) {
        const int count = _wtoi(argv[4]);
        const bool read = verb == L"rawcopy";
        for (int i = 1; i <= count && ok; ++i) ok = WriteOne(read ? FileIn(argv[2], i) : L"", FileIn(argv[3], i));
    } else if (verb == L"delete" && argc == 4) {
        const int count = _wtoi(argv[3]);
        for (int i = 1; i <= count && ok; ++i) ok = ::DeleteFileW(FileIn(argv[2], i).c_str()) != 0;
    } else if (verb == L"stat" && argc == 4) {
        const int count = _wtoi(argv[3]);
        WIN32_FILE_ATTRIBUTE_DATA data;
        for (int i = 1; i <= count && ok; ++i)
            ok = ::GetFileAttributesExW(FileIn(argv[2], i).c_str(), GetFileExInfoStandard, &data) != 0;
    } else if (verb == L"sleep" && argc == 3) {
        const int count = _wtoi(argv[2]);
        for (int i = 1; i <= count; ++i) ::Sleep(1);
    } else {
        return 2;
    }
    std::printf("%.1f\n", Now() - start);
    return ok ? 0 : 1;
}
