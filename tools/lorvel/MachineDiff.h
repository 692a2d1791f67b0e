// What a simulated machine holds, and what changed between two such pictures:
// folders, files (with the shortcuts among them read back), profile entries and
// registry values, as the dry run reports them.
#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <string>

#include "platform/virtual/VirtualMachine.h"

namespace lorvel::tool {

// What a machine holds, to tell what a run changed.
struct Snapshot {
    std::map<std::string, std::string> files;  // Windows path (UTF-8) -> content
    std::set<std::string> folders;
    std::map<std::string, std::set<std::string>> registry;  // key -> value lines
};

Snapshot TakeSnapshot(platform::virt::VirtualMachine& machine);

// What changed from before to after, as the report's "changes" object; the machine
// reads back the shortcuts among the files.
nlohmann::json Difference(const Snapshot& before, const Snapshot& after, platform::virt::VirtualMachine& machine);

}  // namespace lorvel::tool
