// The registry key a script or record names, through the platform: its root, and
// the deletion of the whole key.
//
//   RootKeyFromToken("(Local)") => HKEY_LOCAL_MACHINE
//   RootKeyFromToken("(local)") => HKEY_CURRENT_USER   (tokens compare exactly)
#pragma once

#include <string>

#include "platform/Registry.h"

namespace lorvel {

// "(Class)", "(Local)" and "(Users)" name their roots; anything else means
// HKEY_CURRENT_USER.
platform::RootKey RootKeyFromToken(const std::string& token);

// Deletes the key with all its subkeys, trying again up to 99 times while it is
// still there. 0 when it is gone (or was never there, or the path is empty), else
// the code of the deletion that failed.
platform::ErrorCode DeleteRegistryKey(platform::Registry& registry, const std::string& token, const std::string& path);

}  // namespace lorvel
