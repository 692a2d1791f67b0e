#include <cctype>
#include <cstdio>
#include <fstream>

#include "platform/virtual/VirtualServices.h"
#include "util/ShiftJisText.h"

namespace fs = std::filesystem;

namespace lorvel::platform::virt {

namespace {

std::uint64_t HostWriteTime(const std::string& host)
{
    HostStatus status;
    return StatHost(host, status) ? status.writeTime : 0;
}

bool DriveExists(const fs::path& root, char drive)
{
    std::error_code ec;
    return fs::is_directory(root / std::string(1, drive), ec);
}

std::uint64_t HostSize(const std::string& host)
{
    HostStatus status;
    return StatHost(host, status) ? status.size : 0;
}

}  // namespace

struct VirtualFileSystem::Target {
    WinPath path;
    std::string host;
    bool exists = false;
    bool isDirectory = false;
    bool isLink = false;
    bool parentExists = false;
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    std::string key;
    bool untranslatable = false;  // a name with no UTF-16 reading; the path is then not valid

    // What Windows answers a path it cannot take with: a name that is no Shift-JIS
    // is refused while it is converted, before anything else is looked at.
    ErrorCode NameError() const { return untranslatable ? kErrorNoUnicodeTranslation : kErrorInvalidName; }
};

VirtualFileSystem::Target VirtualFileSystem::Locate(const std::string& text) const
{
    Target t;
    t.path = ParseWinPath(text);
    if (!t.path.valid) return t;
    s_.RedirectForProgram(t.path);
    // Such a name has no host name either: looked up, it would stand for its folder.
    for (const std::string& part : t.path.parts) {
        if (HostName(part).empty()) {
            t.path.valid = false;
            t.untranslatable = true;
            return t;
        }
    }
    t.key = t.path.Key();
    // A medium taken out holds nothing, not even its root.
    if (s_.MediumGone(t.path.drive)) {
        t.host = HostText(s_.machine.Root() / std::string(1, t.path.drive));
        return t;
    }
    const VirtualMachine::State::Resolved& resolved = s_.Resolve(t.path, t.key);
    t.host = VirtualMachine::State::HostFor(t.path, resolved);
    t.exists = resolved.exists;
    t.parentExists = resolved.parentExists;
    if (t.exists) {
        t.isDirectory = resolved.status.directory;
        t.isLink = resolved.status.link;
        t.size = resolved.status.size;
        t.writeTime = resolved.status.writeTime;
    }
    return t;
}

ErrorCode VirtualFileSystem::CheckWritable(const Target& t) const
{
    if (s_.IsDenied(t.key)) return kErrorAccessDenied;
    if (s_.IsLocked(t.key)) return kErrorSharingViolation;
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::Reserve(char drive, std::uint64_t newSize, std::uint64_t oldSize)
{
    if (newSize > oldSize && newSize - oldSize > s_.FreeBytes(drive)) return kErrorDiskFull;
    s_.used[drive] += newSize;
    Release(drive, oldSize);
    return kErrorSuccess;
}

void VirtualFileSystem::Release(char drive, std::uint64_t size)
{
    auto& spent = s_.used[drive];
    // Files that were there before the disk was configured free space they never took.
    if (spent >= size)
        spent -= size;
    else {
        s_.Disk(drive).free += size - spent;
        spent = 0;
    }
}

void VirtualFileSystem::StatInto(Target& t)
{
    HostStatus status;
    t.exists = StatHost(t.host, status);
    t.isDirectory = status.directory;
    t.isLink = status.link;
    t.size = status.size;
    t.writeTime = status.writeTime;
}

FindEntry VirtualFileSystem::EntryOf(const Target& t) const
{
    FindEntry entry;
    entry.name = t.path.parts.empty() ? std::string() : WinName(HostNameOf(t.host));
    entry.attributes = s_.AttributesOf(t.key, t.isDirectory) | (t.isLink ? attr::kReparsePoint : 0u);
    entry.size = t.size;
    entry.lastWriteTime = t.writeTime;
    return entry;
}

ErrorCode VirtualFileSystem::CreateFolder(const std::string& path)
{
    return MakeFolder(path, Access::Inherited);
}

ErrorCode VirtualFileSystem::CreatePrivateFolder(const std::string& path)
{
    return MakeFolder(path, Access::Private);
}

ErrorCode VirtualFileSystem::CreateAdminFolder(const std::string& path)
{
    return MakeFolder(path, Access::Admin);
}

namespace {

constexpr const char* kAdministrators = "S-1-5-32-544";
constexpr const char* kSystemAccount = "S-1-5-18";
constexpr const char* kUsers = "S-1-5-32-545";  // given read and execute only, in every list here

std::vector<std::string> TrusteesFor(VirtualFileSystem::Access access, const MachineConfig& config)
{
    if (access == VirtualFileSystem::Access::Private)
        return config.elevated ? std::vector<std::string>{kAdministrators, kSystemAccount}
                               : std::vector<std::string>{config.userSid};
    std::vector<std::string> trustees{kAdministrators, kSystemAccount, kUsers};
    if (!config.elevated) trustees.push_back(config.userSid);
    return trustees;
}

}  // namespace

ErrorCode VirtualFileSystem::MakeFolder(const std::string& path, Access access)
{
    if (const auto fault = s_.Count(OperationKind::FolderCreate)) return s_.FileErrorOf(*fault);
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (t.path.parts.empty()) return t.exists ? kErrorAccessDenied : kErrorPathNotFound;
    if (t.exists) return kErrorAlreadyExists;
    if (!t.parentExists) return kErrorPathNotFound;
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    std::error_code ec;
    if (!fs::create_directory(HostFsPath(t.host), ec)) return kErrorAccessDenied;
    SetHostWriteTime(t.host, s_.NowFileTime());
    s_.Changed(t.path, t.key, t.host, true);
    if (access != Access::Inherited) s_.folderTrustees[t.key] = TrusteesFor(access, s_.machine.Config());
    return kErrorSuccess;
}

// The nearest list on the folder's way up decides: a folder without one of its own
// has its parent's.
ErrorCode VirtualFileSystem::QueryOthersMayWrite(const std::string& folder, bool& othersMayWrite)
{
    const Target t = Locate(folder);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (s_.IsReadDenied(t.key)) return kErrorAccessDenied;
    const MachineConfig& config = s_.machine.Config();
    WinPath level = t.path;
    othersMayWrite = false;
    for (;;) {
        const auto found = s_.folderTrustees.find(level.Key());
        if (found != s_.folderTrustees.end()) {
            for (const std::string& sid : found->second)
                if (sid != kAdministrators && sid != kSystemAccount && sid != kUsers && sid != config.userSid)
                    othersMayWrite = true;
            return kErrorSuccess;
        }
        if (level.parts.empty()) return kErrorSuccess;
        level.parts.pop_back();
    }
}

ErrorCode VirtualFileSystem::RemoveFolder(const std::string& path)
{
    if (const auto fault = s_.Count(OperationKind::FileRemoval)) return s_.FileErrorOf(*fault);
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (!t.isDirectory) return kErrorInvalidName;  // ERROR_DIRECTORY on newer systems
    if (t.path.parts.empty()) return kErrorAccessDenied;
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    if (s_.AttributesOf(t.key, true) & attr::kReadOnly) return kErrorAccessDenied;
    // Windows holds the current folder open, so nobody can remove it.
    if (t.key == s_.currentFolderKey) return kErrorSharingViolation;
    std::error_code ec;
    // A link goes as a link, whatever its target holds.
    if (!t.isLink && !fs::is_empty(HostFsPath(t.host), ec)) return kErrorDirNotEmpty;
    fs::remove(HostFsPath(t.host), ec);
    if (ec) return kErrorAccessDenied;
    s_.Changed(t.path, t.key, t.host, true);
    s_.ForgetAttributesBelow(t.key);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::Copy(const std::string& source, const std::string& destination, bool failIfExists)
{
    if (const auto fault = s_.Count(OperationKind::FileCopy)) return s_.FileErrorOf(*fault);
    const Target from = Locate(source);
    const Target to = Locate(destination);
    if (from.untranslatable || to.untranslatable) return kErrorNoUnicodeTranslation;
    if (!from.path.valid || !to.path.valid || from.path.hasWildcard || to.path.hasWildcard) return kErrorInvalidName;
    if (!from.exists) return from.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (from.isDirectory) return kErrorAccessDenied;
    // The system opens the source first: one it may not read fails the copy before
    // anything is made at the destination.
    if (s_.IsReadDenied(from.key)) return kErrorAccessDenied;
    if (s_.IsLocked(from.key)) return kErrorSharingViolation;
    if (!to.parentExists) return kErrorPathNotFound;
    if (to.exists && failIfExists) return kErrorFileExists;
    if (to.isDirectory) return kErrorAccessDenied;
    if (const ErrorCode denied = CheckWritable(to)) return denied;
    // CopyFile refuses a read-only or hidden destination.
    if (to.exists && (s_.AttributesOf(to.key, false) & (attr::kReadOnly | attr::kHidden))) return kErrorAccessDenied;
    if (from.key == to.key) return kErrorSharingViolation;

    // The sizes and times are those Locate has just read.
    const std::uint64_t size = from.size;
    if (const ErrorCode full = Reserve(to.path.drive, size, to.exists ? to.size : 0)) return full;
    // CopyFile keeps the source's attributes and last-write time, adding archive.
    HostStatus copied;
    if (!CopyHostFile(from.host, to.host, size, from.writeTime, copied)) {
        s_.Changed(to.path, to.key, to.host, false);  // a part of the file may be there
        Release(to.path.drive, size);
        return kErrorAccessDenied;
    }
    s_.Changed(to.path, to.key, to.host, false, &copied);
    s_.SetAttributesOf(to.key, s_.AttributesOf(from.key, false) | attr::kArchive, false);
    s_.WrittenUnflushed(to.key, 0);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::RemoveFile(const std::string& path)
{
    if (const auto fault = s_.Count(OperationKind::FileRemoval)) return s_.FileErrorOf(*fault);
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (t.isDirectory) return kErrorAccessDenied;
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    if (s_.AttributesOf(t.key, false) & attr::kReadOnly) return kErrorAccessDenied;
    std::error_code ec;
    fs::remove(HostFsPath(t.host), ec);
    if (ec) return kErrorAccessDenied;
    s_.Changed(t.path, t.key, t.host, false);
    Release(t.path.drive, t.size);
    s_.ForgetAttributesBelow(t.key);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::GetAttributes(const std::string& path, std::uint32_t& attributes)
{
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    attributes = s_.AttributesOf(t.key, t.isDirectory) | (t.isLink ? attr::kReparsePoint : 0u);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::QueryFile(const std::string& path, FindEntry& info)
{
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    info = EntryOf(t);
    info.name.clear();
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::SetAttributes(const std::string& path, std::uint32_t attributes)
{
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (s_.IsDenied(t.key)) return kErrorAccessDenied;
    const std::uint32_t kept = attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive);
    s_.SetAttributesOf(t.key, kept, t.isDirectory);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::FindEntries(const std::string& pattern, std::vector<FindEntry>& entries)
{
    entries.clear();
    const Target t = Locate(pattern);
    if (!t.path.valid) return t.NameError();
    if (t.path.parts.empty()) return kErrorFileNotFound;  // a bare drive root names no entry
    if (!t.parentExists) return kErrorPathNotFound;
    if (!t.path.hasWildcard) {
        if (!t.exists) return kErrorFileNotFound;
        entries.push_back(EntryOf(t));
        return kErrorSuccess;
    }
    const std::string& mask = t.path.parts.back();
    WinPath folder = t.path;
    folder.parts.pop_back();
    // Windows lists "." and ".." in every folder but a drive root.
    if (!folder.parts.empty()) {
        for (const char* dot : {".", ".."}) {
            if (!WildcardMatch(mask, dot)) continue;
            FindEntry entry;
            entry.name = dot;
            entry.attributes = attr::kDirectory;
            entry.lastWriteTime = HostWriteTime(HostFolderOf(t.host));
            entries.push_back(entry);
        }
    }
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(HostFsPath(HostFolderOf(t.host)), ec)) {
        const std::string name = WinName(HostText(item.path().filename()));
        if (name.empty() || !WildcardMatch(mask, name)) continue;
        Target child;
        child.path = folder;
        child.path.parts.push_back(name);
        child.host = HostText(item.path());
        child.key = child.path.Key();
        StatInto(child);
        entries.push_back(EntryOf(child));
    }
    return entries.empty() ? kErrorFileNotFound : kErrorSuccess;
}

ErrorCode VirtualFileSystem::ReadWholeFile(const std::string& path, std::string& bytes, std::uint64_t limit)
{
    bytes.clear();
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (t.isDirectory) return kErrorAccessDenied;
    if (s_.IsReadDenied(t.key)) return kErrorAccessDenied;
    if (s_.IsLocked(t.key)) return kErrorSharingViolation;
    if (t.size > limit) return kErrorFileTooLarge;
    {
        std::ifstream in(HostFsPath(t.host), std::ios::binary);
        if (!in) return kErrorAccessDenied;
        // No more than one byte past the bound is read, whatever the file has grown to.
        std::string chunk(64 * 1024, '\0');
        while (in && bytes.size() <= limit) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), limit + 1 - bytes.size()));
            in.read(chunk.data(), static_cast<std::streamsize>(want));
            bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        }
        if (bytes.size() > limit) {
            bytes.clear();
            return kErrorFileTooLarge;
        }
    }
    if (const auto hook = s_.afterRead.find(t.key); hook != s_.afterRead.end()) {
        const std::function<void()> run = std::move(hook->second);
        s_.afterRead.erase(hook);
        run();
    }
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::WriteWholeFile(const std::string& path, const std::string& bytes)
{
    if (const auto fault = s_.Count(OperationKind::FileWrite)) return s_.FileErrorOf(*fault);
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard || t.path.parts.empty()) return t.NameError();
    if (!t.parentExists) return kErrorPathNotFound;
    if (t.isDirectory) return kErrorAccessDenied;
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    if (t.exists && (s_.AttributesOf(t.key, false) & attr::kReadOnly)) return kErrorAccessDenied;
    if (t.isLink) return kErrorAccessDenied;
    const std::uint64_t oldSize = t.exists ? t.size : 0;
    if (const ErrorCode full = Reserve(t.path.drive, bytes.size(), oldSize)) return full;
    // Written beside the target under a name nobody can foresee, made new, and
    // renamed over it, as on Windows.
    std::string temporaryHost;
    for (int attempt = 0; attempt < 8 && temporaryHost.empty(); ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%016llX.tmp", static_cast<unsigned long long>(s_.Unforeseeable()));
        const std::string candidate = t.host + suffix;
        if (WriteNewHostFile(candidate, bytes)) temporaryHost = candidate;
    }
    if (temporaryHost.empty()) {
        Release(t.path.drive, bytes.size());
        return kErrorAccessDenied;
    }
    const fs::path temporary = HostFsPath(temporaryHost);
    if (!ReplaceHostFile(temporary, HostFsPath(t.host))) {
        std::error_code ec;
        fs::remove(temporary, ec);
        Release(t.path.drive, bytes.size());
        return kErrorAccessDenied;
    }
    SetHostWriteTime(t.host, s_.NowFileTime());
    s_.Changed(t.path, t.key, t.host, false);
    if (!t.exists) s_.SetAttributesOf(t.key, attr::kArchive, false);
    s_.durableSize.erase(t.key);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                                           std::string& bytes)
{
    bytes.clear();
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (t.isDirectory || s_.IsReadDenied(t.key)) return kErrorAccessDenied;
    if (s_.IsLocked(t.key)) return kErrorSharingViolation;
    std::ifstream in(HostFsPath(t.host), std::ios::binary);
    if (!in) return kErrorAccessDenied;
    if (offset >= t.size) return kErrorSuccess;
    in.seekg(static_cast<std::streamoff>(offset));
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, t.size - offset)));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (const auto hook = s_.afterRead.find(t.key); hook != s_.afterRead.end()) {
        const std::function<void()> run = std::move(hook->second);
        s_.afterRead.erase(hook);
        run();
    }
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::CreateNewFile(const std::string& path, std::string_view bytes)
{
    if (const auto fault = s_.Count(OperationKind::FileWrite)) return s_.FileErrorOf(*fault);
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard || t.path.parts.empty()) return t.NameError();
    if (!t.parentExists) return kErrorPathNotFound;
    if (t.exists || t.isLink) return kErrorFileExists;
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    if (const ErrorCode full = Reserve(t.path.drive, bytes.size(), 0)) return full;
    if (!WriteNewHostFile(t.host, std::string(bytes))) {
        Release(t.path.drive, bytes.size());
        return kErrorAccessDenied;
    }
    SetHostWriteTime(t.host, s_.NowFileTime());
    s_.Changed(t.path, t.key, t.host, false);
    s_.SetAttributesOf(t.key, attr::kArchive, false);
    s_.WrittenUnflushed(t.key, 0);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::AppendToFile(const std::string& path, std::string_view bytes)
{
    if (const auto fault = s_.Count(OperationKind::FileWrite)) return s_.FileErrorOf(*fault);
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard || t.path.parts.empty()) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (t.isDirectory || t.isLink) return kErrorAccessDenied;
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    if (s_.AttributesOf(t.key, false) & attr::kReadOnly) return kErrorAccessDenied;
    if (const ErrorCode full = Reserve(t.path.drive, t.size + bytes.size(), t.size)) return full;
    std::ofstream out(HostFsPath(t.host), std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        Release(t.path.drive, bytes.size());
        return kErrorAccessDenied;
    }
    SetHostWriteTime(t.host, s_.NowFileTime());
    s_.Changed(t.path, t.key, t.host, false);
    s_.WrittenUnflushed(t.key, t.size);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::FlushFile(const std::string& path)
{
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard || t.path.parts.empty()) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (t.isDirectory || t.isLink) return kErrorAccessDenied;
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    s_.durableSize.erase(t.key);
    return kErrorSuccess;
}

