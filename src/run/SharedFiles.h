// The system's shared-file table, one use count per file path, and the
// self-registration of component libraries.
//
//   a new file, incremented:                      0 -> 1
//   a file already there without a count:         0 -> 2
//   decrement of 2 -> 1 (written); of 1 -> 0 (value deleted); of none -> -1 (deleted)
//   restored to the entry read before an increment: 0 -> 2 -> none, 3 -> 4 -> 3
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
        : platform_(platform), installMode_(installMode), warn_(std::move(warn))
    {
    }

    std::int32_t ReadSharedCount(const std::string& path);
    // Throws std::runtime_error when the table cannot be written or a count cannot
    // be deleted from it (no rights to it).
    std::int32_t ChangeSharedCount(const std::string& path, bool increment);
    // The file's entry in the table as it stands, none when it has none: what to
    // give RestoreSharedCount when a change must not stand.
    std::optional<platform::RegValue> SharedCountEntry(const std::string& path);
    // Puts the entry back as it was read, or deletes it when there was none; throws
    // as ChangeSharedCount does.
    void RestoreSharedCount(const std::string& path, const std::optional<platform::RegValue>& previous);
    // The same, giving the registry's code instead of throwing.
    platform::ErrorCode PutBackSharedCount(const std::string& path, const std::optional<platform::RegValue>& previous);
    void RegisterComponent(const std::string& path, bool registering);

private:
    // The table read whole on the first look, by upper-case path, and kept in step
    // with every change this object makes: one trip to the registry instead of one
    // per file. Nothing when it could not be read; each look then asks the registry.
    void LoadTable();
    void Remember(const std::string& path, const std::optional<platform::RegValue>& entry);
    void WriteEntry(const std::string& path, const platform::RegValue& entry);
    void DeleteEntry(const std::string& path);

    bool tableLoaded_ = false;
    // Each entry as the registry holds it, so that one can be put back unchanged.
    std::optional<std::map<std::string, platform::RegValue>> table_;
    platform::Platform& platform_;
    bool installMode_;
    Warn warn_;
};

}  // namespace lorvel
