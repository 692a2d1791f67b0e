// Lays out a ready medium from a script and a folder of files: the script in
// Shift-JIS with CR LF, each [CopyFile] source compressed where that saves space,
// the entries renamed to match, the files in the script's order on disks of a given
// capacity with "(Dch)" where a new disk begins, then the check of the result.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "HostFiles.h"
#include "Signing.h"

namespace lorvel::tool {

enum class CompressMode { Auto, All, None };

struct PackOptions {
    fs::path script;
    fs::path sources;
    fs::path output;
    fs::path setupExe;           // empty: SETUP.EXE in the source folder, else beside the tool
    std::uint64_t diskSize = 0;  // 0: one folder
    CompressMode compress = CompressMode::Auto;
    bool force = false;
    bool progress = false;  // draw a progress bar on the error stream
    fs::path zip;           // also this zip of the medium (one folder only); empty: none
    fs::path singleFile;    // instead of the output folder: one program carrying the medium
    bool sign = false;      // sign the single file with signing's options
    SignOptions signing;
};

// "1.44M", "2.88M", "650M", or a byte count with an optional K, M or G (binary).
std::optional<std::uint64_t> ParseDiskSize(const std::string& text);

int RunPack(const PackOptions& options, std::ostream& out, std::ostream& err);

}  // namespace lorvel::tool
