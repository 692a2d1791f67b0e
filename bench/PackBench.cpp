// lorvel pack against Debian's mscompress on the same tree of about 50 MB of mixed
// files (text, executables, already-compressed data), in one run: the compressed
// size (ours should be no larger) and the throughput of each.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Pack.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / "lorvel-pack-bench";
    fs::remove_all(dir);
    const fs::path sources = dir / "src";
    fs::create_directories(sources);

    // Text: words and numbers as documentation and data files have them.
    std::mt19937 generator(11);
    const char* words[] = {"setup ", "install ", "the ", "file ", "folder ", "registry ", "\r\n", "value ", "of ", "1998 "};
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string text;
        while (text.size() < 1'000'000) text += words[generator() % 10];
        const std::string name = "TEXT" + std::to_string(i) + ".TXT";
        Write(sources / name, text);
        names.push_back(name);
    }
    // Executables: the host's own programs, as compiled code compresses.
    std::size_t executables = 0;
    int n = 0;
    for (const auto& entry : fs::directory_iterator("/usr/bin")) {
        if (executables > 20'000'000) break;
        if (!entry.is_regular_file() || entry.file_size() < 100'000 || entry.file_size() > 3'000'000) continue;
        const std::string name = "PROG" + std::to_string(n++) + ".EXE";
        fs::copy_file(entry.path(), sources / name);
        executables += entry.file_size();
        names.push_back(name);
    }
    // Already compressed: bytes without redundancy.
    for (int i = 0; i < 10; ++i) {
        std::string noise(1'000'000, '\0');
        for (char& c : noise) c = static_cast<char>(generator());
        const std::string name = "DATA" + std::to_string(i) + ".CAB";
        Write(sources / name, noise);
        names.push_back(name);
    }
    std::uintmax_t total = 0;
    std::ostringstream script;
    script << "[CopyFile]\r\n";
    for (std::size_t i = 0; i < names.size(); ++i) {
        script << "File" << i + 1 << "=(App)" << names[i] << "\r\n";
        total += fs::file_size(sources / names[i]);
    }
    Write(dir / "SETUP.INI", script.str());
    Write(sources / "SETUP.EXE", "MZ");

    using Clock = std::chrono::steady_clock;
    auto pack = [&](lorvel::tool::CompressMode mode, const char* output, double& seconds) {
        lorvel::tool::PackOptions options;
        options.script = dir / "SETUP.INI";
        options.sources = sources;
        options.output = dir / output;
        options.compress = mode;
        std::ostringstream out, err;
        const auto t0 = Clock::now();
        const int code = lorvel::tool::RunPack(options, out, err);
        seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        if (code == lorvel::tool::kExitError) std::fprintf(stderr, "%s", err.str().c_str());
        std::uintmax_t size = 0;
        for (const auto& entry : fs::directory_iterator(dir / output))
            if (entry.path().filename() != "SETUP.EXE" && entry.path().filename() != "SETUP.INI") size += entry.file_size();
        return size;
    };
    double allSeconds = 0, autoSeconds = 0;
    const auto allSize = pack(lorvel::tool::CompressMode::All, "all", allSeconds);
    const auto autoSize = pack(lorvel::tool::CompressMode::Auto, "auto", autoSeconds);

    const fs::path theirs = dir / "mscompress";
    fs::create_directories(theirs);
    for (const std::string& name : names) fs::copy_file(sources / name, theirs / name);
    const auto t0 = Clock::now();
    std::uintmax_t theirSize = 0;
    for (const std::string& name : names) {
        if (std::system(("mscompress '" + (theirs / name).string() + "' >/dev/null 2>&1").c_str()) != 0) {
            std::fprintf(stderr, "mscompress is missing (Debian package mscompress)\n");
            return 1;
        }
    }
    const double theirSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    for (const std::string& name : names) theirSize += fs::file_size(theirs / (name + "_"));

    const double mb = static_cast<double>(total) / 1e6;
    std::printf("tree: %zu files, %.1f MB (text, executables, compressed data)\n", names.size(), mb);
    std::printf("lorvel pack --compress all : %12ju bytes  %.2f s  %.1f MB/s\n", allSize, allSeconds, mb / allSeconds);
    std::printf("lorvel pack --compress auto: %12ju bytes  %.2f s  %.1f MB/s\n", autoSize, autoSeconds, mb / autoSeconds);
    std::printf("mscompress, file by file   : %12ju bytes  %.2f s  %.1f MB/s\n", theirSize, theirSeconds, mb / theirSeconds);
    std::printf("size_ratio_all=%.4f size_ratio_auto=%.4f throughput_ratio=%.2f\n",
                static_cast<double>(allSize) / static_cast<double>(theirSize),
                static_cast<double>(autoSize) / static_cast<double>(theirSize), theirSeconds / allSeconds);
    fs::remove_all(dir);
    return 0;
}
