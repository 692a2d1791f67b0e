// Win32 calls only: component libraries and LZ expansion.
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

namespace lorvel::platform::win32 {

using lorvel::win32::Narrow;
using lorvel::win32::Wide;

namespace {

class Win32Library final : public ComponentLibrary {
public:
    explicit Win32Library(HMODULE module) : module_(module) {}
    ~Win32Library() override { ::FreeLibrary(module_); }

    std::optional<std::int32_t> Call(const std::string& entryPoint) override
    {
        using EntryFn = HRESULT(STDAPICALLTYPE*)();
        const auto entry =
            reinterpret_cast<EntryFn>(reinterpret_cast<void*>(::GetProcAddress(module_, entryPoint.c_str())));
        if (!entry) return std::nullopt;
        return static_cast<std::int32_t>(entry());
    }

private:
    HMODULE module_;
};

class Win32Components final : public Components {
public:
    std::unique_ptr<ComponentLibrary> Load(const std::string& path) override
    {
        const lorvel::win32::WideName name(path);
        if (name.Error()) return nullptr;
        HMODULE module = lorvel::win32::LoadComponentLibrary(name.Text());
        return module ? std::make_unique<Win32Library>(module) : nullptr;
    }
};

// The length an SZDD header states, or -1 when the file has no such header.
long long StatedLength(const std::wstring& path)
{
    lorvel::win32::UniqueHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) return -1;
    unsigned char header[14] = {};
    DWORD got = 0;
    if (!::ReadFile(file.Get(), header, sizeof header, &got, nullptr) || got != sizeof header) return -1;
    static const unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
    if (memcmp(header, kMagic, sizeof kMagic) != 0) return -1;
    return static_cast<long long>(header[10] | (header[11] << 8) | (header[12] << 16)) +
           (static_cast<long long>(header[13]) << 24);
}

class Win32Lz final : public LzExpander {
public:
    std::string ExpandedNameOf(const std::string& path) override
    {
        const lorvel::win32::LzFunctions& lz = lorvel::win32::Lz();
        std::wstring wide = Wide(path);
        std::wstring buffer(wide.size() + MAX_PATH, L'\0');
        wcscpy(buffer.data(), wide.c_str());
        if (!lz.Loaded() || lz.expandedName(buffer.data(), buffer.data()) != 1) return path;
        return Narrow(buffer.c_str());
    }

    ErrorCode Expand(const std::string& source, const std::string& destination) override
    {
        const lorvel::win32::LzFunctions& lz = lorvel::win32::Lz();
        if (!lz.Loaded()) return kErrorModNotFound;
        const lorvel::win32::WideName fromName(source);
        const lorvel::win32::WideName toName(destination);
        if (fromName.Error()) return fromName.Error();
        if (toName.Error()) return toName.Error();
        const std::wstring& from = fromName.Text();
        const std::wstring& to = toName.Text();
        OFSTRUCT sourceInfo{};
        OFSTRUCT destinationInfo{};
        const INT in = lz.open(const_cast<LPWSTR>(from.c_str()), &sourceInfo, OF_READ | OF_SHARE_EXCLUSIVE);
        if (in < 0) return kErrorFileNotFound;
        const INT out = lz.open(const_cast<LPWSTR>(to.c_str()), &destinationInfo, OF_CREATE);
        if (out < 0) {
            lz.close(in);
            return kErrorAccessDenied;
        }
        const LONG copied = lz.copy(in, out);
        lz.close(in);
        lz.close(out);
        if (copied < 0) return kErrorInvalidData;
        // LZ32 reports a truncated file only by a short count.
        const long long stated = StatedLength(from);
        if (stated >= 0 && copied != stated) return kErrorInvalidData;
        return kErrorSuccess;
    }
};

}  // namespace

std::unique_ptr<Components> MakeWin32Components()
{
    return std::make_unique<Win32Components>();
}
std::unique_ptr<LzExpander> MakeWin32Lz()
{
    return std::make_unique<Win32Lz>();
}

}  // namespace lorvel::platform::win32
