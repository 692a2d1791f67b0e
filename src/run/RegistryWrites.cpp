#include "run/RegistryWrites.h"

#include "run/RunError.h"

namespace lorvel {

using namespace platform;

void CreateKeyOrRaise(Registry& registry, RootKey root, const std::string& path)
{
    if (registry.CreateKey(root, path) != kErrorSuccess) throw RunError("ｷｰ " + path + " の作成に失敗しました");
}

void WriteValueOrRaise(Registry& registry, RootKey root, const std::string& path, const std::string& name,
                       const RegValue& value)
{
    if (registry.WriteValue(root, path, name, value) != kErrorSuccess)
        throw RunError("'" + name + "' の設定に失敗しました");
}

std::optional<RegValue> ReadTextOrRaise(Registry& registry, RootKey root, const std::string& path,
                                        const std::string& name)
{
    RegValue value;
    const ErrorCode code = registry.ReadValue(root, path, name, value);
    if (code == kErrorFileNotFound) return std::nullopt;
    if (code != kErrorSuccess) throw RunError("'" + name + "' の読み込みに失敗しました");
    if (!value.IsText()) throw RunError("'" + name + "' のﾃﾞｰﾀ型が不正です");
    return value;
}

}  // namespace lorvel
