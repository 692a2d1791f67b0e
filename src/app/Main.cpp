// The entry of the real SETUP.EXE.
#include "app/Application.h"
#include "platform/win32/Com.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"
#include "ui/win32/Win32Backend.h"
#include "util/ProductName.h"

namespace {

// What nothing else caught, shown as the general error report shows its errors; the
// program ends behind it instead of vanishing without a word.
void ReportUncaught(const std::string& message)
{
    ::MessageBoxW(nullptr, lorvel::win32::ShownWide(lorvel::ui::ErrorReportText(message)).c_str(),
                  lorvel::win32::ShownWide(lorvel::kProductName).c_str(), MB_OK | MB_ICONSTOP);
}

int RunProgram()
{
    // First in, last out: the shell links and the folder browser use COM, and every
    // pointer they hold must be gone before it is uninitialised.
    lorvel::win32::ComLibrary com;
    lorvel::platform::win32::Win32Platform services;
    lorvel::platform::Platform platform = services.AsPlatform();
    lorvel::ui::Win32Backend backend;
    lorvel::Application application(platform, backend);
    return application.Run();
}

// Unattended, nobody reads a report: the exit code says it.
bool Unattended()
{
    return lorvel::SplitCommandLine(lorvel::win32::Narrow(::GetCommandLineW())).switches.Unattended();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    lorvel::win32::RestrictLibrarySearch();
    try {
        return RunProgram();
    } catch (const std::exception& error) {
        if (Unattended()) return lorvel::exitcode::kFatal;
        ReportUncaught(error.what());
    } catch (...) {
        if (Unattended()) return lorvel::exitcode::kFatal;
        ReportUncaught(lorvel::ui::Backend::kUnexpectedError);
    }
    return 0;
}
