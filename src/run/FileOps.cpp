#include "run/FileOps.h"

#include <vector>

#include "util/Sha256.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

bool IsComponentFile(const std::string& path)
{
    return MBPosText(".OCX", path) > 0 || MBPosText(".DLL", path) > 0;
}

bool FileOps::FolderExists(const std::string& folder)
{
    const std::string pattern = RemovePathDelim(folder, "B") + "\\*.*";
    std::vector<FindEntry> entries;
    if (platform_.files.FindEntries(pattern, entries) != kErrorSuccess) return false;
    // The search admits folders and plain files but not hidden or system entries;
    // a folder's own "." entry makes an empty folder count.
    for (const FindEntry& entry : entries)
        if ((entry.attributes & (attr::kHidden | attr::kSystem)) == 0) return true;
    return false;
}

bool FileOps::CreateFolderTree(const std::string& folder, NewFolders access)
{
    const std::string path = AddPathDelim(folder, "B");
    const LeadByteSet& leads = ActiveLeadBytes();
    bool result = true;
    // Each level ends at a "\", found in one walk forward over whole characters (a
    // trail byte 0x5C is no "\").
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (leads.Contains(byte)) {
            ++i;
            continue;
        }
        if (byte != '\\') continue;
        const std::string level = path.substr(0, i + 1);
        if (FolderExists(level)) continue;
        const ErrorCode created = access == NewFolders::Administrators ? platform_.files.CreateAdminFolder(level)
                                                                       : platform_.files.CreateFolder(level);
        result = created == kErrorSuccess;
        // Below a level whose parent is missing, or whose name no system can take,
        // no level can be made either: each would fail as this one did. They are not
        // tried, so a line of thousands of names costs what its levels up to the
        // system's limits cost, not a search and a creation for every name.
        if (created == kErrorPathNotFound || created == kErrorInvalidName || created == kErrorBadPathName ||
            created == kErrorFilenameExcedRange || created == kErrorNoUnicodeTranslation)
            return false;
    }
    return result;
}

ErrorCode FileOps::CopyFileOverwrite(const std::string& source, const std::string& destination)
{
    return CopyFileOverwrite(source, destination, platform_.files.FileExists(destination), std::nullopt);
}

ErrorCode FileOps::CopyFileOverwrite(const std::string& source, const std::string& destination, bool destinationExists,
                                     std::optional<std::uint32_t> sourceAttributes)
{
    FileSystem& files = platform_.files;
    if (!destinationExists) {
        const ErrorCode created = CopyFileToNew(source, destination, sourceAttributes);
        if (created != kErrorFileExists) return created;
    }
    // What is there is looked at just before it is replaced, whatever the caller saw:
    // a file that came since is replaced as any existing file is; a link, which another
    // program may have put there meanwhile, is never replaced through (the system's
    // copy would write what it names); a folder stays as it is and fails the copy.
    std::uint32_t there = 0;
    const bool found = files.GetAttributes(destination, there) == kErrorSuccess;
    if (found && (there & attr::kReparsePoint) != 0) return kErrorAccessDenied;
    // An existing file loses read-only, hidden and system first, so the copy can replace it.
    if (found && (there & attr::kDirectory) == 0) files.SetAttributes(destination, attr::kArchive);
    const ErrorCode result = files.Copy(source, destination, false);
    if (result == kErrorSuccess) LeaveWritable(destination, sourceAttributes);
    return result;
}

ErrorCode FileOps::CopyFileToNew(const std::string& source, const std::string& destination,
                                 std::optional<std::uint32_t> sourceAttributes)
{
    // A copy that may replace looks the destination up before it creates it; under
    // Wine each lookup of a name a folder lacks reads the whole folder, so a copy
    // into a large folder costs twice what one that only creates costs.
    const ErrorCode result = platform_.files.Copy(source, destination, true);
    if (result == kErrorSuccess) LeaveWritable(destination, sourceAttributes);
    return result;
}

void FileOps::LeaveWritable(const std::string& destination, std::optional<std::uint32_t> sourceAttributes)
{
    // A copy from a read-only medium is left writable. The copy takes the source's
    // attributes, so a source with the archive attribute alone needs nothing more.
    if (sourceAttributes != attr::kArchive) platform_.files.SetAttributes(destination, attr::kArchive);
}

ErrorCode FileOps::DeleteFiles(const std::string& path)
{
    return Delete(path, true);
}

ErrorCode FileOps::DeleteFilesUnloaded(const std::string& path)
{
    return Delete(path, false);
}

ErrorCode FileOps::Delete(const std::string& path, bool unregister)
{
    const bool wildcard = HasWildcard(path);
    const bool component = unregister && IsComponentFile(path) && unregistrar_;
    if (!wildcard && !component) {
        // A plain file goes with one deletion; the shell, which costs far more, is
        // asked only for what that cannot remove (a read-only file, a folder).
        if (platform_.files.RemoveFile(path) == kErrorSuccess) return kErrorSuccess;
        // A folder of that name is no file to delete, as it never was.
        if (!platform_.files.FileExists(path)) return kErrorFileNotFound;
        return platform_.files.ShellDelete(path);
    }
    if (!wildcard && !platform_.files.FileExists(path)) return kErrorFileNotFound;
    if (component) unregistrar_(path);
    return platform_.files.ShellDelete(path);
}

ErrorCode FileOps::RemoveFolder(const std::string& folder, const std::string& patterns)
{
    const std::string base = AddPathDelim(folder, "B");
    std::string rest = patterns;
    while (!rest.empty()) {
        const int bar = MBPos("|", rest);
        const std::string pattern = bar > 0 ? StrLeft(rest, bar - 1) : rest;
        rest = bar > 0 ? StrMid(rest, bar + 1) : std::string();
        if (!pattern.empty()) DeleteFiles(base + pattern);
    }
    return platform_.files.RemoveFolder(base);
}

std::string FileOps::DigestOf(const std::string& path)
{
    std::string bytes;
    return platform_.files.ReadWholeFile(path, bytes) == kErrorSuccess ? Sha256Hex(bytes) : std::string();
}

std::string FileOps::SystemErrorText(ErrorCode code)
{
    if (code == kErrorSuccess) return {};
    std::string text = platform_.system.GetErrorText(code);
    // Cut where a character begins: half a double-byte character would garble the line.
    std::size_t kept = 0;
    while (kept < text.size()) {
        const bool pair = MBIsLeadByte(static_cast<unsigned char>(text[kept])) && kept + 1 < text.size();
        const std::size_t step = pair ? 2 : 1;
        if (kept + step > 256) break;
        kept += step;
    }
    text.resize(kept);
    while (!text.empty()) {
        const auto last = static_cast<unsigned char>(text.back());
        if (last > ' ' && last != '.') break;
        // A trail byte is never a control character, a blank or a dot in code page 932.
        text.pop_back();
    }
    return MapString(text, kMapFullWidth) + "\r\n";
}

}  // namespace lorvel
