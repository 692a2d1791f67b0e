// Win32 calls only: files, folders, shell deletion and disk space.
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

namespace lorvel::platform::win32 {

using lorvel::win32::Narrow;
using lorvel::win32::UniqueFindHandle;
using lorvel::win32::UniqueHandle;
using lorvel::win32::Wide;

namespace {

ErrorCode LastError()
{
    const DWORD code = ::GetLastError();
    return code == 0 ? kErrorAccessDenied : code;
}

ErrorCode Result(BOOL ok) { return ok ? kErrorSuccess : LastError(); }

std::uint64_t Join(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

class Win32FileSystem final : public FileSystem {
public:
    ErrorCode CreateFolder(const std::string& path) override
    {
        return Result(::CreateDirectoryW(Wide(path).c_str(), nullptr));
    }

    ErrorCode RemoveFolder(const std::string& path) override
    {
        return Result(::RemoveDirectoryW(Wide(path).c_str()));
    }

    ErrorCode SetCurrentFolder(const std::string& path) override
    {
        return Result(::SetCurrentDirectoryW(Wide(path).c_str()));
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
        return Narrow(buffer);
    }

    ErrorCode Copy(const std::string& source, const std::string& destination, bool failIfExists) override
    {
        return Result(::CopyFileW(Wide(source).c_str(), Wide(destination).c_str(), failIfExists ? TRUE : FALSE));
    }

    ErrorCode RemoveFile(const std::string& path) override { return Result(::DeleteFileW(Wide(path).c_str())); }

    ErrorCode GetAttributes(const std::string& path, std::uint32_t& attributes) override
    {
        const DWORD value = ::GetFileAttributesW(Wide(path).c_str());
        if (value == INVALID_FILE_ATTRIBUTES) return LastError();
        attributes = value;
        return kErrorSuccess;
    }

    ErrorCode QueryFile(const std::string& path, FindEntry& info) override
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return LastError();
        info = FindEntry{};
        info.attributes = data.dwFileAttributes;
        info.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
        info.lastWriteTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        return kErrorSuccess;
    }

    ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) override
    {
        return Result(::SetFileAttributesW(Wide(path).c_str(), attributes));
    }

    ErrorCode FindEntries(const std::string& pattern, std::vector<FindEntry>& entries) override
    {
        entries.clear();
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(::FindFirstFileW(Wide(pattern).c_str(), &data));
        if (find.Get() == INVALID_HANDLE_VALUE) return LastError();
        do {
            FindEntry entry;
            entry.name = Narrow(data.cFileName);
            entry.attributes = data.dwFileAttributes;
            entry.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
            entry.lastWriteTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
            entries.push_back(entry);
        } while (::FindNextFileW(find.Get(), &data));
        return kErrorSuccess;
    }

    ErrorCode ReadWholeFile(const std::string& path, std::string& bytes) override
    {
        UniqueHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return LastError();
        LARGE_INTEGER size;
        if (!::GetFileSizeEx(file.Get(), &size)) return LastError();
        if (size.QuadPart > 0x7FFFFFFF) return kErrorNotEnoughMemory;
        bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD got = 0;
            if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
                return LastError();
            if (got == 0) break;
            done += got;
        }
        bytes.resize(done);
        return kErrorSuccess;
    }

    ErrorCode WriteWholeFile(const std::string& path, const std::string& bytes) override
    {
        const std::wstring target = Wide(path);
        const DWORD existing = ::GetFileAttributesW(target.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES &&
            (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
            return kErrorAccessDenied;
        // Written beside the target and moved over it, so a crash or a full disk
        // leaves the old content.
        const std::wstring temporary = target + L".~tmp";
        ErrorCode result = kErrorSuccess;
        {
            UniqueHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
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

    ErrorCode ShellDelete(const std::string& path) override
    {
        std::wstring from = Wide(path);
        from.push_back(L'\0');  // the list ends with two NULs
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        ::SetLastError(0);
        const int result = ::SHFileOperationW(&operation);
        if (result == 0 && !operation.fAnyOperationsAborted) return kErrorSuccess;
        // The shell's own result codes are not Windows error codes; the thread's
        // last error is, and the result stands in when the shell left none.
        const DWORD last = ::GetLastError();
        return last != 0 ? last : static_cast<ErrorCode>(result != 0 ? result : kErrorAccessDenied);
    }

    bool HasDiskSpaceEx() override { return FreeSpaceEx() != nullptr; }

    ErrorCode QueryDiskSpaceEx(const std::string& root, DiskSpace& space) override
    {
        const auto query = FreeSpaceEx();
        if (!query) return kErrorProcNotFound;
        ULARGE_INTEGER caller, total, free;
        if (!query(Wide(root).c_str(), &caller, &total, &free)) return LastError();
        space.freeToCaller = caller.QuadPart;
        space.total = total.QuadPart;
        space.totalFree = free.QuadPart;
        return kErrorSuccess;
    }

    ErrorCode QueryDiskSpace(const std::string& root, DiskGeometry& geometry) override
    {
        DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
        if (!::GetDiskFreeSpaceW(Wide(root).c_str(), &sectors, &bytes, &freeClusters, &totalClusters))
            return LastError();
        geometry = {sectors, bytes, freeClusters, totalClusters};
        return kErrorSuccess;
    }

private:
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

std::unique_ptr<FileSystem> MakeWin32FileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace lorvel::platform::win32
