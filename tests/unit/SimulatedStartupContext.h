// The context start-up gives a run on a fresh simulated machine: its system folders
// and the shell folders it reports. Shared by the tests and the fuzz targets, which
// are built apart from them.
#pragma once

#include "platform/Shell.h"
#include "run/SetupContext.h"
#include "util/ShiftJisText.h"

namespace lorvel::testing {

inline SetupContext SimulatedStartupContext(platform::Shell& shell)
{
    using namespace platform;
    SetupContext c;
    const auto folder = [&shell](int id) { return AddPathDelim(shell.GetSpecialFolder(id), "B"); };
    c.windowsFolder = "C:\\WINDOWS\\";
    c.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    c.tempFolder = "C:\\WINDOWS\\TEMP\\";
    c.programFilesFolder = "C:\\Program Files\\";
    c.bootDrive = "C:\\";
    c.setupSpeed = 1;
    c.startMenuFolder = folder(csidl::kStartMenu);
    c.programsFolder = folder(csidl::kPrograms);
    c.desktopFolder = folder(csidl::kDesktopDirectory);
    c.startupFolder = folder(csidl::kStartup);
    c.sendToFolder = folder(csidl::kSendTo);
    c.commonStartMenuFolder = folder(csidl::kCommonStartMenu);
    c.commonProgramsFolder = folder(csidl::kCommonPrograms);
    c.commonDesktopFolder = folder(csidl::kCommonDesktopDirectory);
    c.commonStartupFolder = folder(csidl::kCommonStartup);
    return c;
}

}  // namespace lorvel::testing
