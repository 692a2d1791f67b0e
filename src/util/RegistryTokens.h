// Registry root tokens: "(Cuser)", "(Class)", "(Local)" and "(Users)", compared
// exactly (RootKeyFromToken in run/RegistryKeys gives the root). A key text is split
// into token and path by one of two rules, each used by its own callers.
//
//   SplitKeyByScriptRule("(Local)Software\\Foo") => {"(Local)", "Software\\Foo"}
//   SplitKeyByScriptRule("Software\\Foo")        => {"(Cuser)", "Software\\Foo"}
//   SplitKeyByScriptRule("(HKLM)\\Software")     => {"(HKLM)\\", "Software"}
//   SplitKeyByRecordRule("(HKLM)\\Software")     => {"(Cuser)", "(HKLM)\\Software"}
#pragma once

#include <string>

namespace lorvel {

struct RegistryKeyText {
    std::string token;
    std::string path;
};

// The setup script's rule: a token when byte 1 is "(" or byte 7 is ")".
RegistryKeyText SplitKeyByScriptRule(const std::string& text);
// The uninstall record's rule: a token only when byte 1 is "(" and byte 7 is ")".
RegistryKeyText SplitKeyByRecordRule(const std::string& text);

}  // namespace lorvel
