// A simulated Windows installation in a host folder, behind the same interfaces as
// the real Windows API. Drives are subfolders of the root ("C", "D"); names are
// Shift-JIS on the Windows side and UTF-8 on the host, and compare without regard
// to case. Attributes, the registry (a REGEDIT4-style text file), disk sizes, the
// clock and the mutexes are simulated; faults can be injected; shell actions are
// journaled for tests to read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace lorvel::platform::virt {

// The two Program Files folders of 64-bit Windows: the one 64-bit programs see,
// and the "(x86)" one a 32-bit program sees under WoW64.
constexpr const char* kNativeProgramFiles = "C:\\Program Files";
constexpr const char* kX86ProgramFiles = "C:\\Program Files (x86)";

struct MachineConfig {
    std::uint32_t platformId = 2;
    bool versionQueryFails = false;
    std::string windowsFolder = "C:\\WINDOWS";  // empty: the query fails
    std::string systemFolder = "C:\\WINDOWS\\SYSTEM32";
    std::string tempFolder = "C:\\WINDOWS\\TEMP";  // empty: the query fails
    std::string programPath = "C:\\SETUP\\SETUP.EXE";
    std::string commandLine = "\"C:\\SETUP\\SETUP.EXE\"";
    bool doubleByteSystem = true;
    bool hasDiskFreeSpaceEx = true;
    std::map<int, std::string> specialFolders;        // CSIDL -> path; filled with defaults
    int restartAnswer = 7;                            // what the restart dialog answers
    int utcOffsetMinutes = 9 * 60;                    // local time, Japan by default
    std::map<std::string, std::string> fileVersions;  // path key -> FileVersion string
    std::map<std::uint32_t, std::string> errorTexts;  // system texts beside the built-in ones
    bool elevated = true;                             // the program runs as administrator, as its manifest asks
    std::string userSid = "S-1-5-21-1004336348-1177238915-682003330-1001";  // the user it runs for
    // The program is a 32-bit one on 64-bit Windows (WoW64): what it names in its
    // system folder is in SYSWOW64 on disk, SYSNATIVE reaches the real system
    // folder, its HKLM\SOFTWARE is HKLM\SOFTWARE\Wow6432Node (the Classes key
    // shared), and its Program Files folder is the "(x86)" one.
    bool wow64 = false;
};

struct DiskConfig {
    std::uint64_t total = 8ull << 30;
    std::uint64_t free = 4ull << 30;
    // A medium that can be taken out (a floppy disk, a CD): every call that reaches
    // it counts as an OperationKind::MediumRead.
    bool removable = false;
};

// The kinds of operation the machine counts, so that a test can make the k-th one
// of a kind fail.
enum class OperationKind {
    FileWrite,  // whole-file writes, links' files included
    FileCopy,
    FolderCreate,
    FileRemoval,     // files, folders and the shell's deletions
    RegistryCreate,  // key creations, also of keys that exist (the system asks for write access)
    RegistryWrite,   // value writes
    RegistryDelete,  // key and value deletions
    LinkSave,
    ComponentCall,  // calls of a library's registration entry points
    MediumRead,     // any call that reaches a removable drive
};
constexpr int kOperationKindCount = 10;

enum class Fault {
    DiskFull,           // 112: file writes, copies and folder creations
    AccessDenied,       // 5: any file or registry operation
    SharingViolation,   // 32: another program holds the file open: file operations
    MediumRemoved,      // the medium is taken out: from then on its drive is not found (3)
    LinkClassMissing,   // the shell's link class cannot be created
    RegistrationFails,  // the entry point returns a failure (E_FAIL)
};

// What a run stopped dead by VirtualMachine::StopAtChange meets instead of its change.
// No std::exception: nothing that reports errors catches it.
struct MachineStopped {};

class VirtualMachine {
public:
    // Opens the machine kept in root, creating the drive C: and the system folders
    // when the root is new.
    explicit VirtualMachine(std::filesystem::path root, MachineConfig config = {});
    ~VirtualMachine();
    VirtualMachine(const VirtualMachine&) = delete;
    VirtualMachine& operator=(const VirtualMachine&) = delete;

