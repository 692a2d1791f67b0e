// How many file-system calls the install and the uninstall make per file, by kind:
// 1,000 small files in one flat folder on the simulated machine, the calls counted
// between the engine and the machine. Under Wine each call is a trip to the server
// whose cost grows with the folder, so this is the figure the real program's speed
// follows; the bare loops of bench/wine-speed-bench.sh make 2 (install) and 1
// (uninstall) per file.
#include <cstdio>
#include <string>

#include "../tests/unit/CountingFileSystem.h"
#include "../tests/unit/VirtualMachineFixture.h"
#include "QuietView.h"
#include "install/InstallRun.h"
#include "uninstall/UninstallRun.h"

namespace lorvel {
namespace {

constexpr int kFiles = 1000;

std::map<std::string, long> Install(testing::TestMachine& vm, int count)
{
    std::string script = "[Extend]\r\nSetupSpeed=1\r\n[CopyFile]\r\n";
    for (int i = 1; i <= count; ++i) {
        const std::string name = "F" + std::to_string(i) + ".DAT";
        vm.Put("E:\\" + name, "small file " + std::to_string(i));
        script += "File" + std::to_string(i) + "=(App)" + name + "\r\n";
    }
    vm.Put("C:\\WORK\\SETUP.INI", script);
    vm.Put("C:\\WORK\\SETUPB.EXE", "MZ");
    vm.platform.files.CreateFolder("C:\\APP");
    testing::CountingFileSystem counting(vm.platform.files);
    platform::Platform counted = testing::WithFiles(vm.platform, counting);
    ProfileStore profiles(counting, "C:\\WINDOWS");
    FileOps ops(counted);
    SetupContext context;
    context.sourceFolder = "E:\\";
    context.tempFolder = "C:\\WINDOWS\\TEMP\\";
    context.windowsFolder = "C:\\WINDOWS\\";
    context.workFolder = "C:\\WORK\\";
    context.scriptFile = "C:\\WORK\\SETUP.INI";
    context.setupSpeed = 1;
    QuietView view;
    SharedFiles shared(counted, true, nullptr);
    InstallRun({counted, profiles, ops, context, view, shared}).Run();
    return counting.calls;
}

std::map<std::string, long> Uninstall(testing::TestMachine& vm)
{
    vm.platform.files.Copy("C:\\APP\\UNSETUP.INI", "C:\\WORK\\UNSETUP.INI", false);
    testing::CountingFileSystem counting(vm.platform.files);
    platform::Platform counted = testing::WithFiles(vm.platform, counting);
    ProfileStore profiles(counting, "C:\\WINDOWS");
    FileOps ops(counted);
    SetupContext context;
    context.runMode = RunMode::Unsetup;
    context.windowsFolder = "C:\\WINDOWS\\";
    context.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    context.tempFolder = "C:\\WINDOWS\\TEMP\\";
    context.workFolder = "C:\\WORK\\";
    context.scriptFile = "C:\\WORK\\UNSETUP.INI";
    QuietView view;
    view.folder = "C:\\APP\\";
    SharedFiles shared(counted, false, nullptr);
    UninstallRun({counted, profiles, ops, context, view, shared}).Run();
    return counting.calls;
}

// The calls of a run of count files beyond those of a run of none, per file.
void Print(const char* run, const std::map<std::string, long>& many, const std::map<std::string, long>& none)
{
    double total = 0;
    std::printf("%s, calls per file:", run);
    for (const auto& [kind, count] : many) {
        const auto base = none.find(kind);
        const double perFile = static_cast<double>(count - (base == none.end() ? 0 : base->second)) / kFiles;
        if (perFile < 0.005) continue;
        std::printf(" %s %.2f", kind.c_str(), perFile);
        total += perFile;
    }
    std::printf("; in all %.2f\n", total);
}

}  // namespace
}  // namespace lorvel

int main()
{
    using namespace lorvel;
    testing::TestMachine emptyVm, fullVm;
    const auto installNone = Install(emptyVm, 0);
    const auto installMany = Install(fullVm, kFiles);
    const auto uninstallNone = Uninstall(emptyVm);
    const auto uninstallMany = Uninstall(fullVm);
    Print("install", installMany, installNone);
    Print("uninstall", uninstallMany, uninstallNone);
    return 0;
}
