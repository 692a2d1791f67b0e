// The uninstall engine's own cost per file on the simulated machine: a record of
// 1,000 and 10,000 small files in one folder, every one deleted, the folder and the
// setup folder removed. The growth from 1,000 to 10,000 is to stay within 12 times.
//
// Beside the run, every repetition deletes a bare host copy of the same files with
// one unlink each: the host's share, which no engine can avoid; the engine's own
// cost is the rest.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "../tests/unit/VirtualMachineFixture.h"
#include "QuietView.h"
#include "uninstall/UninstallRun.h"

namespace lorvel {
namespace {

double ProcessorMicroseconds()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    auto micro = [](const timeval& t) { return t.tv_sec * 1e6 + static_cast<double>(t.tv_usec); };
    return micro(usage.ru_utime) + micro(usage.ru_stime);
}

void WriteFiles(const std::filesystem::path& folder, int count)
{
    std::filesystem::create_directories(folder);
    for (int i = 1; i <= count; ++i) std::ofstream(folder / ("F" + std::to_string(i) + ".DAT")) << "small file " << i;
}

void UninstallSmallFiles(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    double runTime = 0, hostTime = 0;
    testing::TestMachine vm;
    std::string record = "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFolder]\r\nFolder1=C:\\APP\\DATA\\\r\n[DeleteFile]\r\n";
    for (int i = 1; i <= count; ++i)
        record += "File" + std::to_string(i) + "=C:\\APP\\DATA\\F" + std::to_string(i) + ".DAT\r\n";
    const testing::ScratchFolder bareFolder;
    for (auto _ : state) {
        state.PauseTiming();
        vm.Put("C:\\WORK\\UNSETUP.INI", record);
        WriteFiles(vm.machine.HostPath("C:\\") / "APP" / "DATA", count);
        vm.machine.HostPath("C:\\APP\\DATA");  // the machine looks at what was written behind it
        ProfileStore profiles(vm.platform.files);
        FileOps ops(vm.platform);
        SetupContext context;
        context.windowsFolder = "C:\\WINDOWS\\";
        context.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
        context.tempFolder = "C:\\WINDOWS\\TEMP\\";
        context.scriptFile = "C:\\WORK\\UNSETUP.INI";
        QuietView view;
        view.folder = "C:\\APP\\";
        SharedFiles shared(vm.platform, false, nullptr);
        state.ResumeTiming();
        const double before = ProcessorMicroseconds();
        UninstallRun run({vm.platform, profiles, ops, context, view, shared});
        run.Run();
        runTime += ProcessorMicroseconds() - before;
        if (run.Failures().count != 0) state.SkipWithError(run.Failures().text.c_str());
        state.PauseTiming();
        const std::filesystem::path bare = bareFolder.Path() / "DATA";
        WriteFiles(bare, count);
        const double bareBefore = ProcessorMicroseconds();
        for (int i = 1; i <= count; ++i) ::unlink((bare / ("F" + std::to_string(i) + ".DAT")).c_str());
        hostTime += ProcessorMicroseconds() - bareBefore;
        std::filesystem::remove_all(bare);
        state.ResumeTiming();
    }
    const double files = static_cast<double>(state.iterations()) * count;
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["total_us_per_file"] = runTime / files;
    state.counters["host_delete_us_per_file"] = hostTime / files;
    state.counters["engine_us_per_file"] = (runTime - hostTime) / files;
    state.SetComplexityN(count);
}
BENCHMARK(UninstallSmallFiles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
}  // namespace lorvel
