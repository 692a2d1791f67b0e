#include <random>

#include "ContractEnvironment.h"
#include "platform/win32/Com.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

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

    bool UnderWine() const override
    {
        HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }

private:
    // As in the program's entry: before the services, and gone after them.
    lorvel::win32::ComLibrary com_;
    platform::win32::Win32Platform real_;
    platform::Platform services_;
    std::string scratch_;
    std::string key_;
};

}  // namespace

std::unique_ptr<ContractEnvironment> MakeContractEnvironment() { return std::make_unique<Win32Environment>(); }

}  // namespace lorvel::contract
