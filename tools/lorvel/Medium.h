// Where a medium keeps its script and each disk's files. Three layouts: a folder
// with SETUP.INI in it (one place for every disk, as when a medium is copied to a
// hard disk), the DISK1 folder of a packed medium (further disks are its siblings
// DISK2, DISK3, ...), and the folder holding DISK1, DISK2, ...
#pragma once

#include <optional>
#include <string>

#include "HostFiles.h"

namespace lorvel::tool {

// A packed medium's disks are folders DISK1, DISK2, ... beside each other.
inline const std::string kDiskFolderPrefix = "DISK";

struct MediumLayout {
    fs::path script;     // SETUP.INI
    fs::path firstDisk;  // the folder of SETUP.EXE and the script
    fs::path disksRoot;  // holds DISKn folders, or empty when every disk is firstDisk

    fs::path DiskFolder(int disk) const;
    bool Holds(int disk, const std::string& fileName) const;
};

// From a medium folder, a DISK1 folder, or the script itself; nullopt with the
// reason in error when there is no script.
std::optional<MediumLayout> LocateMedium(const fs::path& path, std::string& error);

}  // namespace lorvel::tool
