#include "util/RegistryTokens.h"

#include "util/StrOp.h"

namespace lorvel {

using platform::RootKey;

RootKey RootKeyFromToken(const std::string& token)
{
    if (token == "(Class)") return RootKey::ClassesRoot;
    if (token == "(Local)") return RootKey::LocalMachine;
    if (token == "(Users)") return RootKey::Users;
    return RootKey::CurrentUser;
}

namespace {

RegistryKeyText Split(const std::string& text, bool needBoth)
{
    const bool opens = !text.empty() && text[0] == '(';
    const bool closes = text.size() >= 7 && text[6] == ')';
    const bool token = needBoth ? (opens && closes) : (opens || closes);
    if (!token) return {"(Cuser)", text};
    return {StrLeft(text, 7), StrMid(text, 8)};
}

}  // namespace

RegistryKeyText SplitKeyByScriptRule(const std::string& text) { return Split(text, false); }

RegistryKeyText SplitKeyByRecordRule(const std::string& text) { return Split(text, true); }

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
