// Internals shared by the services of the simulated machine.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

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

bool WildcardMatch(const std::string& pattern, const std::string& name);

class VirtualFileSystem;
class VirtualRegistry;
class VirtualSystem;
class VirtualShell;
class VirtualComponents;
class VirtualLz;

struct VirtualMachine::State {
    VirtualMachine& machine;
    std::map<std::string, std::uint32_t> attributes;  // path key -> attributes (files and folders)
    std::vector<std::string> deniedPrefixes;          // path keys
    std::set<std::string> lockedFiles;                // path keys
    std::map<char, DiskConfig> disks;
    std::map<char, std::uint64_t> used;               // bytes written since the disk was set
    RegKey registryRoots[4];
    std::vector<std::pair<RootKey, std::string>> registryDenied;
    std::vector<std::string> journal;
    std::set<std::string> mutexes;
    std::uint64_t clockMs = 0;
    std::uint64_t fileTimeBase = 0;
    std::uint64_t lastFileTime = 0;
    bool dirty = false;

    std::unique_ptr<VirtualFileSystem> files;
    std::unique_ptr<VirtualRegistry> registry;
    std::unique_ptr<VirtualSystem> system;
    std::unique_ptr<VirtualShell> shell;
    std::unique_ptr<VirtualComponents> components;
    std::unique_ptr<VirtualLz> lz;

    explicit State(VirtualMachine& m);
    ~State();

    // Resolution of a parsed path on the host: each existing component is matched
    // without case; missing components are taken as they are spelled.
    // The names of a host folder by their upper-case Windows spelling, kept while
    // the folder's modification time stays the same.
    struct FolderIndex {
        std::int64_t modifiedSeconds = -1;
        std::int64_t modifiedNanoseconds = -1;
        std::map<std::string, std::string> names;  // upper-case Windows name -> host name
    };
    mutable std::map<std::string, FolderIndex> folderIndexes;
    // The host entry in folder whose name matches name without regard to case; empty if none.
    // folderStatus: the folder's status when the caller has just read it.
    std::string FindWithoutCase(const std::filesystem::path& folder, const std::string& name,
                                const struct ::stat* folderStatus = nullptr) const;
    // Our own changes keep a folder's index in step instead of making it be read
    // again: before a change an index that is out of date is dropped, after it the
    // name is added or removed and the folder's new time noted.
    void BeforeChange(const std::filesystem::path& entry);
    void AfterChange(const std::filesystem::path& entry, bool present);

    struct Resolved {
        std::filesystem::path host;
        bool exists = false;
        bool parentExists = false;
        struct ::stat status {};
    };
    Resolved Resolve(const WinPath& path) const;
    bool IsDenied(const std::string& key) const;
    bool IsLocked(const std::string& key) const;
    std::uint64_t NowFileTime();  // the virtual clock as a FILETIME, later at every call
    std::uint32_t AttributesOf(const std::string& key, bool isDirectory) const;
    void ForgetAttributesBelow(const std::string& key);
    DiskConfig& Disk(char drive);
    std::uint64_t FreeBytes(char drive);

    void LoadRegistry(const std::filesystem::path& file);
    void SaveRegistry(const std::filesystem::path& file) const;
    void LoadAttributes(const std::filesystem::path& file);
    void SaveAttributes(const std::filesystem::path& file) const;
};

}  // namespace lorvel::platform::virt
