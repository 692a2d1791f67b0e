// The system's shared-file table, one use count per file path, and the
// self-registration of component libraries.
//
//   a new file, incremented:                      0 -> 1
//   a file already there without a count:         0 -> 2
//   decrement of 2 -> 1 (written); of 1 -> 0 (value deleted); of none -> -1 (deleted)
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace lorvel {

constexpr const char* kSharedDllsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class SharedFiles {
public:
    // warn shows a warning box (text, caption); it is used only in the install run.
    using Warn = std::function<void(const std::string& text, const std::string& caption)>;
    SharedFiles(platform::Platform& platform, bool installMode, Warn warn)
        : platform_(platform), installMode_(installMode), warn_(std::move(warn)) {}

    std::int32_t ReadSharedCount(const std::string& path);
    // Throws std::runtime_error when the table cannot be written or a count cannot
    // be deleted from it (no rights to it).
    std::int32_t ChangeSharedCount(const std::string& path, bool increment);
    void RegisterComponent(const std::string& path, bool registering);

private:
    // The table read whole on the first look, by upper-case path, and kept in step
    // with every change this object makes: one trip to the registry instead of one
    // per file. Nothing when it could not be read; each look then asks the registry.
    void LoadTable();
    void Remember(const std::string& path, std::int32_t count);

    bool tableLoaded_ = false;
    std::optional<std::map<std::string, std::int32_t>> table_;
    platform::Platform& platform_;
    bool installMode_;
    Warn warn_;
};

}  // namespace lorvel
