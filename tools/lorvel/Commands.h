// The tool's subcommands as functions over their options, writing what they report
// to the given streams, so tests run them as the command line does.
//
// Exit status: 0 done and clean, 1 done with warnings, 2 an error (nothing written,
// or nothing left that looks complete).
#pragma once

#include <iosfwd>
#include <string>

#include "HostFiles.h"

namespace lorvel::tool {

constexpr int kExitClean = 0;
constexpr int kExitWarnings = 1;
constexpr int kExitError = 2;

struct CompressOptions {
    fs::path input;
    fs::path output;  // empty: the conventional name beside the input
    bool force = false;
};
int RunCompress(const CompressOptions& options, std::ostream& out, std::ostream& err);
int RunExpand(const CompressOptions& options, std::ostream& out, std::ostream& err);

struct CheckOptions {
    fs::path path;  // a medium folder, a DISK1 folder or a script
    bool werror = false;
};
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

}  // namespace lorvel::tool
