// The associations an install run changes, as the machine held them before, and
// how a run that ends without its record puts them back. Nothing is deleted that
// the run did not add.
//
//   before: no ".TXT"                    undo: ".TXT" and "TXT_auto_file" deleted
//   before: ".TXT" = "txtfile"           undo: ".TXT" = "txtfile" again
//   before: ".TXT" without a default     undo: the default deleted, the key kept
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "install/InstallRunState.h"
#include "platform/Registry.h"

namespace lorvel {

// The extension's key, its default value and the system's own type key as they are
// now. A default value that is no text, or that cannot be read, raises a RunError:
// the undo must never delete a value it did not see.
AssociationBefore ReadAssociationBefore(platform::Registry& registry, const std::string& extension);

// Gives what refused to be put back: the failure's tag, the key or file, the system's code.
using UndoFailed = std::function<void(const char* tag, const std::string& item, platform::ErrorCode code)>;

// Puts each association back, the last change first, and empties the list. A key
// that refuses is given to failed (when there is one), and the rest are still put back.
void UndoAssociations(platform::Registry& registry, std::vector<AssociationBefore>& changed, const UndoFailed& failed);

}  // namespace lorvel
