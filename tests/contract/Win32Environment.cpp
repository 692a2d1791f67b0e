#include <random>
#include <stdexcept>

#include "ContractEnvironment.h"
#include "platform/win32/Com.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

#include <aclapi.h>

namespace lorvel::contract {

namespace {

class Win32Environment final : public ContractEnvironment {
public:
    Win32Environment() : services_(real_.AsPlatform())
    {
        const std::string unique = std::to_string(std::random_device{}());
        scratch_ = services_.system.GetTempFolder() + "lorvel-contract-" + unique + "\\";
        key_ = "Software\\LorvelContract\\" + unique;
        services_.files.CreateFolder(scratch_);
    }
    ~Win32Environment() override
    {
        services_.files.ShellDelete(scratch_.substr(0, scratch_.size() - 1));
        services_.registry.DeleteKeyTree(platform::RootKey::CurrentUser, "Software\\LorvelContract");
        services_.registry.DeleteKeyTree(platform::RootKey::CurrentUser, "Software\\LorvelTestComponents");
    }
    platform::Platform& Services() override { return services_; }
    const std::string& Scratch() const override { return scratch_; }
    const std::string& ScratchKey() const override { return key_; }
    bool PlaceFileNamedInUtf8(const std::string& folder, const std::string& utf8Name) override
    {
        const int size = static_cast<int>(utf8Name.size());
        std::wstring name(static_cast<std::size_t>(size), L'\0');
        name.resize(static_cast<std::size_t>(
            ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Name.data(), size, name.data(), size)));
        if (name.empty()) return false;
        const lorvel::win32::UniqueHandle file(::CreateFileW((lorvel::win32::Wide(folder) + name).c_str(),
                                                             GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.Valid();
    }

    void PlaceComponent(Component kind, const std::string& path) override
    {
        const char* name = kind == Component::Registers       ? "component_ok.dll"
                           : kind == Component::RegisterFails ? "component_fails.dll"
                                                              : "component_noentry.dll";
        const std::string program = services_.system.GetProgramPath();
        const std::string built = program.substr(0, program.rfind('\\') + 1) + name;
        services_.files.Copy(built, path, false);
    }

    std::string ComponentState(const std::string& path) override
    {
        platform::RegValue value;
        if (services_.registry.ReadValue(platform::RootKey::CurrentUser, "Software\\LorvelTestComponents", path,
                                         value) != 0)
            return "";
        return value.data;
    }

    void MakeFolderLink(const std::string& link, const std::string& target) override { MakeLink(link, target, true); }
    void MakeFileLink(const std::string& link, const std::string& target) override { MakeLink(link, target, false); }

    std::vector<std::string> FolderTrustees(const std::string& folder) override
    {
        std::vector<std::string> trustees;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        std::wstring path = lorvel::win32::Wide(folder);
        if (::GetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &descriptor) != ERROR_SUCCESS)
            return trustees;
        for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
            void* ace = nullptr;
            if (!::GetAce(dacl, i, &ace)) continue;
            const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
            wchar_t* text = nullptr;
            if (!::ConvertSidToStringSidW(const_cast<DWORD*>(&allowed->SidStart), &text)) continue;
            trustees.push_back(lorvel::win32::Narrow(text));
            ::LocalFree(text);
        }
        ::LocalFree(descriptor);
        return trustees;
    }

    bool Wow64() const override
    {
        BOOL wow64 = FALSE;
        return sizeof(void*) == 4 && ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
    }

    bool UnderWine() const override
    {
        HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }

private:
    void MakeLink(const std::string& link, const std::string& target, bool folder)
    {
        const std::wstring at = lorvel::win32::Wide(link);
        const std::wstring to = lorvel::win32::Wide(target);
        using CreateLinkFn = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
        const auto create = reinterpret_cast<CreateLinkFn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
        constexpr DWORD kDirectory = 0x1, kUnprivileged = 0x2;
        if (create) create(at.c_str(), to.c_str(), (folder ? kDirectory : 0) | kUnprivileged);
        // Wine 8 answers that call with success and makes nothing; its programs can
        // start the host's own ln, and Wine reports the link as a reparse point.
        if (!Present(at) && UnderWine()) {
            RunHostLink(HostPath(to), HostPath(at));
            // Wine cannot wait for a host program: the link appears when ln is done.
            for (int tries = 0; tries < 500 && !Present(at); ++tries) ::Sleep(10);
        }
        if (!Present(at))
            throw std::runtime_error("no link made at " + link + ": error " + std::to_string(::GetLastError()));
    }

    // Whether anything is at a path, a link to nothing included.
    static bool Present(const std::wstring& path)
    {
        WIN32_FIND_DATAW found;
        const HANDLE search = ::FindFirstFileW(path.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        ::FindClose(search);
        return true;
    }

    static std::wstring HostPath(const std::wstring& windowsPath)
    {
        using UnixNameFn = char*(CDECL*)(LPCWSTR);
        const auto unixName = reinterpret_cast<UnixNameFn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        char* name = unixName ? unixName(windowsPath.c_str()) : nullptr;
        if (!name) throw std::runtime_error("no host path");
        std::wstring wide;
        for (const char* c = name; *c; ++c)
            wide.push_back(static_cast<unsigned char>(*c));  // the scratch paths are ASCII
        ::HeapFree(::GetProcessHeap(), 0, name);
        return wide;
    }

    static void RunHostLink(const std::wstring& target, const std::wstring& link)
    {
        std::wstring command = L"ln -s \"" + target + L"\" \"" + link + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process))
            return;
        ::WaitForSingleObject(process.hProcess, 10000);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }

    // As in the program's entry: before the services, and gone after them.
    lorvel::win32::ComLibrary com_;
    platform::win32::Win32Platform real_;
    platform::Platform services_;
    std::string scratch_;
    std::string key_;
};

}  // namespace

std::unique_ptr<ContractEnvironment> MakeContractEnvironment()
{
    return std::make_unique<Win32Environment>();
}

}  // namespace lorvel::contract
