// The log a deployment tool reads: one UTF-8 line per event, each with its local
// time. The program's texts are Shift-JIS; the log converts them. The file is
// rewritten whole, atomically, at most every few hundred milliseconds and at every
// event that matters (a question, a failure, the end), so a run that is killed still
// leaves what it did up to then, and a long copy does not write the log thousands of
// times over.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace lorvel {

class RunLog {
public:
    explicit RunLog(platform::Platform& platform) : platform_(platform) {}

    // Starts the log at path, replacing what was there; the system's error when the
    // file cannot be written. Until then (and without a path) lines go nowhere.
    platform::ErrorCode Open(const std::string& path);
    bool IsOpen() const { return !path_.empty(); }

    // One event; line breaks inside it become " | ". important: written at once.
    void Line(const std::string& text, bool important = false);
    void Flush();

    // "2024-05-01 09:03:07.250": the stamp each line begins with.
    static std::string Stamp(const platform::LocalTime& time);

private:
    platform::Platform& platform_;
    std::string path_;
    std::string content_;  // UTF-8
    std::uint32_t lastWrite_ = 0;
    bool dirty_ = false;
};

}  // namespace lorvel
