// Win32 calls only: the registry.
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsSupport.h"

namespace lorvel::platform::win32 {

using lorvel::win32::ExactNarrow;
using lorvel::win32::ExactWide;
using lorvel::win32::UniqueHKey;
using lorvel::win32::WideName;

namespace {

// The system's own constants, not the numbers cast: 64-bit Windows sign-extends them
// (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002 there), and a zero-extended handle names
// no key, although Wine, which compares only the low 32 bits, would accept it.
HKEY Handle(RootKey root)
{
    switch (root) {
    case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser: return HKEY_CURRENT_USER;
    case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RootKey::Users: return HKEY_USERS;
    }
    return nullptr;
}

bool ValidRoot(RootKey root)
{
    const auto value = static_cast<std::uint32_t>(root);
    return value >= 0x80000000u && value <= 0x80000003u;
}

// Deleted bottom-up by hand: RegDeleteTree is missing on older systems.
LONG DeleteTree(HKEY parent, const std::wstring& name)
{
    UniqueHKey key;
    LONG status = ::RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Out());
    if (status != ERROR_SUCCESS) return status;
    for (;;) {
        wchar_t child[256];
        DWORD length = 256;
        status = ::RegEnumKeyExW(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return status;
        status = DeleteTree(key.Get(), child);
        if (status != ERROR_SUCCESS) return status;
    }
    return ::RegDeleteKeyW(parent, name.c_str());
}

// A value as the system gave it: texts narrowed without their terminating NULs.
// A text with no Shift-JIS form is ERROR_NO_UNICODE_TRANSLATION: a value such as a
// folder or a record's path read as a near text would name another file.
LONG ValueOf(DWORD type, const BYTE* data, DWORD size, RegValue& value)
{
    value = RegValue{};
    value.type = static_cast<ValueType>(type);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        std::optional<std::string> narrow = ExactNarrow(text);
        if (!narrow) return ERROR_NO_UNICODE_TRANSLATION;
        value.data = *std::move(narrow);
    } else {
        value.data.assign(reinterpret_cast<const char*>(data), size);
    }
    return ERROR_SUCCESS;
}

// Opens root\path; the name's own error when the path is none the system can take.
LONG OpenExisting(RootKey root, const std::string& path, REGSAM access, UniqueHKey& key)
{
    const WideName name(path);
    if (name.Error()) return static_cast<LONG>(name.Error());
    return ::RegOpenKeyExW(Handle(root), name.Get(), 0, access, key.Out());
}

class Win32Registry final : public Registry {
public:
    ErrorCode CreateKey(RootKey root, const std::string& path) override
    {
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        const WideName name(path);
        if (name.Error()) return name.Error();
        UniqueHKey key;
        return static_cast<ErrorCode>(
            ::RegCreateKeyExW(Handle(root), name.Get(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr));
    }

    ErrorCode FlushKeys(RootKey root) override
    {
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        return static_cast<ErrorCode>(::RegFlushKey(Handle(root)));
    }

    ErrorCode OpenKey(RootKey root, const std::string& path) override
    {
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        UniqueHKey key;
        return static_cast<ErrorCode>(OpenExisting(root, path, KEY_READ, key));
    }

    ErrorCode DeleteKeyTree(RootKey root, const std::string& path) override
    {
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        const WideName wide(path);
        if (wide.Error()) return wide.Error();
        std::wstring name = wide.Text();
        while (!name.empty() && name.back() == L'\\') name.pop_back();
        while (!name.empty() && name.front() == L'\\') name.erase(0, 1);
        if (name.empty()) return kErrorAccessDenied;
        return static_cast<ErrorCode>(DeleteTree(Handle(root), name));
    }

    ErrorCode ReadValue(RootKey root, const std::string& path, const std::string& name, RegValue& value) override
    {
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        UniqueHKey key;
        LONG status = OpenExisting(root, path, KEY_READ, key);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        const WideName valueName(name);
        if (valueName.Error()) return valueName.Error();
        DWORD type = 0, size = 0;
        status = ::RegQueryValueExW(key.Get(), valueName.Get(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        std::vector<BYTE> data(size + sizeof(wchar_t));
        status = ::RegQueryValueExW(key.Get(), valueName.Get(), nullptr, &type, data.data(), &size);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        RegValue read;
        status = ValueOf(type, data.data(), size, read);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        value = std::move(read);
        return kErrorSuccess;
    }

    ErrorCode WriteValue(RootKey root, const std::string& path, const std::string& name, const RegValue& value) override
    {
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        UniqueHKey key;
        LONG status = OpenExisting(root, path, KEY_ALL_ACCESS, key);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        const WideName valueName(name);
        if (valueName.Error()) return valueName.Error();
        if (value.IsText()) {
            const std::optional<std::wstring> text = ExactWide(value.data);
            if (!text) return ERROR_NO_UNICODE_TRANSLATION;
            status = ::RegSetValueExW(key.Get(), valueName.Get(), 0, static_cast<DWORD>(value.type),
                                      reinterpret_cast<const BYTE*>(text->c_str()),
                                      static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
        } else {
            status = ::RegSetValueExW(key.Get(), valueName.Get(), 0, static_cast<DWORD>(value.type),
                                      reinterpret_cast<const BYTE*>(value.data.data()),
                                      static_cast<DWORD>(value.data.size()));
        }
        return static_cast<ErrorCode>(status);
    }

    ErrorCode DeleteValue(RootKey root, const std::string& path, const std::string& name) override
    {
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        UniqueHKey key;
        LONG status = OpenExisting(root, path, KEY_ALL_ACCESS, key);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        const WideName valueName(name);
        if (valueName.Error()) return valueName.Error();
        return static_cast<ErrorCode>(::RegDeleteValueW(key.Get(), valueName.Get()));
    }

    // A name with no Shift-JIS form fails the whole listing, where a directory search
    // leaves such a name out: callers take a key's listing as all it holds, and a key
    // that seems to hold nothing is deleted with everything below it.
    ErrorCode EnumSubKeys(RootKey root, const std::string& path, std::vector<std::string>& names) override
    {
        names.clear();
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        UniqueHKey key;
        LONG status = OpenExisting(root, path, KEY_READ, key);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        for (DWORD index = 0;; ++index) {
            wchar_t child[256];
            DWORD length = 256;
            status = ::RegEnumKeyExW(key.Get(), index, child, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS) return kErrorSuccess;
            if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
            std::optional<std::string> name = ExactNarrow(std::wstring_view(child, length));
            if (!name) {
                names.clear();
                return ERROR_NO_UNICODE_TRANSLATION;
            }
            names.push_back(*std::move(name));
        }
    }

    ErrorCode EnumValues(RootKey root, const std::string& path,
                         std::vector<std::pair<std::string, RegValue>>& values) override
    {
        values.clear();
        if (!ValidRoot(root)) return kErrorInvalidHandle;
        UniqueHKey key;
        LONG status = OpenExisting(root, path, KEY_READ, key);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        DWORD longestName = 0, longestData = 0;
        status = ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    &longestName, &longestData, nullptr, nullptr);
        if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
        std::vector<wchar_t> name(longestName + 1);
        std::vector<BYTE> data(longestData + sizeof(wchar_t));
        for (DWORD index = 0;; ++index) {
            DWORD nameLength = static_cast<DWORD>(name.size()),
                  size = static_cast<DWORD>(data.size() - sizeof(wchar_t));
            DWORD type = 0;
            status = ::RegEnumValueW(key.Get(), index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
            if (status == ERROR_NO_MORE_ITEMS) return kErrorSuccess;
            if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
            std::optional<std::string> valueName = ExactNarrow(std::wstring_view(name.data(), nameLength));
            RegValue value;
            status = valueName ? ValueOf(type, data.data(), size, value) : ERROR_NO_UNICODE_TRANSLATION;
            if (status != ERROR_SUCCESS) {
                values.clear();
                return static_cast<ErrorCode>(status);
            }
            values.emplace_back(*std::move(valueName), std::move(value));
        }
    }
};

}  // namespace

std::unique_ptr<Registry> MakeWin32Registry()
{
    return std::make_unique<Win32Registry>();
}

}  // namespace lorvel::platform::win32
