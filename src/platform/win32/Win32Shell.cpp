// Win32 calls only: special folders, change notification, the restart dialog, opening files.
#include "platform/win32/Com.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

namespace lorvel::platform::win32 {

using lorvel::win32::ComPtr;
using lorvel::win32::Narrow;
using lorvel::win32::WideName;

namespace {

class Win32Shell final : public Shell {
public:
    std::string GetSpecialFolder(int id) override
    {
        ComPtr<IMalloc> allocator;
        if (FAILED(::SHGetMalloc(allocator.Put())) || !allocator) return {};
        std::string result;
        auto* buffer = static_cast<wchar_t*>(allocator->Alloc(MAX_PATH * sizeof(wchar_t)));
        if (buffer) {
            LPITEMIDLIST list = nullptr;
            if (SUCCEEDED(::SHGetSpecialFolderLocation(::GetDesktopWindow(), id, &list)) && list) {
                // A folder with no Shift-JIS name is none, as when the call fails.
                if (::SHGetPathFromIDListW(list, buffer)) result = Narrow(buffer);
                allocator->Free(list);
            }
            allocator->Free(buffer);
        }
        return result;
    }

    void ChangeNotify(long eventId, unsigned flags) override { ::SHChangeNotify(eventId, flags, nullptr, nullptr); }

    int RestartDialog(const std::string& prompt, int exitFlags) override
    {
        // Exported by ordinal only; the prompt is wide on the NT family.
        using RestartDialogFn = int(WINAPI*)(HWND, LPCWSTR, DWORD);
        HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
        if (!shell) shell = ::LoadLibraryW(L"shell32.dll");
        const auto restart = shell ? reinterpret_cast<RestartDialogFn>(
                                         reinterpret_cast<void*>(::GetProcAddress(shell, MAKEINTRESOURCEA(59))))
                                   : nullptr;
        if (!restart) return IDNO;
        const std::wstring text = lorvel::win32::ShownWide(prompt);
        return restart(::GetDesktopWindow(), prompt.empty() ? nullptr : text.c_str(), static_cast<DWORD>(exitFlags));
    }

    std::intptr_t OpenFile(const std::string& file, const std::string& parameters) override
    {
        // What cannot be converted is not started at all: a near name is another
        // program, near arguments another file for it. The shell's own code for that
        // is "file not found".
        const WideName path(file);
        const WideName arguments(parameters);
        if (path.Error() || arguments.Error()) return SE_ERR_FNF;
        const HINSTANCE result =
            ::ShellExecuteW(::GetDesktopWindow(), L"open", path.Get(), parameters.empty() ? nullptr : arguments.Get(),
                            nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<std::intptr_t>(result);
    }
};

}  // namespace

std::unique_ptr<Shell> MakeWin32Shell()
{
    return std::make_unique<Win32Shell>();
}

}  // namespace lorvel::platform::win32
