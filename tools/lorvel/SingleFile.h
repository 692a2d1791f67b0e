// One program file that carries its medium: SETUP.EXE with a section describing the
// medium and the medium's files after its last byte, and the check of such a file
// with the reader the program itself unpacks it with.
#pragma once

#include <string>
#include <vector>

#include "HostFiles.h"
#include "util/CarriedMedium.h"

namespace lorvel::tool {

// The packed single file, or "" with the reason in error.
std::string BuildSingleFile(std::string setupExe, const std::vector<CarriedFile>& files, std::string& error);

struct SingleFileCheck {
    bool carries = false;            // the file has the medium's section at all
    CarriedResult result;            // what the program's reader found
    std::vector<std::string> names;  // the files, in their order
};
SingleFileCheck CheckSingleFile(const std::string& bytes);

// A sentence for each reader's finding, for the author.
std::string DescribeCarriedFault(const CarriedResult& result);

}  // namespace lorvel::tool
