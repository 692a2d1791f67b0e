// The install run: one long procedure on the user-interface thread that carries out
// the setup script phase by phase, reporting each step in the progress window. It
// ends when its phases are done, when the user refuses to go on (stopped), or at the
// first checkpoint after a confirmed abort.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "install/InstallJournal.h"
#include "install/InstallRunState.h"
#include "platform/Platform.h"
#include "run/FileOps.h"
#include "run/LinkedFolders.h"
#include "run/Pacer.h"
#include "run/ProfileStore.h"
#include "run/RunEvents.h"
#include "run/RunServices.h"
#include "run/RunView.h"
#include "run/SetupContext.h"
#include "run/SharedFiles.h"
#include "util/CopyEntry.h"

namespace lorvel {

struct DiskQuery {
    bool ok = false;
    std::int64_t bytes = -1;
};

// A file at least this large takes long enough to copy that the progress window
// names it at once, whatever it showed a moment before.
constexpr std::uint64_t kLongCopyBytes = 1u << 20;

// The largest byte count a run keeps: a hundred times it still fits in 64 bits, so a
// percentage of two counts is exact. No disk comes near it.
constexpr std::int64_t kMaxCountedBytes = INT64_MAX / 100;

// Adds a file of size bytes to a count of the size pass or of the copy's progress;
// an empty file counts one byte, so that it moves the bar. False, and total as it
// was, when the sum would pass kMaxCountedBytes: no total a check could trust.
//   total 0, size 0          => total 1
//   total 2^31 - 1, size 1   => total 2^31
//   total 0, size 2^63       => false
bool AddFileBytes(std::int64_t& total, std::uint64_t size);

// part as a share of whole in percent, rounded down and at most 100; 100 when whole
// is not above 0.
//   PercentOf(3 << 30, 6 << 30) => 50     PercentOf(1, 0) => 100
int PercentOf(std::int64_t part, std::int64_t whole);

// Free bytes on the drive of a path: the extended query when the system has it,
// else clusters times sectors times bytes.
DiskQuery GetDiskFreeBytesEx(platform::FileSystem& files, const std::string& drive);
DiskQuery GetDiskFreeBytes(platform::FileSystem& files, const std::string& drive);

struct ShortcutRequest {
    std::string target;
    std::string link;  // the shortcut file's path without its extension
    std::string workingFolder;
    std::string arguments;
};

// The shortcut file a request makes, and the program-information file the shell
// makes instead for an MS-DOS program.
std::string LinkFileOf(const ShortcutRequest& request);
std::string ProgramInformationFileOf(const std::string& linkFile);

// Makes the shortcut file and gives its path (".pif" where the shell wrote that
// instead), or empty when no file was made (the link object lacks an interface, or
// the file could not be written); a link class that cannot be created raises the
// system's text for the failure.
std::string CreateShortcut(platform::Platform& platform, FileOps& ops, const ShortcutRequest& request);

// The system's text for a failure status, or "OLE ｴﾗｰ" and the status in hexadecimal
// when it has none.
std::string OleErrorText(platform::System& system, std::int32_t status);

struct Association;

class InstallRun {
public:
    explicit InstallRun(const RunServices& services);
    // Its pacer tells this run's view before each pause.
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    // A run that ends before its record is written, by an error or the user's abort,
    // first puts back the associations it changed and the shared counts it raised.
    void Run();

    const InstallRunState& State() const { return state_; }

private:
    enum class Outcome { Continue, Ended };

    Outcome RunPhases();
    void NoteCountedSharedFiles();
    std::optional<ErrorCode> CopyToNew(const std::string& source, const std::string& destination,
                                       std::optional<std::uint32_t> sourceAttributes);
    bool CountedAlready(const std::string& destination);
    void RecordCopied(const CopyEntry& entry, const std::string& destination);
    std::string NoteComponentDigest(const std::string& destination, bool registered);
    void RegisterIfOurs(const std::string& destination, const std::string& digest);
    void UndoUnrecordedChanges();
    void Start();
    void PreReadRelate();
    Outcome ComputeSizes();
    Outcome CheckDiskSpace();
    Outcome PrepareSetupFolder();
    bool RefuseFolderOthersMayChange();
    Outcome CreateFolders();
    Outcome CopyFiles();
    // event: its destination in, the destination and outcome as they ended out.
    Outcome CopyOne(const CopyEntry& entry, std::string source, const platform::FindEntry& sourceInfo, CopyEvent& event,
                    int& processed);
    bool ThroughLink(const std::string& destination);
    // A copy left undone: reported, kept out of the record, and nothing else done for
    // it; expanded names the expanded copy of a compressed source, to delete.
    Outcome RefuseCopy(const std::string& destination, const char* reason, const std::string& expanded, int& processed);
    // medium: the source as it was queried, when it was there.
    Outcome ShowCopyProgress(int index, int processed, const std::optional<platform::FindEntry>& medium);
    bool WaitForDisk(const std::string& source);
    std::string ExpandCompressedFile(const std::string& source, std::string& destination, ErrorCode& result);
    bool DecideCopy(const std::string& source, const std::string& destination, bool destinationExists);
    Outcome CreateShortcuts();
    Outcome WriteRegistryValues();
    Outcome WriteProfileEntries();
    void CollectUninstallLists();
    Outcome AssociateFiles();
    void SavePreviousAssociation(const AssociationBefore& before);
    void WriteAssociation(const Association& association);
    void Stop();
    bool Checkpoint();
    void Pause(unsigned milliseconds);
    std::string Script(script::Key key) const { return services_.Script()(key); }
    std::string Script(script::Key key, int number) const { return services_.Script()(key, number); }

    RunServices services_;
    InstallRunState state_;
    // Made anew with the state at each start: it writes its failures there.
    std::optional<InstallJournal> journal_;
    Pacer pacer_;
    // Looked at anew for each file: the setup folder may be another account's, which
    // could put a link in place of a folder between two files.
    LinkedFolders links_;
    std::string linkRoot_;  // the setup folder, resolved, for ThroughLink
};

}  // namespace lorvel
