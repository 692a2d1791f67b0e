#include "../unit/VirtualMachineFixture.h"
#include "ContractEnvironment.h"

namespace lorvel::contract {

namespace {

class VirtualEnvironment final : public ContractEnvironment {
public:
    VirtualEnvironment()
    {
        machine_.platform.files.CreateFolder("C:\\SCRATCH");
    }
    platform::Platform& Services() override { return machine_.platform; }
    const std::string& Scratch() const override { return scratch_; }
    const std::string& ScratchKey() const override { return key_; }

private:
    testing::TestMachine machine_;
    std::string scratch_ = "C:\\SCRATCH\\";
    std::string key_ = "Software\\LorvelContract\\Run";
};

}  // namespace

std::unique_ptr<ContractEnvironment> MakeContractEnvironment() { return std::make_unique<VirtualEnvironment>(); }

}  // namespace lorvel::contract
