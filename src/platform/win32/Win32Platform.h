// The real Windows services behind the platform interfaces.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace lorvel::platform::win32 {

class Win32Platform {
public:
    Win32Platform();
    ~Win32Platform();
    Platform AsPlatform();

private:
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<System> system_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<Components> components_;
    std::unique_ptr<LzExpander> lz_;
    std::unique_ptr<ShellLinks> links_;
};

std::unique_ptr<FileSystem> MakeWin32FileSystem();
std::unique_ptr<Registry> MakeWin32Registry();
std::unique_ptr<System> MakeWin32System();
std::unique_ptr<Shell> MakeWin32Shell();
std::unique_ptr<Components> MakeWin32Components();
std::unique_ptr<LzExpander> MakeWin32Lz();
// Needs COM initialised on the calling thread (lorvel::win32::ComLibrary).
std::unique_ptr<ShellLinks> MakeWin32ShellLinks();

}  // namespace lorvel::platform::win32
