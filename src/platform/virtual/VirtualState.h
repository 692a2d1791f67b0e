// Internals shared by the services of the simulated machine.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/virtual/HostAccess.h"
#include "platform/virtual/VirtualMachine.h"

namespace lorvel::platform::virt {

// Orders names as Windows compares them: without regard to case.
struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct RegKey {
    std::string name;  // as first created, case kept
    std::map<std::string, RegKey, CaseLess> subkeys;
    std::map<std::string, RegValue, CaseLess> values;
    std::map<std::string, std::string, CaseLess> valueNames;  // case kept
};

// A Windows path taken apart: drive letter and components, no empty ones.
struct WinPath {
    char drive = 0;
    std::vector<std::string> parts;
    bool valid = false;
    bool hasWildcard = false;  // in the last component
    std::string Key() const;   // upper-case canonical form, "C:\A\B"
    std::string Text() const;  // canonical form, "C:\A\B"
};

WinPath ParseWinPath(const std::string& path);

// Host name of a Shift-JIS component (UTF-8), and back; empty on a failed conversion.
std::string HostName(const std::string& sjis);
std::string WinName(const std::string& utf8);

// The folder and the name of a host path ("/r/C/APP/A.TXT": "/r/C/APP", "A.TXT").
std::string HostFolderOf(const std::string& host);
std::string HostNameOf(const std::string& host);

bool WildcardMatch(const std::string& pattern, const std::string& name);

class VirtualFileSystem;
class VirtualRegistry;
class VirtualSystem;
class VirtualShell;
class VirtualComponents;
class VirtualLz;
class VirtualShellLinks;

struct VirtualMachine::State {
    VirtualMachine& machine;
    std::map<std::string, std::uint32_t> attributes;                 // path key -> attributes (files and folders)
    std::vector<std::string> deniedPrefixes;                         // path keys
    std::vector<std::string> readDeniedPrefixes;                     // path keys
    std::set<std::string> lockedFiles;                               // path keys
    std::map<std::string, std::vector<std::string>> folderTrustees;  // path key -> SIDs, private folders only
    LinkSave linkFault;                                              // what every link save gives while set
    std::map<char, DiskConfig> disks;
    std::map<char, std::uint64_t> used;  // bytes written since the disk was set
    RegKey registryRoots[4];
    std::vector<std::pair<RootKey, std::string>> registryDenied;
    struct PlannedFault {
        OperationKind kind;
        int at;
        Fault fault;
    };
    std::vector<PlannedFault> plannedFaults;
    std::array<int, kOperationKindCount> operationCounts{};
    std::set<char> removedMedia;
    int changes = 0;  // every counted kind but medium reads
    int stopAt = 0;   // the change StopAtChange stops at; 0 for none
    std::filesystem::path stopSnapshot;
    bool stopPowerCut = false;
    // Path key -> the length a power cut leaves, for each file written since its last
    // flush.
    std::map<std::string, std::uint64_t> durableSize;
    std::vector<std::string> journal;
    std::map<std::string, std::function<void()>> afterRead;  // path key -> hook, run once
    std::set<std::string> mutexes;
    std::string currentFolder = "C:\\";  // as the program set it
    std::string currentFolderKey;        // its path key
    std::uint64_t clockMs = 0;
    std::uint64_t fileTimeBase = 0;
    std::uint64_t lastFileTime = 0;
    bool dirty = false;
    std::mt19937_64 random{std::random_device{}()};

    std::unique_ptr<VirtualFileSystem> files;
    std::unique_ptr<VirtualRegistry> registry;
    std::unique_ptr<VirtualRegistry> nativeRegistry;
    std::unique_ptr<VirtualSystem> system;
    std::unique_ptr<VirtualShell> shell;
    std::unique_ptr<VirtualComponents> components;
    std::unique_ptr<VirtualLz> lz;
    std::unique_ptr<VirtualShellLinks> links;

    explicit State(VirtualMachine& m);
    ~State();

    // What the machine knows of its host folder: how paths resolved and which names
    // each folder holds. Every change the machine makes keeps it true, so a lookup
    // costs the host nothing the second time; whoever else changes the folder must
    // reach it through VirtualMachine::HostPath, which makes the machine forget it all.
    struct Resolved {
        std::string host;
        bool exists = false;
        bool parentExists = false;
        bool statusOld = false;  // a folder whose names changed since its status was read
        HostStatus status;
    };
    // Each existing component is matched without case; missing ones are taken as spelled.
    const Resolved& Resolve(const WinPath& path, const std::string& key) const;
    // Where path is on the host: a missing name as path spells it.
    static std::string HostFor(const WinPath& path, const Resolved& resolved);
    Resolved& Remember(const WinPath& path, const std::string& key) const;
    // The host entry in folder whose name matches name without regard to case; empty if none.
    std::string FindWithoutCase(const std::string& folder, const std::string& name) const;
    // After the machine created, replaced or removed the entry path (key: its key)
    // names on the host; folder: the entry is a folder, or was one; status, when
    // given, is the entry's status just read.
    void Changed(const WinPath& path, const std::string& key, const std::string& host, bool folder,
                 const HostStatus* status = nullptr);
    void ForgetHostFolder();
    // A path the program named, as the machine keeps it: a 32-bit program on 64-bit
    // Windows reaches SYSWOW64 through its system folder and the real system folder
    // through SYSNATIVE in the Windows folder.
    void RedirectForProgram(WinPath& path) const;

    mutable std::unordered_map<std::string, Resolved> known;  // path key -> how it resolved
    // Host folder -> its names by their upper-case Windows spelling -> host name.
    mutable std::unordered_map<std::string, std::unordered_map<std::string, std::string>> folderNames;

    // Counts one operation of the kind; the fault planned for it, if any. At the
    // change StopAtChange names, writes the snapshot and throws MachineStopped.
    std::optional<Fault> Count(OperationKind kind);
    void WriteStopSnapshot();
    // A file written without a flush: a power cut leaves it at most `durable` long.
    void WrittenUnflushed(const std::string& key, std::uint64_t durable);
    // The code a file operation gives for a planned fault.
    static ErrorCode FileErrorOf(Fault fault);
    // Counts a call reaching a removable drive; true when the medium is out.
    bool MediumGone(char drive);

    bool IsDenied(const std::string& key) const;
    bool IsLocked(const std::string& key) const;
    bool IsReadDenied(const std::string& key) const;
    std::uint64_t NowFileTime();    // the virtual clock as a FILETIME, later at every call
    std::uint64_t Unforeseeable();  // as the system's random source gives it
    std::uint32_t AttributesOf(const std::string& key, bool isDirectory) const;
    // value without the directory bit.
    void SetAttributesOf(const std::string& key, std::uint32_t value, bool isDirectory);
    void ForgetAttributesBelow(const std::string& key);
    DiskConfig& Disk(char drive);
    std::uint64_t FreeBytes(char drive);

    void LoadRegistry(const std::filesystem::path& file);
    void SaveRegistry(const std::filesystem::path& file) const;
    void LoadAttributes(const std::filesystem::path& file);
    void SaveAttributes(const std::filesystem::path& file) const;
    void LoadTrustees(const std::filesystem::path& file);
    void SaveTrustees(const std::filesystem::path& file) const;
};

}  // namespace lorvel::platform::virt
