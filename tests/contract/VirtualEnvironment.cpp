#include <fstream>

#include "../unit/VirtualMachineFixture.h"
#include "ContractEnvironment.h"

namespace lorvel::contract {

namespace {

class VirtualEnvironment final : public ContractEnvironment {
public:
    // The machine the shipped 32-bit program mostly meets: 64-bit Windows.
    VirtualEnvironment() : machine_(Wow64Machine()) { machine_.platform.files.CreateFolder("C:\\SCRATCH"); }
    platform::Platform& Services() override { return machine_.platform; }
    const std::string& Scratch() const override { return scratch_; }
    const std::string& ScratchKey() const override { return key_; }

    bool PlaceFileNamedInUtf8(const std::string& folder, const std::string& utf8Name) override
    {
        // The host's names are UTF-8 already.
        std::ofstream file(machine_.machine.HostPath(folder) / utf8Name, std::ios::binary);
        file << "x";
        return static_cast<bool>(file);
    }

    void PlaceComponent(Component kind, const std::string& path) override
    {
        const char* exports = kind == Component::Registers       ? "DllRegisterServer=0\nDllUnregisterServer=0\n"
                              : kind == Component::RegisterFails ? "DllRegisterServer=1\nDllUnregisterServer=0\n"
                                                                 : "";
        machine_.platform.files.WriteWholeFile(path, std::string("MZ") + exports);
    }

    std::string ComponentState(const std::string& path) override
    {
        std::string state;
        for (const std::string& entry : machine_.machine.Journal()) {
            if (entry == "call " + path + " DllRegisterServer") state = "registered";
            if (entry == "call " + path + " DllUnregisterServer") state = "unregistered";
        }
        return state;
    }

    void MakeFolderLink(const std::string& link, const std::string& target) override
    {
        machine_.machine.MakeFolderLink(link, target);
    }
    void MakeFileLink(const std::string& link, const std::string& target) override
    {
        machine_.machine.MakeFileLink(link, target);
    }

    std::vector<std::string> FolderTrustees(const std::string& folder) override
    {
        return machine_.machine.FolderTrustees(folder);
    }

    bool Wow64() const override { return true; }

private:
    static platform::virt::MachineConfig Wow64Machine()
    {
        platform::virt::MachineConfig config;
        config.wow64 = true;
        return config;
    }

    testing::TestMachine machine_;
    std::string scratch_ = "C:\\SCRATCH\\";
    std::string key_ = "Software\\LorvelContract\\Run";
};

}  // namespace

std::unique_ptr<ContractEnvironment> MakeContractEnvironment()
{
    return std::make_unique<VirtualEnvironment>();
}

}  // namespace lorvel::contract
