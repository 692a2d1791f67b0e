#include "run/SharedFiles.h"

#include <stdexcept>

#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

[[noreturn]] void RegistryFailed(const std::string& what, ErrorCode code)
{
    throw std::runtime_error("共有ファイルのレジストリ(HKEY_LOCAL_MACHINE\\" + std::string(kSharedDllsKey) + ")" +
                             what + "に失敗しました(エラー " + std::to_string(code) + ")");
}

}  // namespace

namespace {

std::int32_t CountOf(const RegValue& value)
{
    if (value.type != ValueType::DoubleWord || value.data.size() != 4) return 0;
    return static_cast<std::int32_t>(value.AsDoubleWord());
}

}  // namespace

void SharedFiles::LoadTable()
{
    tableLoaded_ = true;
    // The key is created on the first look, as the table has always been opened.
    platform_.registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
    std::vector<std::pair<std::string, RegValue>> values;
    if (platform_.registry.EnumValues(RootKey::LocalMachine, kSharedDllsKey, values) != kErrorSuccess) return;
    table_.emplace();
    // Names compare without case; the first of two that differ only in case is the one the system reads.
    for (const auto& [name, value] : values) table_->emplace(UpperCase(name), value);
}

void SharedFiles::Remember(const std::string& path, const std::optional<RegValue>& entry)
{
    if (!table_) return;
    if (entry)
        (*table_)[UpperCase(path)] = *entry;
    else
        table_->erase(UpperCase(path));
}

void SharedFiles::WriteEntry(const std::string& path, const RegValue& entry)
{
    const ErrorCode written = platform_.registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, path, entry);
    if (written != kErrorSuccess) RegistryFailed("への書き込み", written);
    Remember(path, entry);
}

void SharedFiles::DeleteEntry(const std::string& path)
{
    // A count left behind would keep the next uninstall from deleting the file.
    const ErrorCode deleted = platform_.registry.DeleteValue(RootKey::LocalMachine, kSharedDllsKey, path);
    if (deleted != kErrorSuccess && deleted != kErrorFileNotFound) RegistryFailed("からの削除", deleted);
    Remember(path, std::nullopt);
}

std::optional<RegValue> SharedFiles::SharedCountEntry(const std::string& path)
{
    if (!tableLoaded_) LoadTable();
    if (table_) {
        const auto found = table_->find(UpperCase(path));
        if (found == table_->end()) return std::nullopt;
        return found->second;
    }
    RegValue value;
    if (platform_.registry.ReadValue(RootKey::LocalMachine, kSharedDllsKey, path, value) != kErrorSuccess)
        return std::nullopt;
    return value;
}

std::int32_t SharedFiles::ReadSharedCount(const std::string& path)
{
    const std::optional<RegValue> entry = SharedCountEntry(path);
    return entry ? CountOf(*entry) : 0;
}

std::int32_t SharedFiles::ChangeSharedCount(const std::string& path, bool increment)
{
    if (increment) {
        std::int32_t count = ReadSharedCount(path);
        // A file that is there without a count already has one user.
        if (count == 0 && platform_.files.FileExists(path)) count = 1;
        ++count;
        if (const ErrorCode failed = platform_.registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey))
            RegistryFailed("の作成", failed);
        WriteEntry(path, RegValue::DoubleWord(static_cast<std::uint32_t>(count)));
        return count;
    }
    const std::int32_t count = ReadSharedCount(path) - 1;
    if (count > 0)
        WriteEntry(path, RegValue::DoubleWord(static_cast<std::uint32_t>(count)));
    else
        DeleteEntry(path);
    return count;
}

void SharedFiles::RestoreSharedCount(const std::string& path, const std::optional<RegValue>& previous)
{
    if (const ErrorCode code = PutBackSharedCount(path, previous))
        RegistryFailed(previous ? "への書き込み" : "からの削除", code);
}

ErrorCode SharedFiles::PutBackSharedCount(const std::string& path, const std::optional<RegValue>& previous)
{
    ErrorCode code = previous ? platform_.registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, path, *previous)
                              : platform_.registry.DeleteValue(RootKey::LocalMachine, kSharedDllsKey, path);
    if (!previous && code == kErrorFileNotFound) code = kErrorSuccess;
    if (code == kErrorSuccess) Remember(path, previous);
    return code;
}

void SharedFiles::RegisterComponent(const std::string& path, bool registering)
{
    const auto library = platform_.components.Load(path);
    if (!library) {
        if (installMode_ && warn_) warn_(path + "の読み込みに失敗しました．", "OCX/DLL登録エラー(LoadLibrary)");
        return;
    }
    if (!registering) {
        library->Call("DllUnregisterServer");
        return;
    }
    const auto result = library->Call("DllRegisterServer");
    if (!result) {
        if (warn_) warn_(path + "のDllRegisterServerエントリが見つかりません．", "OCX/DLL登録エラー(GetProcAddress)");
    } else if (*result != 0) {
        if (warn_) warn_(path + "のDllRegisterServer関数が失敗しました．", "OCX/DLL登録エラー(Procedure)");
    }
}

}  // namespace lorvel
