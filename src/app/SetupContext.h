// The program-wide values that start-up fills and every run reads. Every folder
// value ends with "\"; a folder the system does not give is the text "\".
#pragma once

#include <cstdint>
#include <string>

namespace lorvel {

struct SetupContext {
    std::string runMode = "SETUP";  // "SETUP" or "UNSETUP"
    std::string sourceFolder;
    std::string sourceDrive;
    std::string tempFolder;
    std::string windowsFolder;
    std::string systemFolder;
    std::string bootDrive;
    std::string programFilesFolder;
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
    std::int32_t platformId = -1;

    std::string setupTitle;
    std::string unSetupTitle;
    std::string messageText;
    std::string programId;
    std::int32_t setupSpeed = 0;
    bool restartRequested = false;
    std::int32_t messageResult = 0;

    bool Uninstalling() const { return runMode == "UNSETUP"; }
};

}  // namespace lorvel
