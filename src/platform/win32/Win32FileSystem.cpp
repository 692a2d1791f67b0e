// Win32 calls only: files, folders, deletion and disk space.
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

namespace lorvel::platform::win32 {

using lorvel::win32::Narrow;
using lorvel::win32::UniqueFindHandle;
using lorvel::win32::UniqueHandle;
using lorvel::win32::Wide;
using lorvel::win32::WideName;

namespace {

ErrorCode LastError()
{
    const DWORD code = ::GetLastError();
    return code == 0 ? kErrorAccessDenied : code;
}

ErrorCode Result(BOOL ok)
{
    return ok ? kErrorSuccess : LastError();
}

std::uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool IsLink(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
bool IsFolder(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The reparse attribute marks a link (a symbolic link, a junction, a mount point: a
// name standing for another) but also a file the system keeps compressed, deduplicated
// or in the cloud, which is the file itself; with compact Windows installations much
// of Program Files is such. The program is told only of links. A tag it cannot read
// (0, as Wine gives) leaves a link a link.
DWORD LinksOnly(DWORD attributes, DWORD tag)
{
    if (!IsLink(attributes) || tag == 0 || IsReparseTagNameSurrogate(tag)) return attributes;
    return attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
}

// The same for a path, whose tag only a directory search tells.
DWORD LinksOnly(DWORD attributes, const wchar_t* path)
{
    if (!IsLink(attributes)) return attributes;
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW(path, &data);
    if (find == INVALID_HANDLE_VALUE) return attributes;
    ::FindClose(find);
    return LinksOnly(attributes, data.dwReserved0);
}

// Opens a folder so that nobody can rename or remove it, or put a link in its place,
// while its content is deleted by name; attributes receives what the folder is now.
// Windows tells a link by the handle opened on the link itself; Wine opens the target
// through it, but tells the link by its path, so both are asked once it is held.
UniqueHandle PinFolder(const std::wstring& path, DWORD& attributes)
{
    UniqueHandle folder(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
    if (!folder.Valid()) return folder;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(folder.Get(), &info)) attributes = info.dwFileAttributes;
    const DWORD byPath = ::GetFileAttributesW(path.c_str());
    if (byPath != INVALID_FILE_ATTRIBUTES) attributes |= byPath & FILE_ATTRIBUTE_REPARSE_POINT;
    return folder;
}

// A file made new beside target, under a name nobody can have foreseen: made with
// CREATE_NEW, so nothing already there (a link, a file, a folder somebody left under
// a name it guessed) is ever opened or written through. temporary receives its name.
UniqueHandle CreateUnforeseenFile(const std::wstring& target, std::wstring& temporary)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONGLONG random = 0;
        if (!::RtlGenRandom(&random, sizeof random)) {
            ::SetLastError(ERROR_GEN_FAILURE);
            return UniqueHandle();
        }
        wchar_t suffix[24];
        ::wsprintfW(suffix, L".~%08lX%08lX.tmp", static_cast<unsigned long>(random >> 32),
                    static_cast<unsigned long>(random & 0xFFFFFFFF));
        temporary = target + suffix;
        UniqueHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (file.Valid() || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return UniqueHandle();
}

// A file opened for reading while others may read and write it too, as the program
// reads what others may have open.
UniqueHandle OpenToRead(const WideName& name, DWORD flags)
{
    return UniqueHandle(::CreateFileW(name.Get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, flags, nullptr));
}

// Writes bytes to a file opened on the name itself, never through a link: a new one
// (CREATE_NEW) or an existing one at its end (OPEN_EXISTING with FILE_APPEND_DATA).
// Every byte through the handle, in pieces of at most 1 MB.
ErrorCode WriteAll(HANDLE file, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!::WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return LastError();
        done += wrote;
    }
    return kErrorSuccess;
}

ErrorCode WriteBytes(const std::wstring& path, DWORD disposition, DWORD access, std::string_view bytes)
{
    UniqueHandle file(::CreateFileW(path.c_str(), access, 0, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) return LastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (disposition == OPEN_EXISTING &&
        (!::GetFileInformationByHandle(file.Get(), &info) || IsLink(info.dwFileAttributes)))
        return kErrorAccessDenied;
    return WriteAll(file.Get(), bytes);
}

class HandleAppender final : public Appender {
public:
    explicit HandleAppender(UniqueHandle file) : file_(std::move(file)) {}
    ErrorCode Append(std::string_view bytes) override { return WriteAll(file_.Get(), bytes); }

private:
    UniqueHandle file_;
};

// Removes one entry a search found: a link (to a folder or a file) as a link, a
// folder with what is in it, a file even when it is read-only, as the shell does.
ErrorCode DeleteEntry(const std::wstring& path, DWORD attributes);

ErrorCode DeleteFolderContent(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find.Get() == INVALID_HANDLE_VALUE) return LastError();
    ErrorCode result = kErrorSuccess;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (const ErrorCode failed = DeleteEntry(folder + L"\\" + name, data.dwFileAttributes)) result = failed;
    } while (::FindNextFileW(find.Get(), &data));
    return result;
}

ErrorCode DeleteEntry(const std::wstring& path, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!IsFolder(attributes)) return Result(::DeleteFileW(path.c_str()));
    // A junction or a folder's symbolic link goes with RemoveDirectory, which takes
    // the link away and leaves its target as it is.
    if (!IsLink(attributes)) {
        DWORD now = attributes;
        const UniqueHandle pinned = PinFolder(path, now);
        if (!pinned.Valid()) return LastError();
        if (!IsLink(now))
            if (const ErrorCode failed = DeleteFolderContent(path)) return failed;
    }
    return Result(::RemoveDirectoryW(path.c_str()));
}

// The folder part of a search pattern, without its last "\".
std::wstring FolderOfPattern(const std::wstring& pattern)
{
    const auto slash = pattern.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    // A drive's root keeps its "\\": "C:" alone would be that drive's current folder.
    return pattern.substr(0, slash == 2 && pattern[1] == L':' ? 3 : slash);
}

// Whether the process runs with an administrator's rights: elevated where the
// system knows elevation, else a member of Administrators.
bool RunsAsAdministrator()
{
    UniqueHandle token;
    HANDLE raw = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        token.Reset(raw);
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        if (::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size))
            return elevation.TokenIsElevated != 0;
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &administrators))
        return false;
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    ::FreeSid(administrators);
    return member != FALSE;
}

