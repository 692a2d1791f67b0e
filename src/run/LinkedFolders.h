// Whether a folder on the way from a root folder (itself included) down to a path is
// a link: a symbolic link or a junction. Whoever can write the root folder can put a
// link in it, and a path below it then reaches whatever the link names: a copy
// writes there, a deletion deletes there. Paths are in the resolved, upper-case form
// (ResolvePath), the root ending in "\". Remembering looks at each folder once; not
// remembering looks again for each path, so a link put in place of a folder after the
// last path's check is still seen.
//
//   LinkedFolders links(files, true);
//   links.OnTheWay("C:\\APP\\", "C:\\APP\\SUB\\A.DLL")  // C:\APP or C:\APP\SUB is a link
//   links.OnTheWay("C:\\APP\\", "C:\\OTHER\\A.DLL")     // false: not below the root
#pragma once

#include <string>
#include <unordered_map>

#include "platform/FileSystem.h"

namespace lorvel {

class LinkedFolders {
public:
    LinkedFolders(platform::FileSystem& files, bool remember) : files_(files), remember_(remember) {}

    bool OnTheWay(const std::string& root, const std::string& path);
    // The same for a path as a script or a record names it, resolved from the current
    // folder first; a path whose place cannot be told meets no link here.
    bool OnTheWayResolved(const std::string& root, const std::string& path, const std::string& currentFolder);

private:
    bool IsLink(const std::string& folder);

    platform::FileSystem& files_;
    bool remember_;
    std::unordered_map<std::string, bool> known_;  // folder -> whether it is a link
};

}  // namespace lorvel
