// The registry writes of a run that may not fail quietly: a key that cannot be made,
// a value that cannot be written or read as text ends the run with a RunError in the
// program's own words, whichever phase writes.
//
//   CreateKeyOrRaise(reg, HKLM, "Software\\Foo") on a denied root
//     => throws "ｷｰ Software\\Foo の作成に失敗しました"
#pragma once

#include <optional>
#include <string>

#include "platform/Registry.h"

namespace lorvel {

void CreateKeyOrRaise(platform::Registry& registry, platform::RootKey root, const std::string& path);
void WriteValueOrRaise(platform::Registry& registry, platform::RootKey root, const std::string& path,
                       const std::string& name, const platform::RegValue& value);
// The value, which must be text, or nullopt when it or its key is not there; a value
// of another type raises, and so does a read that fails otherwise: a value that is
// there but unread must not pass for none.
std::optional<platform::RegValue> ReadTextOrRaise(platform::Registry& registry, platform::RootKey root,
                                                  const std::string& path, const std::string& name);

}  // namespace lorvel