// An account as an SDDL string ("S-1-5-21-..."); empty when unknown.
std::wstring SidText(PSID sid)
{
    wchar_t* text = nullptr;
    if (!sid || !::ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

// The current user's account as an SDDL string; empty when unknown.
std::wstring CurrentUserSid()
{
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    UniqueHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

// A protected access list (nothing inherited from the folder above) that grants
// full access to the accounts named, and to its content through inheritance.
std::wstring PrivateFolderSddl()
{
    if (RunsAsAdministrator()) return L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    const std::wstring user = CurrentUserSid();
    return user.empty() ? std::wstring() : L"D:P(A;OICI;FA;;;" + user + L")";
}

// What an installed folder lets: Administrators and SYSTEM change it, Users read and
// run it (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE). A run without an administrator's
// rights could not fill it otherwise, so its own account keeps full control too.
std::wstring AdminFolderSddl()
{
    std::wstring sddl = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
    if (RunsAsAdministrator()) return sddl;
    const std::wstring user = CurrentUserSid();
    return user.empty() ? std::wstring() : sddl + L"(A;OICI;FA;;;" + user + L")";
}

ErrorCode CreateFolderWith(const std::string& path, const std::wstring& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    // Without a descriptor the folder would take the access of the folder above,
    // which may let other accounts in: better no folder at all.
    if (sddl.empty() ||
        !::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return LastError();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const WideName name(path);
    const ErrorCode result = name.Error() ? name.Error() : Result(::CreateDirectoryW(name.Get(), &attributes));
    ::LocalFree(descriptor);
    return result;
}

// Accounts that can change the program and the system anyway: Administrators,
// SYSTEM, the system's installer service, and the account this run is for.
bool IsSteeringAccount(const std::wstring& sid, const std::wstring& self)
{
    return sid == L"S-1-5-32-544" || sid == L"S-1-5-18" ||
           sid == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464" || (!self.empty() && sid == self);
}

// Rights that change a folder or what is in it, or what may be done with them.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                      FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL | MAXIMUM_ALLOWED;

// Whether an allowing entry lets an account other than the steering ones change the
// folder, or what is made in it (entries only inherited count: they are what a new
// file gets). CREATOR OWNER becomes whoever makes the file, and OWNER RIGHTS is the
// owner, both already asked about; an allowing entry of a kind whose account is not
// read here counts as another's.
bool AceLetsOthersChange(const ACE_HEADER* header, const std::wstring& self)
{
    const BYTE type = header->AceType;
    const bool allows = type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
                        type == ACCESS_ALLOWED_COMPOUND_ACE_TYPE || type == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                        type == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
    if (!allows) return false;
    const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    if ((ace->Mask & kChangeRights) == 0) return false;
    if (type != ACCESS_ALLOWED_ACE_TYPE && type != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) return true;
    const std::wstring sid = SidText(const_cast<DWORD*>(&ace->SidStart));
    if (sid == L"S-1-3-0" || sid == L"S-1-3-4") return false;
    return !IsSteeringAccount(sid, self);
}

bool DescriptorLetsOthersChange(PSID owner, PACL dacl, const std::wstring& self)
{
    // An owner may always rewrite the access list.
    if (!IsSteeringAccount(SidText(owner), self)) return true;
    // No list at all lets everyone in.
    if (!dacl) return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) return true;
        if (AceLetsOthersChange(static_cast<const ACE_HEADER*>(ace), self)) return true;
    }
    return false;
}

class Win32FileSystem final : public FileSystem {
public:
    ErrorCode CreateFolder(const std::string& path) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        return Result(::CreateDirectoryW(name.Get(), nullptr));
    }

    ErrorCode CreatePrivateFolder(const std::string& path) override
    {
        return CreateFolderWith(path, PrivateFolderSddl());
    }

    ErrorCode CreateAdminFolder(const std::string& path) override { return CreateFolderWith(path, AdminFolderSddl()); }

    ErrorCode QueryOthersMayWrite(const std::string& folder, bool& othersMayWrite) override
    {
        const WideName name(folder);
        if (name.Error()) return name.Error();
        // Read from the folder held open, not by name, so the answer is that folder's.
        UniqueHandle held(::CreateFileW(name.Get(), READ_CONTROL,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!held.Valid()) return LastError();
        const std::wstring self = CurrentUserSid();
        PSID owner = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        const DWORD read =
            ::GetSecurityInfo(held.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &descriptor);
        if (read != ERROR_SUCCESS) return read;
        othersMayWrite = DescriptorLetsOthersChange(owner, dacl, self);
        ::LocalFree(descriptor);
        return kErrorSuccess;
    }

    ErrorCode RemoveFolder(const std::string& path) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        return Result(::RemoveDirectoryW(name.Get()));
    }

    ErrorCode SetCurrentFolder(const std::string& path) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        return Result(::SetCurrentDirectoryW(name.Get()));
    }

    std::string GetCurrentFolder() override
    {
        std::wstring buffer(MAX_PATH, L'\0');
        DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length > buffer.size()) {
            buffer.resize(length);
            length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        }
        buffer.resize(length);
        // A folder with no Shift-JIS name is told as none, as when the call fails.
        return Narrow(buffer);
    }

    ErrorCode Copy(const std::string& source, const std::string& destination, bool failIfExists) override
    {
        const WideName from(source);
        if (from.Error()) return from.Error();
        const WideName to(destination);
        if (to.Error()) return to.Error();
        if (!failIfExists) return Result(::CopyFileW(from.Get(), to.Get(), FALSE));
        // Without COPY_FILE_COPY_SYMLINK the system follows a link to nothing at the
        // destination and creates the file it names.
        return Result(::CopyFileExW(from.Get(), to.Get(), nullptr, nullptr, nullptr,
                                    COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK));
    }

    ErrorCode RemoveFile(const std::string& path) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        return Result(::DeleteFileW(name.Get()));
    }

    ErrorCode GetAttributes(const std::string& path, std::uint32_t& attributes) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        const DWORD value = ::GetFileAttributesW(name.Get());
        if (value == INVALID_FILE_ATTRIBUTES) return LastError();
        attributes = LinksOnly(value, name.Get());
        return kErrorSuccess;
    }

    ErrorCode QueryFile(const std::string& path, FindEntry& info) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(name.Get(), GetFileExInfoStandard, &data)) return LastError();
        info = FindEntry{};
        info.attributes = LinksOnly(data.dwFileAttributes, name.Get());
        info.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
        info.lastWriteTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        return kErrorSuccess;
    }

    ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        return Result(::SetFileAttributesW(name.Get(), attributes));
    }

    ErrorCode FindEntries(const std::string& pattern, std::vector<FindEntry>& entries) override
    {
        entries.clear();
        const WideName name(pattern);
        if (name.Error()) return name.Error();
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(::FindFirstFileW(name.Get(), &data));
        if (find.Get() == INVALID_HANDLE_VALUE) return LastError();
        do {
            // A name with no Shift-JIS form is left out. Any text put in its place
            // would name another file ("A<U+00A5>B" read as "A\B" is B in folder A),
            // which the program could then overwrite or delete; and failing the whole
            // search would let anyone who can make a file in a folder hide the rest
            // of that folder from the program. Left out, it is only never touched.
            std::optional<std::string> found = lorvel::win32::ExactNarrow(data.cFileName);
            if (!found) continue;
            FindEntry entry;
            entry.name = *std::move(found);
            entry.attributes = LinksOnly(data.dwFileAttributes, data.dwReserved0);
            entry.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
            entry.lastWriteTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
            entries.push_back(entry);
        } while (::FindNextFileW(find.Get(), &data));
        // As when nothing matches, which is what the program can see.
        return entries.empty() ? kErrorFileNotFound : kErrorSuccess;
    }

    using FileSystem::ReadWholeFile;
    ErrorCode ReadWholeFile(const std::string& path, std::string& bytes, std::uint64_t limit) override
    {
        bytes.clear();
        const WideName name(path);
        if (name.Error()) return name.Error();
        UniqueHandle file = OpenToRead(name, FILE_ATTRIBUTE_NORMAL);
        if (!file.Valid()) return LastError();
        // The size only guesses the room needed; the bound is kept on what is read.
        LARGE_INTEGER size{};
        ::GetFileSizeEx(file.Get(), &size);
        if (size.QuadPart > 0 && static_cast<std::uint64_t>(size.QuadPart) > limit) return kErrorFileTooLarge;
        const std::uint64_t wanted =
            std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max<LONGLONG>(size.QuadPart, 0)), limit) + 1;
        try {
            bytes.resize(static_cast<std::size_t>(std::max<std::uint64_t>(wanted, 4096)));
            std::size_t done = 0;
            for (;;) {
                if (done == bytes.size()) {
                    if (done > limit) break;
                    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, bytes.size() * 2ull)));
                }
                DWORD got = 0;
                const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
                if (!::ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr)) {
                    const ErrorCode failed = LastError();
                    bytes.clear();
                    return failed;
                }
                if (got == 0) break;
                done += got;
            }
            if (done > limit) {
                bytes.clear();
                return kErrorFileTooLarge;
            }
            bytes.resize(done);
        } catch (const std::bad_alloc&) {
            bytes.clear();
            bytes.shrink_to_fit();
            return kErrorNotEnoughMemory;
        }
        return kErrorSuccess;
    }

    ErrorCode WriteWholeFile(const std::string& path, const std::string& bytes) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        const std::wstring& target = name.Text();
        const DWORD existing = ::GetFileAttributesW(target.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
            return kErrorAccessDenied;
        // Only a file is replaced: a link there may name anything, and a later reader
        // of the name would read what it names.
        if (existing != INVALID_FILE_ATTRIBUTES && IsLink(LinksOnly(existing, target.c_str())))
            return kErrorAccessDenied;
        // Written beside the target and moved over it, so a crash or a full disk
        // leaves the old content.
        std::wstring temporary;
        ErrorCode result = kErrorSuccess;
        {
            UniqueHandle file = CreateUnforeseenFile(target, temporary);
            if (!file.Valid()) return LastError();
            std::size_t done = 0;
            while (done < bytes.size() && result == kErrorSuccess) {
                DWORD wrote = 0;
                const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
                if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0)
                    result = LastError();
                done += wrote;
            }
            if (result == kErrorSuccess && !::FlushFileBuffers(file.Get())) result = LastError();
        }
        if (result == kErrorSuccess &&
            !::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            result = LastError();
        if (result != kErrorSuccess) ::DeleteFileW(temporary.c_str());
        return result;
    }

    ErrorCode ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                            std::string& bytes) override
    {
        bytes.clear();
        const WideName name(path);
        if (name.Error()) return name.Error();
        UniqueHandle file = OpenToRead(name, FILE_FLAG_SEQUENTIAL_SCAN);
        if (!file.Valid()) return LastError();
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) return LastError();
        try {
            bytes.resize(size);
        } catch (const std::bad_alloc&) {
            return kErrorNotEnoughMemory;
        }
        std::size_t done = 0;
        while (done < size) {
            DWORD got = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 20));
            if (!::ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr)) {
                const ErrorCode failed = LastError();
                bytes.clear();
                return failed;
            }
            if (got == 0) break;
            done += got;
        }
        bytes.resize(done);
        return kErrorSuccess;
    }

    ErrorCode CreateNewFile(const std::string& path, std::string_view bytes) override
    {
        const WideName name(path);
        return name.Error() ? name.Error() : WriteBytes(name.Text(), CREATE_NEW, GENERIC_WRITE, bytes);
    }

    ErrorCode AppendToFile(const std::string& path, std::string_view bytes) override
    {
        const WideName name(path);
        return name.Error() ? name.Error() : WriteBytes(name.Text(), OPEN_EXISTING, FILE_APPEND_DATA, bytes);
    }

    ErrorCode FlushFile(const std::string& path) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        UniqueHandle file(::CreateFileW(name.Text().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.Valid()) return LastError();
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.Get(), &info) || IsLink(info.dwFileAttributes))
            return kErrorAccessDenied;
        return Result(::FlushFileBuffers(file.Get()));
    }

    std::unique_ptr<Appender> OpenAppender(const std::string& path, ErrorCode& code) override
    {
        const WideName name(path);
        code = name.Error();
        if (code) return nullptr;
        UniqueHandle file(::CreateFileW(name.Text().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
        if (!file.Valid()) {
            code = LastError();
            return nullptr;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.Get(), &info) || IsLink(info.dwFileAttributes)) {
            code = kErrorAccessDenied;
            return nullptr;
        }
        return std::make_unique<HandleAppender>(std::move(file));
    }

    ErrorCode FlushVolume(const std::string& path) override
    {
        if (path.size() < 2 || path[1] != ':') return kErrorInvalidName;
        const std::wstring volume = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(path[0]) + L":";
        UniqueHandle handle(::CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!handle.Valid()) return LastError();
        return Result(::FlushFileBuffers(handle.Get()));
    }

    // The shell's own deletion enters a folder's link and empties its target (Wine's
    // always, older Windows too), so the program walks the folders itself.
    ErrorCode ShellDelete(const std::string& path) override
    {
        const WideName name(path);
        if (name.Error()) return name.Error();
        std::wstring pattern = name.Text();
        if (pattern.size() > 3 && (pattern.back() == L'\\' || pattern.back() == L'/')) pattern.pop_back();
        if (pattern.find_first_of(L"*?") == std::wstring::npos) {
            WIN32_FIND_DATAW data;
            UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
            if (find.Get() == INVALID_HANDLE_VALUE) return LastError();
            return DeleteEntry(pattern, data.dwFileAttributes);
        }
        return DeleteMatches(pattern);
    }

    bool HasDiskSpaceEx() override { return FreeSpaceEx() != nullptr; }

    ErrorCode QueryDiskSpaceEx(const std::string& root, DiskSpace& space) override
    {
        const auto query = FreeSpaceEx();
        if (!query) return kErrorProcNotFound;
        const WideName name(root);
        if (name.Error()) return name.Error();
        ULARGE_INTEGER caller, total, free;
        if (!query(name.Get(), &caller, &total, &free)) return LastError();
        space.freeToCaller = caller.QuadPart;
        space.total = total.QuadPart;
        space.totalFree = free.QuadPart;
        return kErrorSuccess;
    }

    ErrorCode QueryDiskSpace(const std::string& root, DiskGeometry& geometry) override
    {
        const WideName name(root);
        if (name.Error()) return name.Error();
        DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
        if (!::GetDiskFreeSpaceW(name.Get(), &sectors, &bytes, &freeClusters, &totalClusters)) return LastError();
        geometry = {sectors, bytes, freeClusters, totalClusters};
        return kErrorSuccess;
    }

private:
    // Every entry a wildcard matches, in a folder held in place meanwhile. A wildcard
    // in a folder that is a link deletes nothing there.
    static ErrorCode DeleteMatches(const std::wstring& pattern)
    {
        const std::wstring folder = FolderOfPattern(pattern);
        DWORD attributes = 0;
        const UniqueHandle pinned = PinFolder(folder, attributes);
        if (!pinned.Valid()) {
            const ErrorCode missing = LastError();
            return missing == ERROR_FILE_NOT_FOUND ? kErrorPathNotFound : missing;
        }
        if (IsLink(attributes)) return kErrorAccessDenied;
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
        // A wildcard that matches nothing deletes nothing, and that is no failure.
        if (find.Get() == INVALID_HANDLE_VALUE)
            return ::GetLastError() == ERROR_FILE_NOT_FOUND ? kErrorSuccess : LastError();
        const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
        ErrorCode result = kErrorSuccess;
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (const ErrorCode failed = DeleteEntry(prefix + name, data.dwFileAttributes)) result = failed;
        } while (::FindNextFileW(find.Get(), &data));
        return result;
    }

    using FreeSpaceExFn = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

    // The extended query is missing on the first releases of the 95 family.
    static FreeSpaceExFn FreeSpaceEx()
    {
        HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        return kernel ? reinterpret_cast<FreeSpaceExFn>(
                            reinterpret_cast<void*>(::GetProcAddress(kernel, "GetDiskFreeSpaceExW")))
                      : nullptr;
    }
};

}  // namespace

std::unique_ptr<FileSystem> MakeWin32FileSystem()
{
    return std::make_unique<Win32FileSystem>();
}

}  // namespace lorvel::platform::win32
