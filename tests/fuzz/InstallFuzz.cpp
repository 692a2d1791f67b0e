// A fuzzed setup script, installed on the simulated machine from a medium with a
// plain, a compressed and a self-registering file. Whatever it holds, the run ends
// without a crash, a hang or an error of no standard kind; a file the script does
// not name by its name keeps its bytes; and a record it writes reads back with the
// setup folder it was installed into.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzMachine.h"
#include "install/InstallRun.h"
#include "run/FileOps.h"
#include "run/ProfileStore.h"
#include "run/SharedFiles.h"
#include "util/Szdd.h"

using namespace lorvel;
using namespace lorvel::fuzz;

namespace {

constexpr const char* kScript = "C:\\WINDOWS\\TEMP\\KRTMP1\\SETUP.INI";

// Files of the machine and of other programs, by their paths and their names.
const struct {
    const char* path;
    const char* name;
} kBystanders[] = {
    {"C:\\WINDOWS\\SYSTEM32\\KERNEL.DLL", "KERNEL.DLL"},
    {"C:\\WINDOWS\\WIN.INI", "WIN.INI"},
    {"C:\\OTHER\\KEEP.TXT", "KEEP.TXT"},
    {"C:\\USER\\DESKTOP\\OTHER.LNK", "OTHER"},
    {"C:\\APP\\OLD.DAT", "OLD.DAT"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzMachine fm;
    virt::VirtualMachine& m = fm.Reset();
    m.SetDisk('E', {.removable = true});
    fm.Put("E:\\A.TXT", "plain");
    fm.Put("E:\\B.EX_", CompressSzdd("MZ expanded", 'E'));
    fm.Put("E:\\C.DLL", "MZ\nDllRegisterServer=0\nDllUnregisterServer=0\n");
    fm.Put("C:\\WINDOWS\\TEMP\\KRTMP1\\SETUPB.EXE", "MZ the program");
    for (const auto& b : kBystanders) fm.Put(b.path, "another program's");
    const std::string script(reinterpret_cast<const char*>(data), size);
    fm.Put(kScript, script);

    Platform platform = m.AsPlatform();
    ProfileStore profiles(platform.files, "C:\\WINDOWS");
    SetupContext context = FuzzContext(platform.shell);
    context.scriptFile = kScript;
    context.sourceFolder = "E:\\";
    context.unSetupTitle = "Fuzz";
    context.programId = "Fuzz";
    YesView view;
    view.options.folderText = "C:\\APP";
    view.options.desktop = view.options.startMenu = view.options.startup = view.options.sendTo = true;
    FileOps ops(platform);
    SharedFiles shared(platform, true, nullptr);
    try {
        InstallRun({platform, profiles, ops, context, view, shared}).Run();
    } catch (const std::exception&) {
        // The general error report: the run ends there, which is allowed.
    }
    const std::string upper = UpperCase(script);
    for (const auto& b : kBystanders) {
        if (upper.find(b.name) != std::string::npos) continue;
        std::string bytes;
        if (platform.files.ReadWholeFile(b.path, bytes) != kErrorSuccess || bytes != "another program's")
            __builtin_trap();
    }
    if (platform.files.FileExists("C:\\APP\\UNSETUP.INI")) {
        ProfileStore fresh(platform.files, "C:\\WINDOWS");
        if (fresh.ReadProfile("SetupFolder", "Folder", "", "C:\\APP\\UNSETUP.INI") != "C:\\APP\\") __builtin_trap();
    }
    return 0;
}
