// The install engine's own cost per file on the simulated machine, pauses virtual:
// [CopyFile] with 1,000 and 10,000 small files, the record written at the end. Target: under 50 microseconds a
// file, growing linearly.
//
// Beside the whole run, every repetition copies the same files once more with the
// fewest host calls a copy that keeps the file's time can make (open both, copy,
// set the time, close both). That is the host's share, which no engine can avoid
// and which drifts with the host; the engine's own cost is the rest.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "../tests/unit/VirtualMachineFixture.h"
#include "QuietView.h"
#include "install/InstallRun.h"

namespace lorvel {
namespace {

// Processor time of this process in microseconds: user and system apart.
std::pair<double, double> ProcessorTime()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    auto micro = [](const timeval& t) { return t.tv_sec * 1e6 + static_cast<double>(t.tv_usec); };
    return {micro(usage.ru_utime), micro(usage.ru_stime)};
}

double Total(const std::pair<double, double>& time) { return time.first + time.second; }

// Copies every file of from into to, keeping each file's time; false on any failure.
bool CopyFolderBare(const std::filesystem::path& from, const std::filesystem::path& to)
{
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
        const std::string source = entry.path().string();
        const std::string target = (to / entry.path().filename()).string();
        const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) return false;
        struct stat status {};
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool copied = out >= 0 && ::fstat(in, &status) == 0 &&
                            ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(status.st_size),
                                              0) == status.st_size;
        const struct timespec times[2] = {status.st_mtim, status.st_mtim};
        const bool timed = copied && ::futimens(out, times) == 0;
        if (out >= 0) ::close(out);
        ::close(in);
        if (!timed) return false;
    }
    return true;
}

void InstallSmallFiles(benchmark::State& state)
{
    double userTime = 0, systemTime = 0, hostTime = 0;
    const int count = static_cast<int>(state.range(0));
    testing::TestMachine vm;
    vm.machine.SetDisk('E', {});
    std::string script = "[Extend]\r\nSetupSpeed=1\r\n[MakeFolder]\r\nFolder1=(App)DATA\r\n[CopyFile]\r\n";
    // The medium is written straight into the host folder the machine named: one
    // Put per file would make the machine read the growing folder again each time.
    const std::filesystem::path sourceFolder = vm.machine.HostPath("E:\\");
    for (int i = 1; i <= count; ++i) {
        const std::string name = "F" + std::to_string(i) + ".DAT";
        std::ofstream(sourceFolder / name, std::ios::binary) << "small file " << i;
        script += "File" + std::to_string(i) + "=(App)DATA\\" + name + "\r\n";
    }
    vm.Put("C:\\WORK\\SETUP.INI", script);
    const testing::ScratchFolder bareFolder;
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
        InstallRun run({vm.platform, profiles, ops, context, view, shared});
        run.Run();
        const auto after = ProcessorTime();
        userTime += after.first - before.first;
        systemTime += after.second - before.second;
        if (run.State().failures.count != 0) state.SkipWithError("files failed to copy");
        state.PauseTiming();
        const std::filesystem::path bare = bareFolder.Path() / std::to_string(state.iterations());
        std::filesystem::create_directory(bare);
        const auto bareBefore = ProcessorTime();
        if (!CopyFolderBare(sourceFolder, bare)) state.SkipWithError("the bare host copy failed");
        hostTime += Total(ProcessorTime()) - Total(bareBefore);
        std::filesystem::remove_all(bare);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
    // The engine and the simulated machine run in user time; the host folder's
    // file calls are system time.
    const double files = static_cast<double>(state.iterations()) * count;
    state.counters["user_us_per_file"] = userTime / files;
    state.counters["system_us_per_file"] = systemTime / files;
    state.counters["host_copy_us_per_file"] = hostTime / files;
    state.counters["engine_us_per_file"] = (userTime + systemTime - hostTime) / files;
    state.SetComplexityN(count);
}
BENCHMARK(InstallSmallFiles)->Arg(300)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
}  // namespace lorvel
