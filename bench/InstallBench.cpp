// The install engine's own cost per file on the simulated machine, pauses virtual:
// [CopyFile] with 1,000 and 10,000 small files, the record written at the end. Target: under 50 microseconds a
// file, growing linearly.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "../tests/unit/VirtualMachineFixture.h"
#include "install/InstallRun.h"

namespace lorvel {
namespace {

struct QuietView final : RunView {
    RunOptions ReadOptions() override
    {
        RunOptions options;
        options.folderText = "C:\\APP";
        return options;
    }
    void HideWizard() override {}
    void ShowProgressWindow() override {}
    void SetStatus(const std::string&) override {}
    void ProcessMessages() override {}
    bool Aborted() override { return false; }
    int Ask(const std::string&, const std::string&, int) override { return 6; }
    void ShowProgress(bool) override {}
    void SetProgress(int, int, int) override {}
    void EnableAbort(bool) override {}
    void ShowDetails(const std::string&, const std::string&) override {}
    void CloseProgressWindow() override {}
    void EndWizard() override {}
};

// Processor time of this process in microseconds: user and system apart.
std::pair<double, double> ProcessorTime()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    auto micro = [](const timeval& t) { return t.tv_sec * 1e6 + static_cast<double>(t.tv_usec); };
    return {micro(usage.ru_utime), micro(usage.ru_stime)};
}

void InstallSmallFiles(benchmark::State& state)
{
    double userTime = 0, systemTime = 0;
    const int count = static_cast<int>(state.range(0));
    testing::TestMachine vm;
    vm.machine.SetDisk('E', {});
    std::string script = "[Extend]\r\nSetupSpeed=1\r\n[MakeFolder]\r\nFolder1=(App)DATA\r\n[CopyFile]\r\n";
    for (int i = 1; i <= count; ++i) {
        const std::string name = "F" + std::to_string(i) + ".DAT";
        vm.Put("E:\\" + name, "small file " + std::to_string(i));
        script += "File" + std::to_string(i) + "=(App)DATA\\" + name + "\r\n";
    }
    vm.Put("C:\\WORK\\SETUP.INI", script);
    for (auto _ : state) {
        state.PauseTiming();
        vm.platform.files.ShellDelete("C:\\APP");
        vm.platform.files.CreateFolder("C:\\APP");
        ProfileStore profiles(vm.platform.files);
        FileOps ops(vm.platform);
        SetupContext context;
        context.sourceFolder = "E:\\";
        context.tempFolder = "C:\\WINDOWS\\TEMP\\";
        context.windowsFolder = "C:\\WINDOWS\\";
        context.workFolder = "C:\\WORK\\";
        context.scriptFile = "C:\\WORK\\SETUP.INI";
        context.setupSpeed = 1;
        QuietView view;
        SharedFiles shared(vm.platform, true, nullptr);
        state.ResumeTiming();
        const auto before = ProcessorTime();
        InstallRun run(vm.platform, profiles, ops, context, view, shared);
        run.Run();
        const auto after = ProcessorTime();
        userTime += after.first - before.first;
        systemTime += after.second - before.second;
        if (run.State().failureCount != 0) state.SkipWithError("files failed to copy");
    }
    state.SetItemsProcessed(state.iterations() * count);
    // The engine and the simulated machine run in user time; the host folder's
    // file calls are system time.
    const double files = static_cast<double>(state.iterations()) * count;
    state.counters["user_us_per_file"] = userTime / files;
    state.counters["system_us_per_file"] = systemTime / files;
    state.SetComplexityN(count);
}
BENCHMARK(InstallSmallFiles)->Arg(300)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
}  // namespace lorvel
