// The dry run's report as text: each run's wizard, phases, questions and changes,
// the record, and what the uninstall left, from the report's JSON.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>

namespace lorvel::tool {

void PrintDryRunReport(const nlohmann::json& report, std::ostream& out);

}  // namespace lorvel::tool
