// Reading a script's numbered keys one by one and writing a record's keys in one
// batch, on the simulated machine. Targets: 10,000 keys under 100 ms each way, and
// 10,000 keys at most 12 times the cost of 1,000.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/unit/VirtualMachineFixture.h"
#include "run/ProfileStore.h"

namespace lorvel {
namespace {

std::string NumberedSection(int count)
{
    std::string script = "[Title]\r\nSetup=Bench\r\n[CopyFile]\r\n";
    for (int i = 1; i <= count; ++i) script += "File" + std::to_string(i) + "=(App)DATA\\FILE" + std::to_string(i) + ".DAT\r\n";
    return script + "[ShortCut]\r\nName1=(Sta)\\Bench\r\n";
}

void ReadNumberedKeys(benchmark::State& state)
{
    testing::TestMachine vm;
    vm.Put("C:\\SETUP.INI", NumberedSection(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        ProfileStore store(vm.platform.files);
        int read = 0;
        for (int i = 1;; ++i) {
            if (store.ReadProfile("CopyFile", "File" + std::to_string(i), "", "C:\\SETUP.INI").empty()) break;
            ++read;
        }
        benchmark::DoNotOptimize(read);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(ReadNumberedKeys)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void WriteNumberedKeys(benchmark::State& state)
{
    testing::TestMachine vm;
    for (auto _ : state) {
        vm.platform.files.RemoveFile("C:\\UNSETUP.INI");
        ProfileStore store(vm.platform.files);
        ProfileStore::Batch batch(store);
        for (int i = 1; i <= state.range(0); ++i)
            store.WriteProfile("DeleteFile", "File" + std::to_string(i), "C:\\APP\\FILE" + std::to_string(i) + ".DAT",
                               "C:\\UNSETUP.INI");
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(WriteNumberedKeys)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
}  // namespace lorvel

BENCHMARK_MAIN();
