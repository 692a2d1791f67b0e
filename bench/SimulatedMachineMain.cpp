// The benchmarks that run the simulated machine keep its folder in memory where the
// host has a memory file system: on a disk file system the host's cost of creating
// files swamps what is measured and varies tenfold from run to run. A TMPDIR given
// by the caller is kept.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv)
{
    std::error_code ec;
    if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
