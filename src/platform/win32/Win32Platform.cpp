// Win32 calls only: assembling the real services.
#include "platform/win32/Win32Platform.h"

namespace lorvel::platform::win32 {

Win32Platform::Win32Platform()
    : files_(MakeWin32FileSystem()), registry_(MakeWin32Registry()), system_(MakeWin32System()),
      shell_(MakeWin32Shell()), components_(MakeWin32Components()), lz_(MakeWin32Lz()), links_(MakeWin32ShellLinks())
{
}

Win32Platform::~Win32Platform() = default;

Platform Win32Platform::AsPlatform()
{
    return Platform{*files_, *registry_, *system_, *shell_, *components_, *lz_, *links_};
}

}  // namespace lorvel::platform::win32
