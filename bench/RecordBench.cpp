// Merging an uninstall record: a record of N files, loaded from disk, merged with a
// new install of N more files (half of them already in the record) and written
// once. Target: 10,000 + 10,000 in under 1 s, 10,000 costing about ten times 1,000.
#include <benchmark/benchmark.h>

#include "../tests/unit/VirtualMachineFixture.h"
#include "run/UninstallRecord.h"

namespace lorvel {
namespace {

std::string FileList(int count, int first, const char* flags)
{
    std::string list;
    for (int i = first; i < first + count; ++i) list += "C:\\APP\\DATA\\F" + std::to_string(i) + ".DAT" + flags + "|";
    return list;
}

void MergeRecord(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    testing::TestMachine vm;
    vm.platform.files.CreateFolder("C:\\APP");
    RecordHeader header;
    header.setupFolder = "C:\\APP\\";
    header.unSetupTitle = "Bench";
    {
        ProfileStore profiles(vm.platform.files);
        RecordLists old;
        old.deleteFile = FileList(count, 0, ",/S");
        profiles.ReplaceFile("C:\\APP\\UNSETUP.INI", BuildRecord(header, old));
    }
    for (auto _ : state) {
        ProfileStore profiles(vm.platform.files);
        RecordLists lists;
        std::string bytes;
        if (vm.platform.files.ReadWholeFile("C:\\APP\\UNSETUP.INI", bytes) != 0) state.SkipWithError("record not read");
        LoadRecordLists(ProfileDocument::Parse(bytes), lists);
        lists.deleteFile += FileList(count, count / 2, "");
        const std::string record = BuildRecord(header, lists);
        if (profiles.ReplaceFile("C:\\APP\\MERGED.INI", record) != 0) state.SkipWithError("record not written");
        benchmark::DoNotOptimize(record.data());
    }
    state.SetComplexityN(count);
}
BENCHMARK(MergeRecord)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
}  // namespace lorvel
