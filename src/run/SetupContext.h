// The program-wide values that start-up fills and every run reads. Every folder
// value ends with "\"; a folder the system does not give is the text "\". Plain
// data shared by start-up and both runs, so it sits with what the runs share.
#pragma once

#include <cstdint>
#include <string>

#include "util/FolderMacros.h"

namespace lorvel {

// Started plainly the program installs; started with the path of a record named
// exactly "UNSETUP.INI" it uninstalls what that record lists.
enum class RunMode { Setup, Unsetup };

struct SetupContext {
    RunMode runMode = RunMode::Setup;
    std::string sourceFolder;
    std::string sourceDrive;
    std::string tempFolder;
    std::string windowsFolder;
    std::string systemFolder;
    std::string bootDrive;
    std::string programFilesFolder;
    // On 64-bit Windows: the 32-bit system folder and the other kind of program's
    // Program Files folder (see System::GetSystemWow64Folder); "\" on 32-bit Windows.
    // No macro names them; the uninstall protects them.
    std::string systemWow64Folder;
    std::string otherProgramFilesFolder;
    std::string startMenuFolder;
    std::string programsFolder;
    std::string desktopFolder;
    std::string startupFolder;
    std::string sendToFolder;
    std::string commonStartMenuFolder;
    std::string commonProgramsFolder;
    std::string commonDesktopFolder;
    std::string commonStartupFolder;
    std::string setupFolder = "(App)";
    std::string setupDrive;
    std::string workFolder;
    std::string scriptFile;
    std::string recordPath;  // uninstall mode: the record named on the command line, as named
    std::int32_t platformId = -1;

    std::string setupTitle;
    std::string unSetupTitle;
    std::string messageText;
    std::string programId;
    std::int32_t setupSpeed = 0;
    bool restartRequested = false;

    bool Uninstalling() const { return runMode == RunMode::Unsetup; }
};

// The folder of each macro, in the order of kFolderMacros.
inline FolderTable FolderTableOf(const SetupContext& c)
{
    return {
        c.setupFolder,         c.programFilesFolder, c.windowsFolder, c.systemFolder,          c.tempFolder,
        c.bootDrive,           c.setupDrive,         c.sourceDrive,   c.startMenuFolder,       c.programsFolder,
        c.desktopFolder,       c.startupFolder,      c.sendToFolder,  c.commonStartMenuFolder, c.commonProgramsFolder,
        c.commonDesktopFolder, c.commonStartupFolder};
}

}  // namespace lorvel