namespace {

class HostAppender final : public Appender {
public:
    explicit HostAppender(const fs::path& path) : out_(path, std::ios::binary | std::ios::app) {}
    bool Good() const { return static_cast<bool>(out_); }
    ErrorCode Append(std::string_view bytes) override
    {
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out_.flush();
        return out_ ? kErrorSuccess : kErrorAccessDenied;
    }

private:
    std::ofstream out_;
};

}  // namespace

std::unique_ptr<Appender> VirtualFileSystem::OpenAppender(const std::string& path, ErrorCode& code)
{
    const Target t = Locate(path);
    code = kErrorSuccess;
    if (!t.path.valid || t.path.hasWildcard || t.path.parts.empty())
        code = t.NameError();
    else if (!t.exists)
        code = t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    else if (t.isDirectory || t.isLink)
        code = kErrorAccessDenied;
    else
        code = CheckWritable(t);
    if (code != kErrorSuccess) return nullptr;
    auto appender = std::make_unique<HostAppender>(HostFsPath(t.host));
    if (!appender->Good()) code = kErrorAccessDenied;
    return code == kErrorSuccess ? std::move(appender) : nullptr;
}

ErrorCode VirtualFileSystem::FlushVolume(const std::string& path)
{
    const WinPath where = ParseWinPath(path);
    if (!where.valid) return kErrorInvalidName;
    if (!s_.machine.Config().elevated) return kErrorAccessDenied;
    const std::string drive =
        std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(where.drive)))) + ":";
    for (auto it = s_.durableSize.begin(); it != s_.durableSize.end();)
        it = it->first.compare(0, drive.size(), drive) == 0 ? s_.durableSize.erase(it) : std::next(it);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::DeleteTree(const Target& t)
{
    if (const ErrorCode denied = CheckWritable(t)) return denied;
    if (!t.isDirectory || t.isLink) {
        const std::uint64_t size = HostSize(t.host);
        std::error_code ec;
        fs::remove(HostFsPath(t.host), ec);
        if (ec) return kErrorAccessDenied;
        s_.Changed(t.path, t.key, t.host, t.isLink);
        if (!t.isLink) Release(t.path.drive, size);
        s_.ForgetAttributesBelow(t.key);
        return kErrorSuccess;
    }
    ErrorCode result = kErrorSuccess;
    std::error_code ec;
    std::vector<std::string> children;
    for (const auto& item : fs::directory_iterator(HostFsPath(t.host), ec)) children.push_back(HostText(item.path()));
    for (const auto& child : children) {
        Target c;
        c.path = t.path;
        c.path.parts.push_back(WinName(HostNameOf(child)));
        c.host = child;
        c.exists = true;
        c.isDirectory = fs::is_directory(HostFsPath(child), ec);
        c.isLink = fs::is_symlink(fs::symlink_status(HostFsPath(child), ec));
        c.key = c.path.Key();
        if (const ErrorCode failed = DeleteTree(c)) result = failed;
    }
    if (result != kErrorSuccess) return result;
    fs::remove(HostFsPath(t.host), ec);
    if (ec) return kErrorAccessDenied;
    s_.Changed(t.path, t.key, t.host, true);
    s_.ForgetAttributesBelow(t.key);
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::ShellDelete(const std::string& path)
{
    if (const auto fault = s_.Count(OperationKind::FileRemoval)) return s_.FileErrorOf(*fault);
    const Target t = Locate(path);
    if (!t.path.valid || t.path.parts.empty()) return kErrorInvalidName;
    if (!t.path.hasWildcard) {
        if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
        return DeleteTree(t);
    }
    if (!t.parentExists) return kErrorPathNotFound;
    WinPath folder = t.path;
    folder.parts.pop_back();
    // A wildcard in a folder that is a link deletes nothing there.
    if (!folder.parts.empty() && Locate(folder.Text()).isLink) return kErrorAccessDenied;
    std::vector<Target> matches;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(HostFsPath(HostFolderOf(t.host)), ec)) {
        const std::string name = WinName(HostText(item.path().filename()));
        if (name.empty() || !WildcardMatch(t.path.parts.back(), name)) continue;
        Target m;
        m.path = folder;
        m.path.parts.push_back(name);
        m.host = HostText(item.path());
        m.exists = true;
        m.isDirectory = item.is_directory(ec);
        m.isLink = item.is_symlink(ec);
        m.key = m.path.Key();
        matches.push_back(m);
    }
    ErrorCode result = kErrorSuccess;
    for (const auto& m : matches)
        if (const ErrorCode failed = DeleteTree(m)) result = failed;
    return result;
}

