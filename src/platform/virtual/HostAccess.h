// What the simulated machine asks of the host it keeps its disks on. Host paths are
// held as UTF-8 text with "/" between names, whatever the host's own encoding and
// separator, so the machine's bookkeeping compares them as plain strings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace lorvel::platform::virt {

struct HostStatus {
    bool directory = false;
    std::uint64_t size = 0;       // 0 for a folder
    std::uint64_t writeTime = 0;  // as a FILETIME: 100 ns steps since 1601
    bool link = false;            // a symbolic link (or junction): the rest is its target's
};

// The host's path for such a text, and the text of a host path.
std::filesystem::path HostFsPath(const std::string& host);
std::string HostText(const std::filesystem::path& path);

// false when nothing is there.
bool StatHost(const std::string& host, HostStatus& status);
void SetHostWriteTime(const std::string& host, std::uint64_t fileTime);
// The size bytes of one host file into another, created or replaced, given the
// write time fileTime; status receives the copy's status.
bool CopyHostFile(const std::string& from, const std::string& to, std::uint64_t size, std::uint64_t fileTime,
                  HostStatus& status);
// A file made new with the bytes; false, with nothing written, when anything is at
// that name already, a link included.
bool WriteNewHostFile(const std::string& host, const std::string& bytes);
// Puts from in the place of to, replacing it in one step.
bool ReplaceHostFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Names between the machine's Shift-JIS and the host's UTF-8; empty when a
// character has no counterpart.
std::string ShiftJisToUtf8(const std::string& sjis);
std::string Utf8ToShiftJis(const std::string& utf8);

}  // namespace lorvel::platform::virt
