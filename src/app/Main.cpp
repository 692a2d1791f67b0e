// The entry of the real SETUP.EXE.
#include "app/Application.h"
#include "platform/win32/Com.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"
#include "ui/win32/Win32Backend.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // First in, last out: the shell links and the folder browser use COM, and every
    // pointer they hold must be gone before it is uninitialised.
    lorvel::win32::ComLibrary com;
    lorvel::platform::win32::Win32Platform services;
    lorvel::platform::Platform platform = services.AsPlatform();
    lorvel::ui::Win32Backend backend;
    lorvel::Application application(platform, backend);
    application.Run();
    return 0;
}
