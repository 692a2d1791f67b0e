#include "app/ExitCode.h"

namespace lorvel {

int ExitCodeFor(const RunEnding& e)
{
    if (!e.unattended) return exitcode::kSuccess;
    if (e.badSwitches) return exitcode::kBadSwitches;
    if (e.otherInstance) return exitcode::kOtherInstance;
    if (e.fatalStartup || e.error) return exitcode::kFatal;
    if (e.stopped) return e.declined ? exitcode::kCancelled : exitcode::kFatal;
    if (e.failures > 0) return exitcode::kFatal;
    return e.restartRequested ? exitcode::kRestartNeeded : exitcode::kSuccess;
}

}  // namespace lorvel
