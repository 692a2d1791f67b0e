// Paths from an uninstall record or a script, resolved and checked at growing lengths:
// the time per byte is to stay flat from 1 KB to 1 MB. A record is a plain file
// anyone who can write the setup folder can edit, so a line of tens of thousands of
// Shift-JIS lead bytes must cost no more per byte than a short one.
//
// Lines (n bytes after "C:\APP\"):
//   lead_run     0x81 repeated: one name of double-byte characters (the run's parity
//                decides every byte that follows)
//   lead_odd     0x81 repeated n-1 times, then "\": the last lead byte takes the "\"
//   lead_trail   "\x81\x5C" repeated: every "\" is a trail byte, no delimiter at all
//   lead_folders 0x81 0x81 "\" repeated: a delimiter after each character
//   lead_then_delimiters  n/2 lead bytes, then n/2 "\"
//   short_names  "A\" repeated
// Each is resolved (ResolvePath), checked as a deletion with a wildcard after it
// (CheckDeletion), as a folder to remove (IsProtectedFolder), and cut to its name
// (FileNamePart); on the simulated machine its folders are made (CreateFolderTree)
// and the uninstall of a record holding it runs.
//
// Lines of many names at 1 MB touch more fresh memory than the allocator keeps
// between runs, and the host's page faults add to their time per byte; with
// MALLOC_TRIM_THRESHOLD_ and MALLOC_MMAP_THRESHOLD_ set high it stays flat.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "../tests/unit/VirtualMachineFixture.h"
#include "QuietView.h"
#include "run/FileOps.h"
#include "uninstall/ProtectedFolders.h"
#include "uninstall/UninstallRun.h"
#include "util/ShiftJisText.h"

namespace lorvel {
namespace {

std::string Repeat(const std::string& unit, std::size_t bytes)
{
    std::string text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes) text += unit;
    text.resize(bytes);
    return text;
}

using LineMaker = std::function<std::string(std::size_t)>;

struct Line {
    const char* name;
    LineMaker make;
    bool ofNames = false;  // short names, each of which a folder could have
};

const Line kLines[] = {
    {"lead_run", [](std::size_t n) { return std::string(n, '\x81'); }},
    {"lead_odd", [](std::size_t n) { return std::string(n - 1, '\x81') + "\\"; }},
    {"lead_trail", [](std::size_t n) { return Repeat("\x81\x5C", n); }},
    {"lead_folders", [](std::size_t n) { return Repeat("\x81\x81\\", n); }, true},
    {"lead_then_delimiters", [](std::size_t n) { return std::string(n / 2, '\x81') + std::string(n - n / 2, '\\'); }},
    {"short_names", [](std::size_t n) { return Repeat("A\\", n); }, true},
};

SetupContext Context()
{
    SetupContext c;
    c.windowsFolder = "C:\\WINDOWS\\";
    c.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    c.tempFolder = "C:\\WINDOWS\\TEMP\\";
    c.programFilesFolder = "C:\\Program Files\\";
    c.startMenuFolder = "C:\\WINDOWS\\Start Menu\\";
    c.desktopFolder = "C:\\WINDOWS\\Desktop\\";
    return c;
}

// The time per byte of the line beside the usual time per run.
void PerByte(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["time_per_byte"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kIsIterationInvariantRate |
                                                                  benchmark::Counter::kInvert);
    state.SetComplexityN(static_cast<benchmark::IterationCount>(bytes));
}

void Resolve(benchmark::State& state, const Line& line)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const std::string path = "C:\\APP\\" + line.make(bytes);
    for (auto _ : state) benchmark::DoNotOptimize(ResolvePath(path, "C:\\WINDOWS\\TEMP\\"));
    PerByte(state, bytes);
}

