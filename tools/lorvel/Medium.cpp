#include "Medium.h"

#include "HostText.h"
#include "run/FixedNames.h"
#include "util/ShiftJisText.h"

namespace lorvel::tool {

namespace {

bool IsDiskFolderName(const std::string& name, int disk)
{
    return EqualsAsciiNoCase(name, kDiskFolderPrefix + std::to_string(disk));
}

}  // namespace

fs::path MediumLayout::DiskFolder(int disk) const
{
    if (disk == 1 || disksRoot.empty()) return firstDisk;
    if (auto found = FindInFolder(disksRoot, kDiskFolderPrefix + std::to_string(disk))) return *found;
    return disksRoot / (kDiskFolderPrefix + std::to_string(disk));
}

bool MediumLayout::Holds(int disk, const std::string& fileName) const
{
    const auto found = FindInFolder(DiskFolder(disk), ShiftJisToHostName(fileName));
    std::error_code ec;
    return found && fs::is_regular_file(*found, ec);
}

std::optional<MediumLayout> LocateMedium(const fs::path& path, std::string& error)
{
    std::error_code ec;
    MediumLayout layout;
    if (fs::is_regular_file(path, ec)) {
        layout.script = path;
        layout.firstDisk = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    } else if (fs::is_directory(path, ec)) {
        if (auto script = FindInFolder(path, kScriptName)) {
            layout.script = *script;
            layout.firstDisk = path;
        } else if (auto disk1 = FindInFolder(path, kDiskFolderPrefix + std::string("1"));
                   disk1 && FindInFolder(*disk1, kScriptName)) {
            layout.script = *FindInFolder(*disk1, kScriptName);
            layout.firstDisk = *disk1;
            layout.disksRoot = path;
            return layout;
        } else {
            error = Shown(path) + ": no SETUP.INI in this folder or in its DISK1 folder";
            return std::nullopt;
        }
    } else {
        error = Shown(path) + ": no such file or folder";
        return std::nullopt;
    }
    const fs::path absolute = fs::absolute(layout.firstDisk, ec);
    const fs::path folder = absolute.filename().empty() ? absolute.parent_path() : absolute;
    if (IsDiskFolderName(folder.filename().string(), 1)) layout.disksRoot = folder.parent_path();
    return layout;
}

}  // namespace lorvel::tool
