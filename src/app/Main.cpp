// The entry of the real SETUP.EXE.
#include "app/Application.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"
#include "ui/win32/Win32Backend.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    lorvel::platform::win32::Win32Platform services;
    lorvel::platform::Platform platform = services.AsPlatform();
    lorvel::ui::Win32Backend backend;
    lorvel::Application application(platform, backend);
    application.Run();
    return 0;
}
