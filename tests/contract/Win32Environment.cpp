#include <random>

#include "ContractEnvironment.h"
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
    }
    platform::Platform& Services() override { return services_; }
    const std::string& Scratch() const override { return scratch_; }
    const std::string& ScratchKey() const override { return key_; }
    bool UnderWine() const override
    {
        HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }

private:
    platform::win32::Win32Platform real_;
    platform::Platform services_;
    std::string scratch_;
    std::string key_;
};

}  // namespace

std::unique_ptr<ContractEnvironment> MakeContractEnvironment() { return std::make_unique<Win32Environment>(); }

}  // namespace lorvel::contract
