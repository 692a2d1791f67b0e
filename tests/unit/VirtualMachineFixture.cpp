#include "VirtualMachineFixture.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "util/StrOp.h"

namespace lorvel::testing {

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lorvel-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
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

void TestMachine::Put(const std::string& path, const std::string& content)
{
    const auto host = machine.HostPath(path);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << content;
}

std::string TestMachine::Get(const std::string& path)
{
    // Read on the host, so a file locked or denied on the machine still shows what it holds.
    std::ifstream in(machine.HostPath(path), std::ios::binary);
    if (!in || std::filesystem::is_directory(machine.HostPath(path))) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

SetupContext TestMachine::StartupContext()
{
    using namespace platform;
    SetupContext c;
    const auto folder = [this](int id) { return AddPathDelim(platform.shell.GetSpecialFolder(id), "B"); };
    c.windowsFolder = "C:\\WINDOWS\\";
    c.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    c.tempFolder = "C:\\WINDOWS\\TEMP\\";
    c.programFilesFolder = "C:\\Program Files\\";
    c.bootDrive = "C:\\";
    c.setupSpeed = 1;
    c.startMenuFolder = folder(csidl::kStartMenu);
    c.programsFolder = folder(csidl::kPrograms);
    c.desktopFolder = folder(csidl::kDesktopDirectory);
    c.startupFolder = folder(csidl::kStartup);
    c.sendToFolder = folder(csidl::kSendTo);
    c.commonStartMenuFolder = folder(csidl::kCommonStartMenu);
    c.commonProgramsFolder = folder(csidl::kCommonPrograms);
    c.commonDesktopFolder = folder(csidl::kCommonDesktopDirectory);
    c.commonStartupFolder = folder(csidl::kCommonStartup);
    return c;
}

}  // namespace lorvel::testing
