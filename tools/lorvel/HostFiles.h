// The host's files as the tool reads and writes them: whole files, names found
// without regard to case as on Windows, and writes that appear complete or not at all.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace lorvel::tool {

namespace fs = std::filesystem;

// The whole file, or nullopt with the reason in error. A file larger than limit is
// not read.
std::optional<std::string> ReadHostFile(const fs::path& path, std::string& error,
                                        std::uintmax_t limit = static_cast<std::uintmax_t>(-1));

// Writes into a temporary file beside the target and renames it over the target,
// so a failed write never leaves a partial file under the target's name.
bool WriteHostFileAtomic(const fs::path& path, const std::string& bytes, std::string& error);

// The entry of the folder whose name equals name without regard to ASCII case.
std::optional<fs::path> FindInFolder(const fs::path& folder, const std::string& name);

// A path for messages.
std::string Shown(const fs::path& path);

}  // namespace lorvel::tool
