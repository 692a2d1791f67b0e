// The log a deployment tool reads: one UTF-8 line per event, each with its local
// time. The program's texts are Shift-JIS; the log converts them. Each line is written
// at the file's end as it comes, through a file kept open, so a run that is killed at
// any moment leaves every line up to that moment, and a long copy costs one write per
// line, not a rewrite of the whole.
#pragma once

#include <cstdint>
#include <memory>
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

    // One event; line breaks inside it become " | ".
    void Line(const std::string& text);
    // Nothing is kept back; kept for the end of the program to say so.
    void Flush() {}

    // "2024-05-01 09:03:07.250": the stamp each line begins with.
    static std::string Stamp(const platform::LocalTime& time);

private:
    platform::Platform& platform_;
    std::string path_;
    std::unique_ptr<platform::Appender> file_;
};

}  // namespace lorvel
