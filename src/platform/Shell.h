// The shell: special folders, change notification, the restart dialog and opening files.
#pragma once

#include <cstdint>
#include <string>

namespace lorvel::platform {

namespace csidl {
constexpr int kPrograms = 2;
constexpr int kStartup = 7;
constexpr int kSendTo = 9;
constexpr int kStartMenu = 11;
constexpr int kDesktopDirectory = 16;
constexpr int kCommonStartMenu = 22;
constexpr int kCommonPrograms = 23;
constexpr int kCommonStartup = 24;
constexpr int kCommonDesktopDirectory = 25;
}  // namespace csidl

namespace shcne {
constexpr long kUpdateDir = 0x1000;
constexpr long kUpdateItem = 0x2000;
constexpr long kAssocChanged = 0x8000000;
}  // namespace shcne

constexpr int kExitWindowsReboot = 2;  // EWX_REBOOT

class Shell {
public:
    virtual ~Shell() = default;

    // The folder's path without a trailing "\"; empty when the shell has none.
    virtual std::string GetSpecialFolder(int csidl) = 0;
    virtual void ChangeNotify(long eventId, unsigned flags) = 0;
    // The shell's restart question; IDYES (6) or IDNO (7).
    virtual int RestartDialog(const std::string& prompt, int exitFlags) = 0;
    // Opens a file through the shell ("open", shown normally, owned by the desktop),
    // with a parameter text when not empty. The shell's result: 32 or less is failure.
    virtual std::intptr_t OpenFile(const std::string& file, const std::string& parameters) = 0;
};

}  // namespace lorvel::platform