ErrorCode VirtualFileSystem::SetCurrentFolder(const std::string& path)
{
    const Target t = Locate(path);
    if (!t.path.valid || t.path.hasWildcard) return t.NameError();
    if (!t.exists) return t.parentExists ? kErrorFileNotFound : kErrorPathNotFound;
    if (!t.isDirectory) return kErrorInvalidName;
    std::string folder = path;
    while (folder.size() > 3 && EndsWithPathDelimiter(folder)) folder.pop_back();
    if (folder.size() == 2) folder += "\\";
    s_.currentFolder = folder;
    s_.currentFolderKey = t.key;
    return kErrorSuccess;
}

std::string VirtualFileSystem::GetCurrentFolder()
{
    return s_.currentFolder;
}

bool VirtualFileSystem::HasDiskSpaceEx()
{
    return s_.machine.Config().hasDiskFreeSpaceEx;
}

ErrorCode VirtualFileSystem::QueryDiskSpaceEx(const std::string& root, DiskSpace& space)
{
    if (!HasDiskSpaceEx()) return kErrorProcNotFound;
    const WinPath path = ParseWinPath(root);
    if (!path.valid || !DriveExists(s_.machine.Root(), path.drive)) return kErrorPathNotFound;
    const DiskConfig& disk = s_.Disk(path.drive);
    space.freeToCaller = space.totalFree = s_.FreeBytes(path.drive);
    space.total = disk.total;
    return kErrorSuccess;
}

ErrorCode VirtualFileSystem::QueryDiskSpace(const std::string& root, DiskGeometry& geometry)
{
    const WinPath path = ParseWinPath(root);
    if (!path.valid || !DriveExists(s_.machine.Root(), path.drive)) return kErrorPathNotFound;
    constexpr std::uint64_t kCluster = 4096;
    // The old query's counts are 32-bit: a large disk reads as at most 0xFFFFFFFF clusters.
    auto clusters = [](std::uint64_t bytes) {
        const std::uint64_t n = bytes / kCluster;
        return static_cast<std::uint32_t>(n > 0xFFFFFFFFull ? 0xFFFFFFFFull : n);
    };
    geometry.sectorsPerCluster = 8;
    geometry.bytesPerSector = 512;
    geometry.freeClusters = clusters(s_.FreeBytes(path.drive));
    geometry.totalClusters = clusters(s_.Disk(path.drive).total);
    return kErrorSuccess;
}

}  // namespace lorvel::platform::virt
