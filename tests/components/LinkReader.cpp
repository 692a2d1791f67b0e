// A console program for the checks under Wine: loads each shortcut file named on its
// command line through the shell's link object and prints, in UTF-8, one block per
// file:
//   Target=<path>
//   Arguments=<text>
//   WorkingDirectory=<folder>
// It reads through the wide interface, not the one SETUP.EXE writes through, so a
// name garbled between the code page and UTF-16 shows here as it would to the shell.
// Exit code 0 when every file loaded, 1 on a usage error, 2 when one did not.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

// Written as bytes: the C library's text mode would put a CR before every LF.
void Print(const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void Complain(const std::wstring& path, const char* what, HRESULT result)
{
    std::fprintf(stderr, "link_reader: %s: %s (0x%08lx)\n", Utf8(path.c_str()).c_str(), what,
                 static_cast<unsigned long>(result));
}

template <typename Interface>
struct Held {
    Interface* p = nullptr;
    ~Held()
    {
        if (p) p->Release();
    }
};

bool ReadLink(const std::wstring& path)
{
    Held<IShellLinkW> link;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                        reinterpret_cast<void**>(&link.p));
    if (FAILED(result)) {
        Complain(path, "no link object", result);
        return false;
    }
    Held<IPersistFile> file;
    result = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
    if (FAILED(result)) {
        Complain(path, "no IPersistFile", result);
        return false;
    }
    result = file.p->Load(path.c_str(), STGM_READ);
    if (FAILED(result)) {
        Complain(path, "cannot load", result);
        return false;
    }
    // A raw path: the link as saved, not resolved against this machine.
    wchar_t target[MAX_PATH * 2] = {};
    wchar_t arguments[INFOTIPSIZE + 1] = {};
    wchar_t folder[MAX_PATH * 2] = {};
    link.p->GetPath(target, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
    link.p->GetArguments(arguments, INFOTIPSIZE);
    link.p->GetWorkingDirectory(folder, MAX_PATH * 2);
    Print("Target=" + Utf8(target) + "\nArguments=" + Utf8(arguments) + "\nWorkingDirectory=" + Utf8(folder) + "\n");
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: link_reader <file.lnk>...\n");
        return 1;
    }
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "link_reader: COM did not start\n");
        return 2;
    }
    bool all = true;
    for (int i = 1; i < argc; ++i) all = ReadLink(argv[i]) && all;
    ::CoUninitialize();
    return all ? 0 : 2;
}