void CheckDeletion(benchmark::State& state, const Line& line)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const ProtectedFolders folders(Context(), "C:\\WINDOWS\\TEMP\\");
    const std::string path = "C:\\APP\\" + line.make(bytes) + "\\*.*";
    for (auto _ : state) benchmark::DoNotOptimize(folders.CheckDeletion(path));
    PerByte(state, bytes);
}

void IsProtectedFolder(benchmark::State& state, const Line& line)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const ProtectedFolders folders(Context(), "C:\\WINDOWS\\TEMP\\");
    const std::string path = "C:\\APP\\" + line.make(bytes);
    for (auto _ : state) benchmark::DoNotOptimize(folders.IsProtectedFolder(path));
    PerByte(state, bytes);
}

void NamePart(benchmark::State& state, const Line& line)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const std::string path = "C:\\APP\\" + line.make(bytes);
    for (auto _ : state) benchmark::DoNotOptimize(FileNamePart(path));
    PerByte(state, bytes);
}

// The whole uninstall of a record whose lists hold the line as a file, an extra
// file pattern and a folder: what the run does with a record line from reading it
// to refusing or trying it.
void UninstallRecordLine(benchmark::State& state, const Line& line)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const std::string path = "C:\\APP\\" + line.make(bytes);
    const std::string record = "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile1=" + path +
                               "\r\n[AddDeleteFile]\r\nFile1=" + path + "\\*.*\r\n[DeleteFolder]\r\nFolder1=" + path +
                               "\r\n";
    testing::TestMachine vm;
    for (auto _ : state) {
        state.PauseTiming();
        vm.Put("C:\\WORK\\UNSETUP.INI", record);
        vm.platform.files.CreateFolder("C:\\APP");
        ProfileStore profiles(vm.platform.files);
        FileOps ops(vm.platform);
        SetupContext context = Context();
        context.scriptFile = "C:\\WORK\\UNSETUP.INI";
        QuietView view;
        view.folder = "C:\\APP\\";
        SharedFiles shared(vm.platform, false, nullptr);
        state.ResumeTiming();
        UninstallRun run({vm.platform, profiles, ops, context, view, shared});
        run.Run();
    }
    PerByte(state, bytes);
}

// The folders of the line made level by level on the simulated machine, as the
// install makes its setup folder; what was made is taken away between runs. Lines of
// short names are left out: every level of those can be made, up to the host's own
// path limit of some thousand nested folders, and the host's cost of making and
// walking them is all such a run would measure.
void CreateFolderTree(benchmark::State& state, const Line& line)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const std::string path = "C:\\APP\\" + line.make(bytes);
    testing::TestMachine vm;
    FileOps ops(vm.platform);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ops.CreateFolderTree(path));
        state.PauseTiming();
        vm.platform.files.ShellDelete("C:\\APP");
        state.ResumeTiming();
    }
    PerByte(state, bytes);
}

void Register(const char* what, void (*bench)(benchmark::State&, const Line&), std::int64_t largest,
              bool linesOfNames = true)
{
    for (const Line& line : kLines) {
        if (!linesOfNames && line.ofNames) continue;
        auto* b = benchmark::RegisterBenchmark((std::string(what) + "/" + line.name).c_str(), bench, line);
        for (std::int64_t bytes : {1 << 10, 10 << 10, 100 << 10, 1 << 20})
            if (bytes <= largest) b->Arg(bytes);
        b->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
    }
}

}  // namespace
}  // namespace lorvel

int main(int argc, char** argv)
{
    using namespace lorvel;
    // As the other benchmarks of the simulated machine: its folder in memory.
    std::error_code ec;
    if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 1);
    Register("ResolvePath", Resolve, 1 << 20);
    Register("CheckDeletion", CheckDeletion, 1 << 20);
    Register("IsProtectedFolder", IsProtectedFolder, 1 << 20);
    Register("FileNamePart", NamePart, 1 << 20);
    Register("CreateFolderTree", CreateFolderTree, 100 << 10, false);
    Register("UninstallRecordLine", UninstallRecordLine, 100 << 10);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
