// The exit code a deployment tool reads. An interactive run always ends with 0, as
// it always has; an unattended one says how it went, in the numbers installers
// share with the system's own installer:
//
//   0     done
//   3010  done, and the system must restart to finish (the program never restarts it)
//   1602  the run was cancelled: an answer given beforehand refused to go on
//   1603  a fatal error, a run that could not finish, or one that finished with failures
//   1618  another instance of the program is running
//   87    a switch that the program does not know, or a switch's value it cannot use
#pragma once

namespace lorvel {

namespace exitcode {
constexpr int kSuccess = 0;
constexpr int kRestartNeeded = 3010;
constexpr int kCancelled = 1602;
constexpr int kFatal = 1603;
constexpr int kOtherInstance = 1618;
constexpr int kBadSwitches = 87;
}  // namespace exitcode

struct RunEnding {
    bool unattended = false;
    bool badSwitches = false;
    bool otherInstance = false;
    bool fatalStartup = false;  // the start-up's fatal state: no script, no work folder
    bool error = false;         // an error ended the run
    bool stopped = false;       // the run ended before its end, after its stop message
    bool declined = false;      // ... because an answer given beforehand refused
    int failures = 0;           // the run's failure count
    bool restartRequested = false;
};

int ExitCodeFor(const RunEnding& ending);

}  // namespace lorvel
