#include "run/SetupFolderAccess.h"

#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

namespace {

// Where the root ends: after "C:\", or after "\\server\share\" for a shared folder.
std::size_t RootLength(const std::string& path)
{
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
    if (path.rfind("\\\\", 0) != 0) return 0;
    std::size_t at = 2;
    for (int part = 0; part < 2; ++part) {
        const int next = MBPos("\\", path.substr(at));
        if (next == 0) return path.size();
        at += static_cast<std::size_t>(next);
    }
    return at;
}

}  // namespace

std::string FirstFolderOthersMayChange(platform::FileSystem& files, const std::string& folder)
{
    const std::string path = AddPathDelim(folder, "B");
    for (std::size_t next = RootLength(path); next < path.size();) {
        const int delimiter = MBPos("\\", path.substr(next));
        if (delimiter == 0) break;
        next += static_cast<std::size_t>(delimiter);
        const std::string level = path.substr(0, next - 1);
        bool othersMayWrite = false;
        const platform::ErrorCode asked = files.QueryOthersMayWrite(level, othersMayWrite);
        // Below a missing folder nothing exists yet.
        if (asked == platform::kErrorFileNotFound || asked == platform::kErrorPathNotFound) return "";
        if (asked != platform::kErrorSuccess || othersMayWrite) return level;
    }
    return "";
}

}  // namespace lorvel
