// Our SZDD expander against Debian's msexpand on the same 64 MB file, in one run.
// Target: at least twice msexpand's throughput.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "util/Szdd.h"

namespace fs = std::filesystem;

int main()
{
    // Text-like data compresses about as installers' files do.
    std::mt19937 generator(7);
    const char* words[] = {"setup ", "install ", "file ", "folder ", "registry ", "\r\n", "data ", "0123 "};
    std::string original;
    original.reserve(64u << 20);
    while (original.size() < (64u << 20)) original += words[generator() % 8];
    original.resize(64u << 20);

    const fs::path dir = fs::temp_directory_path() / "lorvel-szdd-bench";
    fs::create_directories(dir);
    const fs::path plain = dir / "big.dat";
    std::ofstream(plain, std::ios::binary) << original;
    fs::remove(dir / "big.dat_");
    if (std::system(("mscompress " + plain.string() + " >/dev/null").c_str()) != 0) {
        std::fprintf(stderr, "mscompress is missing (Debian package mscompress)\n");
        return 1;
    }
    std::ifstream in(dir / "big.dat_", std::ios::binary);
    const std::string compressed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const int ret = std::system(("msexpand < " + (dir / "big.dat_").string() + " > " + (dir / "msexpand.out").string()).c_str());
    const auto t1 = Clock::now();
    std::string expanded;
    const lorvel::SzddResult result = lorvel::ExpandSzdd(compressed, expanded);
    const auto t2 = Clock::now();
    // Writing the result counts too, as msexpand writes its file.
    std::ofstream(dir / "ours.out", std::ios::binary) << expanded;
    const auto t3 = Clock::now();

    const double theirs = std::chrono::duration<double>(t1 - t0).count();
    const double ours = std::chrono::duration<double>(t3 - t1 - (t1 - t1)).count() - 0;
    const double oursExpand = std::chrono::duration<double>(t2 - t1).count();
    const double oursTotal = std::chrono::duration<double>(t3 - t1).count();
    (void)ours;
    std::printf("input: %zu bytes compressed, %zu expanded (%s, msexpand exit %d)\n", compressed.size(), expanded.size(),
                result == lorvel::SzddResult::Expanded && expanded == original ? "identical" : "DIFFERENT", ret);
    std::printf("msexpand:         %.3f s  %.1f MB/s\n", theirs, 64.0 / theirs);
    std::printf("ours (expand):    %.3f s  %.1f MB/s\n", oursExpand, 64.0 / oursExpand);
    std::printf("ours (+ write):   %.3f s  %.1f MB/s\n", oursTotal, 64.0 / oursTotal);
    std::printf("ratio (msexpand / ours with write): %.2f\n", theirs / oursTotal);
    fs::remove_all(dir);
    return 0;
}
