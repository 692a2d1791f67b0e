#include "install/SharedCountUndo.h"

#include "run/FailureText.h"

namespace lorvel {

using namespace platform;

namespace {

bool StillWhatWasWritten(FileOps& ops, const CountRaised& raised)
{
    if (!IsComponentFile(raised.path)) return true;
    return !raised.digest.empty() && ops.DigestOf(raised.path) == raised.digest;
}

}  // namespace

void UndoSharedCounts(SharedFiles& shared, FileOps& ops, std::vector<CountRaised>& raised, const UndoFailed& failed)
{
    for (auto it = raised.rbegin(); it != raised.rend(); ++it) {
        if (const ErrorCode code = shared.PutBackSharedCount(it->path, it->countBefore); code != kErrorSuccess) {
            if (failed) failed(tag::kRegistry, "HKEY_LOCAL_MACHINE\\" + std::string(kSharedDllsKey), code);
            continue;  // a file whose count stays raised is kept for it
        }
        if (it->fileBefore) continue;
        // Unregistering loads the library: only the bytes this run wrote are loaded.
        const ErrorCode code =
            StillWhatWasWritten(ops, *it) ? ops.DeleteFiles(it->path) : ops.DeleteFilesUnloaded(it->path);
        if (code != kErrorSuccess && code != kErrorFileNotFound && failed) failed(tag::kFile, it->path, code);
    }
    raised.clear();
}

}  // namespace lorvel