    Platform AsPlatform();
    FileSystem& Files();
    Registry& Reg();
    // The registry as a 64-bit program sees it, whatever the program's own view.
    Registry& NativeReg();
    System& Sys();
    Shell& Sh();
    Components& Comps();
    LzExpander& Lz();
    ShellLinks& Links();

    MachineConfig& Config() { return config_; }
    const std::filesystem::path& Root() const { return root_; }

    // Faults. Paths are Windows paths; a denial or lock covers everything below.
    void DenyWrites(const std::string& pathPrefix);
    // A locked file can be neither read nor written (another program holds it open
    // without sharing); a read denial refuses reads, as a file's security can.
    void LockFile(const std::string& path);
    void UnlockFile(const std::string& path);
    void DenyReads(const std::string& pathPrefix);
    // Every link save gives this outcome until it is set back to Saved.
    void SetLinkFault(LinkSave fault);
    void SetDisk(char drive, DiskConfig disk);
    void DenyRegistryWrites(RootKey root, const std::string& keyPrefix);

    // The k-th operation of a kind (from 1, counted since the machine was made or the
    // counts were reset) fails with the fault; every other operation goes as it
    // would. A fault that cannot happen to the kind (a full disk for a registry
    // write) throws std::invalid_argument.
    void FailAt(OperationKind kind, int k, Fault fault);
    int OperationCount(OperationKind kind) const;
    // Counts back to zero, planned faults dropped, a removed medium put back.
    void ResetOperations();

    // Stops the program dead at its k-th change (from 1: every kind above but medium
    // reads, counted from now): the machine as it is at that call, before the change,
    // is written to snapshot (a new folder, a root another VirtualMachine opens), and
    // the call throws MachineStopped. Whatever the program does afterwards reaches
    // only this machine, not the snapshot: a kill, with no unwinding that writes. With
    // powerCut the snapshot also loses what was written without a flush, as a disk
    // loses its cache: a file copied or appended to keeps the length it had when it
    // was last flushed (none for a new one); WriteWholeFile flushes.
    void StopAtChange(int k, std::filesystem::path snapshot, bool powerCut = false);
    // Changes counted since StopAtChange (or since the machine was made).
    int ChangeCount() const;

    // The host path a Windows path resolves to (existing names matched without case).
    // The machine remembers what it finds in its host folder and keeps that true as
    // it changes the folder itself; asking for a host path makes it look again, so
    // whoever changes the folder from outside must have asked for the path first.
    std::filesystem::path HostPath(const std::string& windowsPath) const;

    // Makes link a link to the folder target (a junction, as Windows has it): what is
    // below the link is what is below the target. Throws when the host cannot.
    void MakeFolderLink(const std::string& link, const std::string& target);
    // Makes link a symbolic link to the file target. Throws when the host cannot.
    void MakeFileLink(const std::string& link, const std::string& target);
    // The accounts (SID strings) a folder's access list lets in. A folder made
    // without a descriptor takes the access of the folder above, which every program
    // of the user shares: the machine tells that as Everyone ("S-1-1-0").
    std::vector<std::string> FolderTrustees(const std::string& folder) const;
    // Gives the folder the access list Windows gives a drive's root: Authenticated
    // Users ("S-1-5-11") may change it and what is made in it, which folders made
    // there without a list of their own inherit. The machine's drives are otherwise
    // the administrators' alone.
    void LetOthersWrite(const std::string& folder);

    // Runs hook once, just after the next whole-file read of path: another program
    // changing the file between two reads of it.
    void AfterNextRead(const std::string& path, std::function<void()> hook);

    // The journal of shell actions: "notify 0x8000000 0", "restart 2", ...
    const std::vector<std::string>& Journal() const;

    // Writes the registry and attribute tables to the root.
    void Save();

    struct State;

private:
    void MakeLink(const std::string& link, const std::string& target, bool folder);

    std::filesystem::path root_;
    MachineConfig config_;
    std::unique_ptr<State> state_;
};

}  // namespace lorvel::platform::virt
