#include "run/RegistryKeys.h"

namespace lorvel {

using platform::RootKey;

RootKey RootKeyFromToken(const std::string& token)
{
    if (token == "(Class)") return RootKey::ClassesRoot;
    if (token == "(Local)") return RootKey::LocalMachine;
    if (token == "(Users)") return RootKey::Users;
    return RootKey::CurrentUser;
}

platform::ErrorCode DeleteRegistryKey(platform::Registry& registry, const std::string& token, const std::string& path)
{
    if (path.empty()) return platform::kErrorSuccess;
    const RootKey root = RootKeyFromToken(token);
    for (int attempt = 0; attempt < 99; ++attempt) {
        if (registry.OpenKey(root, path) != platform::kErrorSuccess) break;
        const platform::ErrorCode code = registry.DeleteKeyTree(root, path);
        if (code == platform::kErrorFileNotFound) break;
        if (code != platform::kErrorSuccess) return code;
    }
    return platform::kErrorSuccess;
}

}  // namespace lorvel
