// The shared counts an install run raises for the files it copies, and how a run
// that ends without its record puts them back. A count left raised would be counted
// again by a second attempt, which cannot tell it from another program's, and the
// uninstall would then keep the library for good; a file the run brought where there
// was none goes too, since a second attempt would take it for another program's.
//
//   before: no file, no count          undo: the file and its count deleted
//   before: the file with a count of 2 undo: the count 2 again, the new file kept
#pragma once

#include <vector>

#include "install/AssociationUndo.h"
#include "install/InstallRunState.h"
#include "run/FileOps.h"
#include "run/SharedFiles.h"

namespace lorvel {

// Puts each count back, the last first, and empties the list. What refuses is given
// to failed (when there is one), and the rest are still put back.
void UndoSharedCounts(SharedFiles& shared, FileOps& ops, std::vector<CountRaised>& raised, const UndoFailed& failed);

}  // namespace lorvel
