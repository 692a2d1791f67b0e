// Registry root tokens: "(Cuser)", "(Class)", "(Local)" and "(Users)", compared
// exactly; anything else means HKEY_CURRENT_USER. A key text is split into token
// and path by one of two rules, each used by its own callers.
//
//   SplitKeyByScriptRule("(Local)Software\\Foo") => {"(Local)", "Software\\Foo"}
//   SplitKeyByScriptRule("Software\\Foo")        => {"(Cuser)", "Software\\Foo"}
//   SplitKeyByScriptRule("(HKLM)\\Software")     => {"(HKLM)\\", "Software"}
//   SplitKeyByRecordRule("(HKLM)\\Software")     => {"(Cuser)", "(HKLM)\\Software"}
#pragma once

#include <string>

#include "platform/Registry.h"

namespace lorvel {

struct RegistryKeyText {
    std::string token;
    std::string path;
};

platform::RootKey RootKeyFromToken(const std::string& token);

// The setup script's rule: a token when byte 1 is "(" or byte 7 is ")".
RegistryKeyText SplitKeyByScriptRule(const std::string& text);
// The uninstall record's rule: a token only when byte 1 is "(" and byte 7 is ")".
RegistryKeyText SplitKeyByRecordRule(const std::string& text);

// Deletes the key with all its subkeys, trying again up to 99 times while it is
// still there. 0 when it is gone (or was never there, or the path is empty), else
// the code of the deletion that failed.
platform::ErrorCode DeleteRegistryKey(platform::Registry& registry, const std::string& token, const std::string& path);

}  // namespace lorvel
