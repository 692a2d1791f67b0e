// Files and folders as the program sees them on Windows. Every operation returns 0
// or a Windows error code and never throws. Paths are Shift-JIS byte strings.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowsErrors.h"

namespace lorvel::platform {

namespace attr {
constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kNormal = 0x80;
// A link (a junction, a symbolic link, a mount point): what it names lies elsewhere.
// The system's other reparse points (files kept compressed, deduplicated or in the
// cloud) are the files themselves and are not reported with it.
constexpr std::uint32_t kReparsePoint = 0x400;
}  // namespace attr

// One entry of a directory search, as FindFirstFile/FindNextFile report it.
struct FindEntry {
    std::string name;  // "." and ".." included where Windows gives them
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWriteTime = 0;  // FILETIME: 100 ns units since 1601, UTC
};

struct DiskSpace {
    std::uint64_t freeToCaller = 0;
    std::uint64_t total = 0;
    std::uint64_t totalFree = 0;
};

// What GetDiskFreeSpaceA reports; the counts are 32-bit on the real system.
struct DiskGeometry {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t freeClusters = 0;
    std::uint32_t totalClusters = 0;
};

// A file kept open to be written at its end, piece after piece: each piece reaches the
// system at once, so a process that is killed keeps every piece it wrote; the disk
// takes it in its own time.
class Appender {
public:
    virtual ~Appender() = default;
    virtual ErrorCode Append(std::string_view bytes) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual ErrorCode CreateFolder(const std::string& path) = 0;
    // A new folder for the program's own files, which no other program of a lesser
    // account may change: when the process runs as administrator, Administrators and
    // SYSTEM alone have access; otherwise the user alone. 183 when anything is at the
    // path already, whatever it is, so a folder somebody else made is never taken.
    virtual ErrorCode CreatePrivateFolder(const std::string& path) = 0;
    // A new folder for what the program installs, with an access list of its own
    // instead of the folder above's: Administrators and SYSTEM full control, Users
    // read and execute, and what is made inside inherits it. A run without an
    // administrator's rights keeps full control for its own account too, or it could
    // not fill the folder. 183 when anything is at the path already.
    virtual ErrorCode CreateAdminFolder(const std::string& path) = 0;
    // Whether an account other than Administrators, SYSTEM, the system's installer
    // service and the account the program runs as may change the folder (or what is
    // made in it): write, delete, rename, change its access list or own it. Asked of
    // the folder a link names, as every path through it leads there.
    virtual ErrorCode QueryOthersMayWrite(const std::string& folder, bool& othersMayWrite) = 0;
    // Removes an empty folder only (145 when something is left in it); a link to a
    // folder is removed as a link, whatever its target holds.
    virtual ErrorCode RemoveFolder(const std::string& path) = 0;
    // failIfExists: 80 when anything is at the destination, a link included whatever
    // it names or whether that is there; the system's own copy would create what a
    // link to nothing names. (On Windows a source that is a link is then copied as
    // the link.)
    virtual ErrorCode Copy(const std::string& source, const std::string& destination, bool failIfExists) = 0;
    virtual ErrorCode RemoveFile(const std::string& path) = 0;

    // INVALID_FILE_ATTRIBUTES is reported as an error code instead.
    virtual ErrorCode GetAttributes(const std::string& path, std::uint32_t& attributes) = 0;
    virtual ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // Attributes, size and last-write time of one file or folder in one lookup of the
    // path itself (no directory search); the name is left empty.
    virtual ErrorCode QueryFile(const std::string& path, FindEntry& info) = 0;

    // Every entry matching the pattern ("*" and "?" in the last part); 2 or 3 when
    // nothing matches or the folder is missing, as FindFirstFile reports it.
    virtual ErrorCode FindEntries(const std::string& pattern, std::vector<FindEntry>& entries) = 0;

    // The whole file, when it holds at most limit bytes: 223 (file too large) when it
    // holds more, told by the bytes read, not by a size asked first, which the file
    // may outgrow meanwhile; 8 when the memory for it cannot be had.
    virtual ErrorCode ReadWholeFile(const std::string& path, std::string& bytes, std::uint64_t limit) = 0;
    // The same within the bound every whole-file read keeps, so that no file read
    // whole can exhaust the 32-bit program's memory.
    static constexpr std::uint64_t kWholeFileLimit = 256u << 20;
    ErrorCode ReadWholeFile(const std::string& path, std::string& bytes)
    {
        return ReadWholeFile(path, bytes, kWholeFileLimit);
    }
    // Replaces the file as a whole: a crash or a full disk leaves either the old
    // content or the new one. The new content goes to a file made new beside the
    // target under a name nobody can foresee, never through whatever is already
    // there, and replaces the target only when the target is no link (5 when it is).
    virtual ErrorCode WriteWholeFile(const std::string& path, const std::string& bytes) = 0;

    // Up to size bytes from offset: fewer only where the file ends.
    virtual ErrorCode ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                                    std::string& bytes) = 0;
    // A file for the program's own passing use, written in pieces: made new (80 when
    // anything is at the path, a link included), then grown at its end, each call
    // refusing a link. Nothing is flushed: a crash leaves no file anybody relies on.
    virtual ErrorCode CreateNewFile(const std::string& path, std::string_view bytes) = 0;
    virtual ErrorCode AppendToFile(const std::string& path, std::string_view bytes) = 0;
    // Opens an existing file to write at its end (never through a link); null, and
    // the reason in code, when it cannot be.
    virtual std::unique_ptr<Appender> OpenAppender(const std::string& path, ErrorCode& code) = 0;
    // Makes what was written to the file survive a power cut: the system's buffers
    // for it go to the disk before this returns. Refuses a link, as the two above.
    virtual ErrorCode FlushFile(const std::string& path) = 0;
    // The same for everything written to the volume that holds path, in one call; it
    // takes an administrator's rights (5 without them).
    virtual ErrorCode FlushVolume(const std::string& path) = 0;

    // The shell's silent, permanent deletion (no confirmation, no error window): a
    // folder goes with its content; a wildcard in the last part deletes every
    // matching file and folder. 2 when a plain path names nothing. A link met on the
    // way is removed as a link and never entered: what it names is left alone.
    virtual ErrorCode ShellDelete(const std::string& path) = 0;

    // The process's current folder, which Windows will not let anyone remove; Get
    // gives it without a trailing "\" except for a drive root.
    virtual ErrorCode SetCurrentFolder(const std::string& path) = 0;
    virtual std::string GetCurrentFolder() = 0;

    // The extended query exists only on newer systems, so it is looked up at run time.
    virtual bool HasDiskSpaceEx() = 0;
    virtual ErrorCode QueryDiskSpaceEx(const std::string& root, DiskSpace& space) = 0;
    virtual ErrorCode QueryDiskSpace(const std::string& root, DiskGeometry& geometry) = 0;

    // Convenience over GetAttributes.
    bool Exists(const std::string& path)
    {
        std::uint32_t a = 0;
        return GetAttributes(path, a) == kErrorSuccess;
    }
    bool FileExists(const std::string& path)
    {
        std::uint32_t a = 0;
        return GetAttributes(path, a) == kErrorSuccess && (a & attr::kDirectory) == 0;
    }
    std::optional<FindEntry> Stat(const std::string& path)
    {
        FindEntry info;
        if (QueryFile(path, info) != kErrorSuccess) return std::nullopt;
        return info;
    }
};

}  // namespace lorvel::platform
