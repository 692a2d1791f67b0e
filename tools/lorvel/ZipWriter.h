// A zip archive of a finished medium, as package managers take an installer that is
// more than one file (a nested installer in a zip). Stored, not deflated: the medium's
// files are compressed already where that pays, and an archive any unzip reads is
// all that is asked. Every entry has the same fixed time, so the same medium always
// gives the same archive.
#pragma once

#include <string>
#include <vector>

#include "HostFiles.h"

namespace lorvel::tool {

struct ZipEntry {
    std::string name;  // inside the archive, "/" between folders, UTF-8
    fs::path file;
};

// false with the reason in error; an archive or member of 4 GB or more is refused
// (there is no Zip64 here), and a partly written archive is removed.
bool WriteStoredZip(const fs::path& archive, const std::vector<ZipEntry>& entries, std::string& error);

// CRC-32 as zip computes it (the reflected 0xEDB88320 polynomial).
//   Crc32("123456789") => 0xCBF43926
std::uint32_t Crc32(const std::string& bytes);

}  // namespace lorvel::tool
