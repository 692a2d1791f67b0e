#include "VirtualMachineFixture.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "SimulatedStartupContext.h"
#include "util/ShiftJisText.h"

namespace lorvel::testing {

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lorvel-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchFolder::ScratchFolder(const std::filesystem::path& from) : ScratchFolder()
{
    std::filesystem::copy(from, path_,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

TestMachine::TestMachine(platform::virt::MachineConfig config)
    : machine(scratch.Path(), std::move(config)), platform(machine.AsPlatform())
{
}

TestMachine::TestMachine(const std::filesystem::path& from, platform::virt::MachineConfig config)
    : scratch(from), machine(scratch.Path(), std::move(config)), platform(machine.AsPlatform())
{
}

void TestMachine::Put(const std::string& path, const std::string& content)
{
    const auto host = machine.HostPath(path);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << content;
}

void TestMachine::SwapForLink(const std::string& folder, const std::string& target)
{
    std::filesystem::rename(machine.HostPath(folder), machine.HostPath(folder + ".AWAY"));
    machine.MakeFolderLink(folder, target);
}

std::string TestMachine::Get(const std::string& path)
{
    // Read on the host, so a file locked or denied on the machine still shows what it holds.
    std::ifstream in(machine.HostPath(path), std::ios::binary);
    if (!in || std::filesystem::is_directory(machine.HostPath(path))) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> HostTree(platform::virt::VirtualMachine& machine,
                                            const std::function<bool(const std::string& relative)>& skip)
{
    machine.Save();
    std::map<std::string, std::string> tree;
    const std::filesystem::path& root = machine.Root();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string relative = std::filesystem::relative(entry.path(), root).generic_string();
        if (skip(relative)) continue;
        if (entry.is_directory()) {
            tree[relative] = "<dir>";
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        tree[relative] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return tree;
}

SetupContext TestMachine::StartupContext()
{
    return SimulatedStartupContext(platform.shell);
}

}  // namespace lorvel::testing
