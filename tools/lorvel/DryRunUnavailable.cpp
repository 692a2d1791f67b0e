// The Windows build has no simulated machine to run on.
#include "DryRun.h"

#include <ostream>

#include "Commands.h"

namespace lorvel::tool {

int RunDryRun(const DryRunOptions&, std::ostream&, std::ostream& err)
{
    err << "lorvel dry-run: this build has no simulated machine; run the dry run with the host build of lorvel\n";
    return kExitError;
}

}  // namespace lorvel::tool
