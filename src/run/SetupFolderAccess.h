// Who may change the setup folder. The program runs as administrator, and whatever
// it installs is later run by administrators and services: a folder on the setup
// folder's way that another account may change lets that account replace what is
// installed, or rename the folder away and put a link in its place. So the setup
// folder and each folder above it (the drive's root aside, which nobody can rename or
// replace) must be changeable by the administrators alone.
//
//   FirstFolderOthersMayChange(files, "C:\\TOOLS\\APP\\")
//     => "C:\\TOOLS" when another account may change C:\TOOLS, "" when none may;
//        folders that do not exist yet are not asked about
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace lorvel {

// The first folder on the way that an account other than the administrators' may
// change, or that cannot be asked (the program cannot tell who may change it); ""
// when there is none. Asked of a file's path, the file itself is the last on the way.
std::string FirstFolderOthersMayChange(platform::FileSystem& files, const std::string& folder);

}  // namespace lorvel
